#include "app/ui/pages/ledger_page.h"

#include <QLabel>
#include <QTableView>
#include <QToolButton>

#include "app/ui/page_widgets.h"

namespace qinghe::ui {

LedgerPage::LedgerPage(QWidget* parent) : QWidget(parent) {
    addPicture(this, "ledger", QRect(16, 14, 48, 48));
    addHint(this,
            QStringLiteral("账簿功能允许您按照一定的方式将同类账目归纳到一起，方便您的整理和统计！"
                           "您可以根据自己的需要创建多个账簿。"));
    list_ =
        addListView(this,
                    {QStringLiteral("序号"), QStringLiteral("账簿名称"), QStringLiteral("创建时间"),
                     QStringLiteral("账目条数"), QStringLiteral("最后记录时间"),
                     QStringLiteral("总收入"), QStringLiteral("总支出"), QStringLiteral("结余")},
                    {50, 150, 100, 80, 100, 100, 100, 100}, QRect(2, 69, 790, 328));
    clear_ = addImageButton(this, "clear", QStringLiteral("清空账簿"), 12, 408);
    delete_ = addImageButton(this, "delete", QStringLiteral("删除账簿"), 122, 408);
    new_ = addImageButton(this, "new", QStringLiteral("新建账簿"), 604, 408);
    modify_ = addImageButton(this, "modify", QStringLiteral("修改账簿"), 716, 408);
    count_ = addLabel(this, QStringLiteral("账簿数量：0"), QRect(322, 405, 128, 24));
    income_ = addLabel(this, QStringLiteral("累计收入：0元"), QRect(208, 428, 128, 24));
    expense_ = addLabel(this, QStringLiteral("累计支出：0元"), QRect(441, 429, 126, 24));
    balance_ = addLabel(this, QStringLiteral("当前余额：0元"), QRect(270, 455, 239, 24));
}

}  // namespace qinghe::ui
