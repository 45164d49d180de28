#pragma once

#include <QLayout>
#include <QList>
#include <QRect>
#include <QSize>

namespace qinghe::ui {

// How a control follows its page when the page is larger than drawn: the
// share (0 to 1) of the extra width by which it moves right and by which it
// grows, and the same of the extra height.
struct Anchor {
    qreal moveX = 0;
    qreal moveY = 0;
    qreal growX = 0;
    qreal growY = 0;
};

namespace anchors {
inline constexpr Anchor kStay{};                      // at the top left
inline constexpr Anchor kFill{0, 0, 1, 1};            // a list: all the room
inline constexpr Anchor kFillWidth{0, 0, 1, 0};       // a hint, a frame across
inline constexpr Anchor kRight{1, 0, 0, 0};           // at the right edge
inline constexpr Anchor kBottom{0, 1, 0, 0};          // under a list, at the left
inline constexpr Anchor kBottomRight{1, 1, 0, 0};     // under a list, at the right
inline constexpr Anchor kBottomCentre{0.5, 1, 0, 0};  // under a list, in the middle
inline constexpr Anchor kCentre{0.5, 0.5, 0, 0};      // a page drawn as one block
}  // namespace anchors

// Places a page's controls at the rectangles they were drawn at (for a page
// of `drawn` size, with 12-pixel text), so that at its drawn size a page
// looks exactly as drawn, and lets them follow a larger page by their
// anchors. With larger text every rectangle grows in proportion first, so
// that no caption is cut off: the page's minimum size is its drawn size
// scaled by the text.
class AnchoredLayout : public QLayout {
  public:
    AnchoredLayout(QWidget* page, QSize drawn, Anchor defaultAnchor = anchors::kStay);
    ~AnchoredLayout() override;

    // `widget` (a child of the page) at `drawn`, following the page by
    // `anchor` (the layout's default when none is given).
    void place(QWidget* widget, const QRect& drawn);
    void place(QWidget* widget, const QRect& drawn, Anchor anchor);
    // Another anchor for a widget placed already.
    void setAnchor(QWidget* widget, Anchor anchor);
    // How much the rectangles grow with the text: its pixel size over 12,
    // never below 1.
    qreal textScale() const;

    // The layout of `page` when it is an AnchoredLayout.
    static AnchoredLayout* of(QWidget* page);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override;

  private:
    struct Placed {
        QLayoutItem* item;
        QRect drawn;
        Anchor anchor;
    };

    QSize scaledDrawnSize() const;

    QSize drawn_;
    Anchor default_;
    QList<Placed> placed_;
};

// Places `widget` at `drawn` in its parent: through the parent's
// AnchoredLayout when it has one, else at that fixed rectangle.
void placeWidget(QWidget* widget, const QRect& drawn);
// The anchor of a widget placed by an AnchoredLayout.
void anchorWidget(QWidget* widget, Anchor anchor);

}  // namespace qinghe::ui
