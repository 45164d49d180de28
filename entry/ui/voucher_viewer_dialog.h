#pragma once

#include <QDialog>
#include <QWidget>
#include <string>

#include "entry/voucher_viewer.h"

class QScrollBar;

namespace qinghe::ui {

// The display panel: the back buffer copied on at the viewer's offsets, the
// rest cleared.
class ViewerPanel : public QWidget {
  public:
    ViewerPanel(const entry::VoucherViewer& viewer, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const entry::VoucherViewer& viewer_;
};

// "查看凭证大图": one voucher image, large. The mouse wheel zooms (away from
// you out, towards you in), and so do + and -; the scroll bars and the arrow
// keys move a picture larger than the panel; Esc closes.
class VoucherViewerDialog : public QDialog {
    Q_OBJECT

  public:
    VoucherViewerDialog(std::string bytes, QWidget* parent);

    const entry::VoucherViewer& viewer() const { return viewer_; }
    ViewerPanel* panel() const { return panel_; }
    QScrollBar* horizontalBar() const { return horizontal_; }
    QScrollBar* verticalBar() const { return vertical_; }

  protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void zoom(int wheelValue);
    void showBars();
    void scrolled();

    entry::VoucherViewer viewer_;
    ViewerPanel* panel_;
    QScrollBar* horizontal_;
    QScrollBar* vertical_;
    int wheelRest_ = 0;  // wheel movement short of a whole step
};

}  // namespace qinghe::ui
