#include "common/ui/page_widgets.h"

#include "common/ui/anchored_layout.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolButton>

// The icons are compiled into this static library: without a reference the
// linker would leave their registration out of the program.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace qinghe::ui {

namespace {

// Refits a view's columns each time its viewport is resized.
class ColumnFitter final : public QObject {
  public:
    ColumnFitter(QTableView* view, QList<int> widths)
        : QObject(view), view_(view), widths_(std::move(widths)) {
        view->viewport()->installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) fit();
        return false;
    }

  private:
    void fit() {
        const QList<int> fitted = fittedColumnWidths(widths_, view_->viewport()->width());
        for (int column = 0; column < fitted.size(); ++column)
            view_->setColumnWidth(column, fitted[column]);
    }

    QTableView* view_;
    QList<int> widths_;
};

}  // namespace

QList<int> fittedColumnWidths(const QList<int>& widths, int available) {
    if (widths.isEmpty() || available <= 0) return widths;
    qint64 total = 0;
    for (int width : widths) total += width;
    QList<int> fitted = widths;
    if (total <= available) {
        fitted.last() += available - static_cast<int>(total);
        return fitted;
    }
    int used = 0;
    for (int column = 0; column + 1 < fitted.size(); ++column) {
        fitted[column] = static_cast<int>(qint64(widths[column]) * available / total);
        used += fitted[column];
    }
    fitted.last() = available - used;
    return fitted;
}

void fitColumns(QTableView* view, const QList<int>& widths) {
    new ColumnFitter(view, widths);
}

QIcon programIcon(const char* name) {
    static const bool registered = (registerIcons(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

QLabel* addPicture(QWidget* parent, const char* iconName, const QRect& geometry) {
    auto* picture = new QLabel(parent);
    placeWidget(picture, geometry);
    picture->setPixmap(programIcon(iconName).pixmap(geometry.size()));
    return picture;
}

QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    placeWidget(label, geometry);
    return label;
}

QLabel* addWrappedLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    QLabel* label = addLabel(parent, text, geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel* addHint(QWidget* parent, const QString& text) {
    QLabel* hint = addWrappedLabel(parent, text, QRect(76, 24, 713, 35));
    anchorWidget(hint, anchors::kFillWidth);
    return hint;
}

QPushButton* addButton(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    placeWidget(button, geometry);
    return button;
}

QLineEdit* addTextBox(QWidget* parent, const QRect& geometry, Echo echo) {
    auto* box = new QLineEdit(parent);
    placeWidget(box, geometry);
    if (echo == Echo::Password) box->setEchoMode(QLineEdit::Password);
    return box;
}

QToolButton* addImageButton(QWidget* parent, const char* iconName, const QString& caption, int x,
                            int y) {
    auto* button = new QToolButton(parent);
    placeWidget(button, QRect(x, y, 64, 64));
    button->setIcon(programIcon(iconName));
    button->setIconSize(QSize(32, 32));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    return button;
}

QTableView* addListView(QWidget* parent, QAbstractItemModel* model, const QList<int>& widths,
                        const QRect& geometry) {
    auto* view = new QTableView(parent);
    placeWidget(view, geometry);
    if (model->parent() == nullptr) model->setParent(view);
    // Before the widths: a new model resets the header's sections.
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
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fitColumns(view, widths);
    return view;
}

QTableView* addListView(QWidget* parent, const QStringList& headers, const QList<int>& widths,
                        const QRect& geometry) {
    auto* model = new QStandardItemModel(0, int(headers.size()));
    model->setHorizontalHeaderLabels(headers);
    return addListView(parent, model, widths, geometry);
}

}  // namespace qinghe::ui
