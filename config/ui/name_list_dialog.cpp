#include "config/ui/name_list_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"

namespace qinghe::ui {

NameListDialog::NameListDialog(QWidget* parent, NameListsModel& model)
    : QDialog(parent), model_(model) {
    setModal(true);
    // Drawn for 12-pixel text, as the main window.
    QFont text = font();
    text.setPixelSize(12);
    setFont(text);
    if (model_.kind() == NameListsModel::Kind::Items)
        buildItemDialog();
    else
        buildMemberDialog();
    for (int index = 0; index < lists_.size(); ++index) {
        connectList(index);
        showLines(index);
    }
    connect(ok_, &QPushButton::clicked, this, [this] {
        model_.accept();
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        model_.cancel();
        reject();
    });
}

void NameListDialog::buildItemDialog() {
    setWindowTitle(QStringLiteral("设定收支项目"));
    setFixedSize(469, 553);
    const struct {
        const char16_t* title;
        int top;
    } groups[] = {{u"收入项目：", 8}, {u"支出项目：", 279}};
    for (const auto& group : groups) {
        auto* box = new QGroupBox(QString::fromUtf16(group.title), this);
        box->setGeometry(10, group.top, 330, 264);
        lists_.append(addList(box, QRect(12, 24, 214, 226), 238, 24, 40));
    }
    addWrappedLabel(
        this, QStringLiteral("提示：修改项目设定，需要通过主界面的“保存设置”才能让设置生效！"),
        QRect(354, 18, 104, 120));
    ok_ = addButton(this, QStringLiteral("确定"), QRect(360, 470, 96, 28));
    cancel_ = addButton(this, QStringLiteral("取消"), QRect(360, 510, 96, 28));
}

void NameListDialog::buildMemberDialog() {
    setWindowTitle(QStringLiteral("家庭成员设定"));
    setFixedSize(407, 356);
    lists_.append(addList(this, QRect(12, 12, 272, 332), 298, 12, 40));
    ok_ = addButton(this, QStringLiteral("确定"), QRect(298, 276, 96, 28));
    cancel_ = addButton(this, QStringLiteral("取消"), QRect(298, 316, 96, 28));
}

NameListDialog::ListControls NameListDialog::addList(QWidget* parent, const QRect& list,
                                                     int buttonsLeft, int buttonsTop,
                                                     int buttonGap) {
    ListControls controls;
    controls.list = new QListWidget(parent);
    controls.list->setGeometry(list);
    controls.add =
        addButton(parent, QStringLiteral("添加"), QRect(buttonsLeft, buttonsTop, 80, 28));
    controls.remove = addButton(parent, QStringLiteral("删除"),
                                QRect(buttonsLeft, buttonsTop + buttonGap, 80, 28));
    controls.clear = addButton(parent, QStringLiteral("清空"),
                               QRect(buttonsLeft, buttonsTop + 2 * buttonGap, 80, 28));
    return controls;
}

void NameListDialog::connectList(int index) {
    const ListControls& controls = lists_[index];
    const auto list = static_cast<std::size_t>(index);
    connect(controls.add, &QPushButton::clicked, this, [this, index, list] {
        if (model_.add(list)) {
            showLines(index);
            // The new line, in view.
            lists_[index].list->setCurrentRow(lists_[index].list->count() - 1);
        }
    });
    connect(controls.remove, &QPushButton::clicked, this, [this, index, list] {
        const int row = lists_[index].list->currentRow();
        const bool selected = row >= 0 && lists_[index].list->item(row)->isSelected();
        std::optional<std::size_t> line;
        if (selected) line = static_cast<std::size_t>(row);
        if (model_.removeLine(list, line)) showLines(index);
    });
    connect(controls.clear, &QPushButton::clicked, this, [this, index, list] {
        if (model_.clear(list)) showLines(index);
    });
}

void NameListDialog::showLines(int index) {
    QListWidget* box = lists_[index].list;
    box->clear();
    for (const std::string& line : model_.lines(static_cast<std::size_t>(index)))
        box->addItem(fromGbk(line));
}

}  // namespace qinghe::ui
