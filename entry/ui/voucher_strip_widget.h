#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "entry/voucher_strip.h"

class QGroupBox;
class QToolButton;

namespace qinghe {
class UserInteraction;
}
namespace qinghe::entry {}

namespace qinghe::ui {

// The 191 x 83 picture box of a voucher strip: the image at the strip's
// position, scaled to fit and centred.
class VoucherPictureBox : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 191;
    static constexpr int kHeight = 83;

    VoucherPictureBox(const entry::VoucherStripModel& model, QWidget* parent);

    // What it shows now (decoded when it is next drawn): null when the list
    // is empty or the image cannot be decoded.
    QImage shownImage();

  signals:
    void clicked();
    void doubleClicked();
    void deleteRequested();
    // Enter or Space: what a click or a double-click does on this strip.
    void activated();
    void browseRequested(int step);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void bringUpToDate();

    const entry::VoucherStripModel& model_;
    std::uint64_t shownRevision_ = ~std::uint64_t{0};
    QImage image_;
};

// One voucher strip: the group box "单据凭证：" holding the picture box, and the
// spin control under it. Several strips may share one model (the two pages of
// the entry window); each shows the image at the model's position.
class VoucherStripWidget : public QWidget {
    Q_OBJECT

  public:
    enum class Mode {
        Editable,  // double-click adds, right-click deletes (add window, "修改")
        Viewing,   // a click opens the viewer ("查看")
    };

    // `user` outlives the strip; `model` may go first only as the window
    // closes (a window's members go before its child widgets).
    VoucherStripWidget(entry::VoucherStripModel& model, UserInteraction& user, Mode mode,
                       QWidget* parent);

    // Places the group box and the spin control at the window's positions
    // (the picture box sits at 8, 14 inside the group box).
    void place(const QRect& group, const QRect& spin);

    // The hint shown while visual guidance is on: how to add and delete, or
    // how to open the viewer.
    void setGuidance(bool on);

    // How the viewer opens (modally, by default); tests replace it.
    void setViewerOpener(std::function<void(const std::string& bytes)> opener);

    VoucherPictureBox* pictureBox() const { return picture_; }
    QGroupBox* groupBox() const { return group_; }
    // The spin's arrows: the image before (the +1 step) and after (-1).
    QToolButton* previousButton() const { return previous_; }
    QToolButton* nextButton() const { return next_; }

  signals:
    // The list changed through this strip (an image added or deleted).
    void vouchersChanged();

  private:
    void modelChanged();
    void add();
    void remove();
    void openViewer();

    entry::VoucherStripModel& model_;
    UserInteraction& user_;
    Mode mode_;
    entry::VoucherStripModel::Listening listening_;
    QGroupBox* group_;
    VoucherPictureBox* picture_;
    QWidget* spin_;
    QToolButton* previous_;
    QToolButton* next_;
    std::function<void(const std::string&)> openViewer_;
};

}  // namespace qinghe::ui
