#include "maintenance/ui/restore_choice_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"

namespace qinghe::ui {

RestoreChoiceDialog::RestoreChoiceDialog(QWidget* parent, const std::vector<std::string>& initial,
                                         UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    // The row chosen as it opens, then the rows.
    const int chosen = initial.empty() ? 0 : fromGbk(initial[0]).toInt();
    const std::vector<std::string> rows(initial.empty() ? initial.end() : initial.begin() + 1,
                                        initial.end());
    setFrame(QStringLiteral("选择要还原的备份"), 430, 300);
    addLabel(this, QStringLiteral("请选择要还原的备份（默认为最近一次有账簿的备份）："),
             QRect(12, 8, 400, 24));
    list_ = new QTableWidget(static_cast<int>(rows.size()), 3, this);
    list_->setObjectName(QStringLiteral("generations"));
    list_->setGeometry(12, 36, 406, 210);
    list_->setHorizontalHeaderLabels(
        {QStringLiteral("备份时间"), QStringLiteral("账簿"), QStringLiteral("大小")});
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const QStringList columns =
            fromGbk(rows[static_cast<std::size_t>(row)]).split(QLatin1Char('\t'));
        for (int column = 0; column < 3; ++column) {
            auto* item =
                new QTableWidgetItem(column < columns.size() ? columns[column] : QString());
            if (column > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            list_->setItem(row, column, item);
        }
    }
    fitColumns(list_, {210, 80, 90});
    if (!rows.empty()) list_->selectRow(chosen >= 0 && chosen < list_->rowCount() ? chosen : 0);

    QPushButton* ok = addButton(this, QStringLiteral("确定"), QRect(246, 260, 80, 26));
    connectButtons(ok, addButton(this, QStringLiteral("取消"), QRect(338, 260, 80, 26)));
    connect(list_, &QTableWidget::cellDoubleClicked, ok, &QPushButton::click);
}

QStringList RestoreChoiceDialog::fieldTexts() const {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    return {QString::number(selected.isEmpty() ? -1 : selected.first().row())};
}

}  // namespace qinghe::ui
