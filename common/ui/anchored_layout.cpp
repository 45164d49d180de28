#include "common/ui/anchored_layout.h"

#include <QFontInfo>
#include <QWidget>
#include <QWidgetItem>
#include <algorithm>
#include <cmath>

namespace qinghe::ui {
namespace {

constexpr int kDrawnTextPixels = 12;

int scaled(int value, qreal scale) {
    return static_cast<int>(std::lround(value * scale));
}

}  // namespace

AnchoredLayout::AnchoredLayout(QWidget* page, QSize drawn, Anchor defaultAnchor)
    : QLayout(page), drawn_(drawn), default_(defaultAnchor) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

AnchoredLayout::~AnchoredLayout() {
    for (const Placed& placed : placed_) delete placed.item;
}

AnchoredLayout* AnchoredLayout::of(QWidget* page) {
    return page == nullptr ? nullptr : dynamic_cast<AnchoredLayout*>(page->layout());
}

void AnchoredLayout::place(QWidget* widget, const QRect& drawn) {
    place(widget, drawn, default_);
}

void AnchoredLayout::place(QWidget* widget, const QRect& drawn, Anchor anchor) {
    addChildWidget(widget);
    placed_.append({new QWidgetItem(widget), drawn, anchor});
    invalidate();
}

void AnchoredLayout::setAnchor(QWidget* widget, Anchor anchor) {
    for (Placed& placed : placed_) {
        if (placed.item->widget() == widget) placed.anchor = anchor;
    }
    invalidate();
}

void AnchoredLayout::addItem(QLayoutItem* item) {
    // An item added by Qt's own means stays where it is.
    const QRect at = item->widget() != nullptr ? item->widget()->geometry() : QRect();
    placed_.append({item, at, anchors::kStay});
}

QLayoutItem* AnchoredLayout::itemAt(int index) const {
    return index >= 0 && index < placed_.size() ? placed_[index].item : nullptr;
}

QLayoutItem* AnchoredLayout::takeAt(int index) {
    if (index < 0 || index >= placed_.size()) return nullptr;
    return placed_.takeAt(index).item;
}

int AnchoredLayout::count() const {
    return int(placed_.size());
}

qreal AnchoredLayout::textScale() const {
    const QWidget* page = parentWidget();
    if (page == nullptr) return 1;
    return std::max<qreal>(1, qreal(QFontInfo(page->font()).pixelSize()) / kDrawnTextPixels);
}

QSize AnchoredLayout::scaledDrawnSize() const {
    const qreal scale = textScale();
    return {scaled(drawn_.width(), scale), scaled(drawn_.height(), scale)};
}

QSize AnchoredLayout::sizeHint() const {
    return scaledDrawnSize();
}

QSize AnchoredLayout::minimumSize() const {
    return scaledDrawnSize();
}

Qt::Orientations AnchoredLayout::expandingDirections() const {
    return Qt::Horizontal | Qt::Vertical;
}

void AnchoredLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QWidget* page = parentWidget();
    if (page == nullptr) return;
    // Rectangles count from the page's corner, inside a group box's title too.
    const QSize size = page->size();
    const qreal scale = textScale();
    const QSize least = scaledDrawnSize();
    const int extraWidth = std::max(0, size.width() - least.width());
    const int extraHeight = std::max(0, size.height() - least.height());
    for (const Placed& placed : placed_) {
        const Anchor& anchor = placed.anchor;
        const QRect& drawn = placed.drawn;
        const QRect at(scaled(drawn.x(), scale) + scaled(extraWidth, anchor.moveX),
                       scaled(drawn.y(), scale) + scaled(extraHeight, anchor.moveY),
                       scaled(drawn.width(), scale) + scaled(extraWidth, anchor.growX),
                       scaled(drawn.height(), scale) + scaled(extraHeight, anchor.growY));
        // The rectangle itself: not narrowed by the style's margins or the
        // widget's own size hints, as a box layout would.
        if (QWidget* widget = placed.item->widget()) {
            widget->setGeometry(at);
        } else {
            placed.item->setGeometry(at);
        }
    }
}

void placeWidget(QWidget* widget, const QRect& drawn) {
    if (AnchoredLayout* layout = AnchoredLayout::of(widget->parentWidget())) {
        layout->place(widget, drawn);
    } else {
        widget->setGeometry(drawn);
    }
}

void anchorWidget(QWidget* widget, Anchor anchor) {
    if (AnchoredLayout* layout = AnchoredLayout::of(widget->parentWidget()))
        layout->setAnchor(widget, anchor);
}

}  // namespace qinghe::ui
