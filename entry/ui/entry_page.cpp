#include "entry/ui/entry_page.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"
#include "entry/ui/entry_list_model.h"

namespace qinghe::ui {

EntryPage::EntryPage(QWidget* parent) : QWidget(parent) {
    // A larger page gives the list the room; the buttons and totals stay under it.
    new AnchoredLayout(this, QSize(795, 509));
    addPicture(this, "entry", QRect(16, 14, 48, 48));
    addHint(this, QStringLiteral("账簿内详细的账目显示在下面，双击条目可以进行修改，"
                                 "单击下面的功能按钮可以添加、删除、清空条目！"));
    ledger_ = addLabel(this, QStringLiteral("当前账簿："), QRect(264, 45, 267, 24));
    model_ = new EntryListModel(this);
    list_ = addListView(this, model_, {100, 60, 150, 100, 80, 250, 80}, QRect(2, 69, 790, 328));
    sortByHeaderClicks(list_, model_);
    clear_ = addImageButton(this, "clear", QStringLiteral("清空账目"), 12, 408);
    delete_ = addImageButton(this, "delete", QStringLiteral("删除条目"), 122, 408);
    add_ = addImageButton(this, "new", QStringLiteral("添加条目"), 604, 408);
    modify_ = addImageButton(this, "modify", QStringLiteral("修改条目"), 716, 408);
    import_ = ui::addButton(this, QStringLiteral("导入账单..."), QRect(604, 476, 176, 26));
    // Wide enough for a whole date; the next label starts at 409.
    startDate_ = addLabel(this, QStringLiteral("起算日期："), QRect(262, 407, 145, 24));
    // Wider than drawn (128): totals reach ten digits with their cents, and
    // nothing of them may be cut off; the buttons start at 604.
    initialAmount_ = addLabel(this, QStringLiteral("初始金额：0元"), QRect(409, 408, 190, 24));
    income_ = addLabel(this, QStringLiteral("累计收入：0元"), QRect(263, 439, 145, 24));
    expense_ = addLabel(this, QStringLiteral("累计支出：0元"), QRect(410, 439, 190, 24));
    balance_ = addLabel(this, QStringLiteral("当前余额：0元"), QRect(263, 471, 330, 24));
    anchorWidget(list_, anchors::kFill);
    for (QWidget* left : {static_cast<QWidget*>(clear_), static_cast<QWidget*>(delete_)})
        anchorWidget(left, anchors::kBottom);
    for (QWidget* right : {static_cast<QWidget*>(add_), static_cast<QWidget*>(modify_),
                           static_cast<QWidget*>(import_)})
        anchorWidget(right, anchors::kBottomRight);
    for (QWidget* total : {startDate_, initialAmount_, income_, expense_, balance_})
        anchorWidget(total, anchors::kBottomCentre);
}

}  // namespace qinghe::ui
