#include "app/main_window.h"

#include <QLabel>

namespace qinghe {

const char* const kProductTitle = "青禾 家庭流水记账软件 2015";

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QString::fromUtf8(kProductTitle));
    setGeometry(50, 50, 800, 613);
    auto* title = new QLabel(QString::fromUtf8(kProductTitle), this);
    title->setAlignment(Qt::AlignCenter);
    QFont font = title->font();
    font.setPointSize(font.pointSize() * 2);
    title->setFont(font);
    setCentralWidget(title);
}

}  // namespace qinghe
