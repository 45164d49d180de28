#include "app/shortcuts_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/shortcut_list.h"

namespace qinghe::ui {

ShortcutsDialog::ShortcutsDialog(QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(this)) {
    setWindowTitle(QStringLiteral("快捷键列表"));
    const QList<ShortcutLine> lines = shortcutLines();
    table_->setColumnCount(3);
    table_->setRowCount(int(lines.size()));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("按键"), QStringLiteral("使用场合"), QStringLiteral("作用")});
    for (int row = 0; row < int(lines.size()); ++row) {
        const ShortcutLine& line = lines[row];
        table_->setItem(row, 0, new QTableWidgetItem(line.keys));
        table_->setItem(row, 1, new QTableWidgetItem(line.where));
        table_->setItem(row, 2, new QTableWidgetItem(line.action));
    }
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->verticalHeader()->hide();
    table_->resizeColumnsToContents();
    table_->resizeRowsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    // Every line without scrolling, at whatever size the text is.
    const int frame = 2 * table_->frameWidth();
    table_->setMinimumSize(table_->horizontalHeader()->length() + frame + 8,
                           table_->horizontalHeader()->sizeHint().height() +
                               table_->verticalHeader()->length() + frame);
}

}  // namespace qinghe::ui
