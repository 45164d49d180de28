#include "entry/ui/voucher_strip_widget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include "entry/image_codec.h"
#include "entry/ui/picture_image.h"
#include "entry/ui/voucher_viewer_dialog.h"

namespace qinghe::ui {

namespace {

const QRect kPictureInGroup(8, 14, VoucherPictureBox::kWidth, VoucherPictureBox::kHeight);

}  // namespace

VoucherPictureBox::VoucherPictureBox(const entry::VoucherStripModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage VoucherPictureBox::shownImage() {
    bringUpToDate();
    return image_;
}

void VoucherPictureBox::bringUpToDate() {
    if (shownRevision_ == model_.revision()) return;
    shownRevision_ = model_.revision();
    auto picture = entry::decodeImageFitted(model_.shown(), {kWidth, kHeight});
    image_ = picture ? toQImage(std::move(*picture)) : QImage();
}

void VoucherPictureBox::paintEvent(QPaintEvent*) {
    // Decoded when drawn, so the strip of a page not shown costs nothing.
    bringUpToDate();
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (!image_.isNull()) {
        painter.drawImage((width() - image_.width()) / 2, (height() - image_.height()) / 2, image_);
    } else {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (!model_.shown().empty()) {
            // Stored, but no picture that can be shown.
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("无法显示这张图片"));
        }
    }
    if (model_.count() > 1) {
        // Which image of how many.
        const QString where = QStringLiteral("%1/%2").arg(model_.position()).arg(model_.count());
        QFont font = painter.font();
        font.setPointSizeF(font.pointSizeF() * 0.8);
        painter.setFont(font);
        const QRect text = painter.fontMetrics().boundingRect(where).adjusted(-3, 0, 3, 0);
        const QRect box(width() - text.width() - 2, height() - text.height() - 2, text.width(),
                        text.height());
        painter.fillRect(box, QColor(0, 0, 0, 140));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, where);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void VoucherPictureBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void VoucherPictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

void VoucherPictureBox::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    emit deleteRequested();
}

void VoucherPictureBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            emit activated();
            return;
        case Qt::Key_Delete:
            emit deleteRequested();
            return;
        case Qt::Key_Left:
            emit browseRequested(+1);
            return;
        case Qt::Key_Right:
            emit browseRequested(-1);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

VoucherStripWidget::VoucherStripWidget(entry::VoucherStripModel& model, UserInteraction& user,
                                       Mode mode, QWidget* parent)
    : QWidget(parent), model_(model), user_(user), mode_(mode) {
    group_ = new QGroupBox(QStringLiteral("单据凭证："), this);
    picture_ = new VoucherPictureBox(model, group_);
    picture_->move(kPictureInGroup.topLeft());
    picture_->setCursor(mode == Mode::Viewing ? Qt::PointingHandCursor : Qt::ArrowCursor);

    // The spin control: two arrows side by side across the strip's width. They
    // point the way the images go: left to the one before (the spin's +1
    // step), right to the one after (its -1 step).
    spin_ = new QWidget(this);
    auto* arrows = new QHBoxLayout(spin_);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    previous_ = new QToolButton(spin_);
    previous_->setArrowType(Qt::LeftArrow);
    previous_->setToolTip(QStringLiteral("上一张"));
    next_ = new QToolButton(spin_);
    next_->setArrowType(Qt::RightArrow);
    next_->setToolTip(QStringLiteral("下一张"));
    for (QToolButton* button : {previous_, next_}) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setAutoRepeat(true);
        arrows->addWidget(button);
    }
    place(QRect(0, 0, 208, 104), QRect(0, 101, 208, 16));

    connect(previous_, &QToolButton::clicked, this, [this] { model_.browse(+1); });
    connect(next_, &QToolButton::clicked, this, [this] { model_.browse(-1); });
    connect(picture_, &VoucherPictureBox::browseRequested, this,
            [this](int step) { model_.browse(step); });
    if (mode_ == Mode::Editable) {
        connect(picture_, &VoucherPictureBox::doubleClicked, this, &VoucherStripWidget::add);
        connect(picture_, &VoucherPictureBox::activated, this, &VoucherStripWidget::add);
        connect(picture_, &VoucherPictureBox::deleteRequested, this, &VoucherStripWidget::remove);
    } else {
        connect(picture_, &VoucherPictureBox::clicked, this, &VoucherStripWidget::openViewer);
        connect(picture_, &VoucherPictureBox::activated, this, &VoucherStripWidget::openViewer);
    }
    openViewer_ = [this](const std::string& bytes) {
        // A large photo takes a moment to decode.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        VoucherViewerDialog viewer(bytes, window());
        QApplication::restoreOverrideCursor();
        viewer.exec();
    };
    listening_ = model_.listen([this] { modelChanged(); });
    modelChanged();
}

void VoucherStripWidget::place(const QRect& group, const QRect& spin) {
    const QRect whole = group.united(spin);
    setGeometry(whole);
    group_->setGeometry(group.translated(-whole.topLeft()));
    spin_->setGeometry(spin.translated(-whole.topLeft()));
    spin_->raise();
}

void VoucherStripWidget::setGuidance(bool on) {
    QString hint;
    if (on) {
        hint =
            mode_ == Mode::Editable
                ? QStringLiteral("双击可以添加新的凭证图片！\n右键单击可以删除已经添加的凭证图片！")
                : QStringLiteral("点击可以查看凭证大图！");
    }
    picture_->setToolTip(hint);
}

void VoucherStripWidget::setViewerOpener(std::function<void(const std::string&)> opener) {
    openViewer_ = std::move(opener);
}

void VoucherStripWidget::modelChanged() {
    // Browsing needs two images; with fewer the arrows would do nothing.
    const bool browsable = model_.count() > 1;
    previous_->setEnabled(browsable);
    next_->setEnabled(browsable);
    picture_->update();
}

void VoucherStripWidget::add() {
    if (entry::addVouchers(user_, model_) > 0) emit vouchersChanged();
}

void VoucherStripWidget::remove() {
    if (entry::deleteShownVoucher(user_, model_)) emit vouchersChanged();
}

void VoucherStripWidget::openViewer() {
    if (model_.shown().empty()) return;
    openViewer_(std::string(model_.shown()));
}

}  // namespace qinghe::ui
