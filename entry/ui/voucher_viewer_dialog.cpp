#include "entry/ui/voucher_viewer_dialog.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <utility>

#include "entry/ui/picture_image.h"

namespace qinghe::ui {

namespace {

// What the picture leaves of the panel: a neutral dark grey, against which
// paper and photos both stand out.
const QColor kBackground(60, 60, 60);
// One notch of a mouse wheel.
constexpr int kWheelStep = 120;
// How far an arrow key moves the picture.
constexpr int kArrowStep = 40;

}  // namespace

ViewerPanel::ViewerPanel(const entry::VoucherViewer& viewer, QWidget* parent)
    : QWidget(parent), viewer_(viewer) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ViewerPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    if (!viewer_.hasPicture()) {
        painter.setPen(QColor(200, 200, 200));
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("无法显示这张图片"));
        return;
    }
    const entry::VoucherViewer::Copy copy = viewer_.copy();
    if (copy.size.isEmpty()) return;
    painter.drawImage(QPoint(copy.targetX, copy.targetY), imageOver(viewer_.backBuffer()),
                      QRect(copy.sourceX, copy.sourceY, copy.size.width, copy.size.height));
}

VoucherViewerDialog::VoucherViewerDialog(std::string bytes, QWidget* parent)
    : QDialog(parent), viewer_(std::move(bytes)) {
    setWindowTitle(QStringLiteral("查看凭证大图"));
    const entry::PixelSize panel = viewer_.panel();
    panel_ = new ViewerPanel(viewer_, this);
    panel_->setGeometry(0, 0, panel.width, panel.height);
    // The wheel over the panel zooms, however the event reaches it.
    panel_->installEventFilter(this);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setGeometry(0, panel.height + 3, panel.width, 16);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setGeometry(panel.width + 1, 0, 16, panel.height + 2);
    // Room for the panel and both bars.
    setFixedSize(panel.width + 18, panel.height + 20);
    move(50, 50);
    for (QScrollBar* bar : {horizontal_, vertical_}) {
        bar->setSingleStep(kArrowStep / 2);
        bar->setFocusPolicy(Qt::NoFocus);  // the keys belong to the dialog
        connect(bar, &QScrollBar::valueChanged, this, &VoucherViewerDialog::scrolled);
    }
    showBars();
}

void VoucherViewerDialog::showBars() {
    const entry::ViewerGeometry& g = viewer_.geometry();
    const entry::PixelSize panel = viewer_.panel();
    struct Bar {
        QScrollBar* bar;
        const entry::ViewerScrollBar& state;
        int position;
        int page;
    };
    for (const Bar& b : {Bar{horizontal_, g.horizontal, viewer_.horizontalPosition(), panel.width},
                         Bar{vertical_, g.vertical, viewer_.verticalPosition(), panel.height}}) {
        const QSignalBlocker quiet(b.bar);
        b.bar->setRange(0, b.state.visible ? b.state.maximum : 0);
        b.bar->setPageStep(b.page);
        b.bar->setValue(b.position);
        b.bar->setVisible(b.state.visible);
    }
}

void VoucherViewerDialog::scrolled() {
    viewer_.scrollTo(horizontal_->value(), vertical_->value());
    panel_->update();
}

void VoucherViewerDialog::zoom(int wheelValue) {
    if (!viewer_.wheel(wheelValue)) return;
    showBars();
    panel_->update();
}

void VoucherViewerDialog::wheelEvent(QWheelEvent* event) {
    // Whole notches only: a touchpad sends many small movements.
    wheelRest_ += event->angleDelta().y();
    while (wheelRest_ >= kWheelStep || wheelRest_ <= -kWheelStep) {
        const int step = wheelRest_ > 0 ? kWheelStep : -kWheelStep;
        wheelRest_ -= step;
        zoom(step);
    }
    event->accept();
}

bool VoucherViewerDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void VoucherViewerDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoom(-kWheelStep);  // as a wheel turned towards you
            return;
        case Qt::Key_Minus:
            zoom(kWheelStep);
            return;
        case Qt::Key_Left:
            horizontal_->setValue(horizontal_->value() - kArrowStep);
            return;
        case Qt::Key_Right:
            horizontal_->setValue(horizontal_->value() + kArrowStep);
            return;
        case Qt::Key_Up:
            vertical_->setValue(vertical_->value() - kArrowStep);
            return;
        case Qt::Key_Down:
            vertical_->setValue(vertical_->value() + kArrowStep);
            return;
        case Qt::Key_PageUp:
            vertical_->setValue(vertical_->value() - vertical_->pageStep());
            return;
        case Qt::Key_PageDown:
            vertical_->setValue(vertical_->value() + vertical_->pageStep());
            return;
        default:
            QDialog::keyPressEvent(event);  // Esc closes
    }
}

}  // namespace qinghe::ui
