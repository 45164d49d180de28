#include "app/ui/page_widgets.h"

#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>

// The icons are compiled into this static library: without a reference the
// linker would leave their registration out of the program.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace qinghe::ui {

QIcon programIcon(const char* name) {
    static const bool registered = (registerIcons(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

QLabel* addPicture(QWidget* parent, const char* iconName, const QRect& geometry) {
    auto* picture = new QLabel(parent);
    picture->setGeometry(geometry);
    picture->setPixmap(programIcon(iconName).pixmap(geometry.size()));
    return picture;
}

QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

QLabel* addHint(QWidget* parent, const QString& text) {
    QLabel* hint = addLabel(parent, text, QRect(76, 24, 713, 35));
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return hint;
}

QToolButton* addImageButton(QWidget* parent, const char* iconName, const QString& caption, int x,
                            int y) {
    auto* button = new QToolButton(parent);
    button->setGeometry(x, y, 64, 64);
    button->setIcon(programIcon(iconName));
    button->setIconSize(QSize(32, 32));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    return button;
}

QTableView* addListView(QWidget* parent, const QStringList& headers, const QList<int>& widths,
                        const QRect& geometry) {
    auto* view = new QTableView(parent);
    view->setGeometry(geometry);
    auto* model = new QStandardItemModel(0, int(headers.size()), view);
    model->setHorizontalHeaderLabels(headers);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < widths.size(); ++column)
        view->setColumnWidth(column, widths[column]);
    return view;
}

QStandardItemModel* listModel(QTableView* view) {
    return static_cast<QStandardItemModel*>(view->model());
}

}  // namespace qinghe::ui
