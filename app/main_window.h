#pragma once

#include <QMainWindow>

namespace qinghe {

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace qinghe
