#include "app/lock_page.h"

#include <QLabel>
#include <QToolButton>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"

namespace qinghe::ui {

LockPage::LockPage(QWidget* parent) : QWidget(parent) {
    // In the middle of a larger page.
    new AnchoredLayout(this, QSize(795, 509), anchors::kCentre);
    unlock_ = new QToolButton(this);
    placeWidget(unlock_, QRect(333, 130, 128, 128));
    unlock_->setIcon(programIcon("lock"));
    unlock_->setIconSize(QSize(96, 96));
    unlock_->setAutoRaise(true);

    QLabel* note =
        addLabel(this, QStringLiteral("软件已被锁定，请解锁使用！"), QRect(0, 276, 795, 32));
    note->setAlignment(Qt::AlignCenter);
    QFont large = note->font();
    large.setPixelSize(16);
    note->setFont(large);
}

}  // namespace qinghe::ui
