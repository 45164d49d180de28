#include "ledger/ui/ledger_page.h"

#include <QLabel>
#include <QTableView>
#include <QToolButton>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"
#include "ledger/ui/ledger_list_model.h"

namespace qinghe::ui {

LedgerPage::LedgerPage(QWidget* parent) : QWidget(parent) {
    // A larger page gives the list the room; the buttons and totals stay under it.
    new AnchoredLayout(this, QSize(795, 509));
    addPicture(this, "ledger", QRect(16, 14, 48, 48));
    addHint(this,
            QStringLiteral("账簿功能允许您按照一定的方式将同类账目归纳到一起，方便您的整理和统计！"
                           "您可以根据自己的需要创建多个账簿。"));
    model_ = new LedgerListModel(this);
    list_ =
        addListView(this, model_, {50, 150, 100, 80, 100, 100, 100, 100}, QRect(2, 69, 790, 328));
    clear_ = addImageButton(this, "clear", QStringLiteral("清空账簿"), 12, 408);
    delete_ = addImageButton(this, "delete", QStringLiteral("删除账簿"), 122, 408);
    new_ = addImageButton(this, "new", QStringLiteral("新建账簿"), 604, 408);
    modify_ = addImageButton(this, "modify", QStringLiteral("修改账簿"), 716, 408);
    count_ = addLabel(this, QStringLiteral("账簿数量：0"), QRect(322, 405, 128, 24));
    // Wider than drawn (128 and 126): a household's totals reach ten digits
    // with their cents, and nothing of them may be cut off.
    income_ = addLabel(this, QStringLiteral("累计收入：0元"), QRect(208, 428, 230, 24));
    expense_ = addLabel(this, QStringLiteral("累计支出：0元"), QRect(441, 429, 160, 24));
    balance_ = addLabel(this, QStringLiteral("当前余额：0元"), QRect(270, 455, 239, 24));
    anchorWidget(list_, anchors::kFill);
    for (QWidget* left : {static_cast<QWidget*>(clear_), static_cast<QWidget*>(delete_)})
        anchorWidget(left, anchors::kBottom);
    for (QWidget* right : {static_cast<QWidget*>(new_), static_cast<QWidget*>(modify_)})
        anchorWidget(right, anchors::kBottomRight);
    for (QWidget* total : {count_, income_, expense_, balance_})
        anchorWidget(total, anchors::kBottomCentre);
}

}  // namespace qinghe::ui
