#include "report/ui/query_page.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"
#include "entry/ui/typed_date_edit.h"
#include "report/ui/query_result_model.h"

namespace qinghe::ui {
namespace {

QDateEdit* addDateEdit(QWidget* parent, const QRect& geometry) {
    auto* edit = new TypedDateEdit(parent);
    edit->setDate(QDate::currentDate());
    placeWidget(edit, geometry);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    // Every date an entry can bear.
    edit->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    return edit;
}

QComboBox* addChoiceBox(QWidget* parent, const QStringList& choices, const QRect& geometry) {
    auto* box = new QComboBox(parent);
    placeWidget(box, geometry);
    box->addItems(choices);
    return box;
}

}  // namespace

std::optional<Direction> QueryPage::directionAt(int index) {
    switch (index) {
        case 1:
            return Direction::Income;
        case 2:
            return Direction::Expense;
        default:
            return std::nullopt;
    }
}

std::optional<Direction> QueryPage::chosenDirection() const {
    return directionAt(direction_->currentIndex());
}

void QueryPage::showDirection(std::optional<Direction> direction) {
    direction_->setCurrentIndex(!direction ? 0 : *direction == Direction::Income ? 1 : 2);
}

QueryPage::QueryPage(QWidget* parent) : QWidget(parent) {
    // A larger page gives the list the room; the conditions stay above it,
    // the totals and buttons at their right.
    new AnchoredLayout(this, QSize(795, 509));
    auto* conditions = new QGroupBox(QStringLiteral("查询条件："), this);
    placeWidget(conditions, QRect(3, 5, 789, 122));
    anchorWidget(conditions, anchors::kFillWidth);
    new AnchoredLayout(conditions, QSize(789, 122));

    addLabel(conditions, QStringLiteral("时间区间："), QRect(22, 16, 63, 24));
    startDate_ = addDateEdit(conditions, QRect(84, 18, 113, 24));
    addLabel(conditions, QStringLiteral("至"), QRect(204, 13, 25, 32));
    endDate_ = addDateEdit(conditions, QRect(224, 18, 113, 24));
    addLabel(conditions, QStringLiteral("收支方向："), QRect(22, 51, 63, 24));
    direction_ = addChoiceBox(conditions,
                              {QStringLiteral("全部"), QStringLiteral("收"), QStringLiteral("支")},
                              QRect(84, 54, 113, 20));
    addLabel(conditions, QStringLiteral("成员范围："), QRect(23, 83, 63, 24));
    member_ = addChoiceBox(conditions, {QStringLiteral("全部")}, QRect(84, 86, 113, 20));
    addLabel(conditions, QStringLiteral("项目范围："), QRect(204, 53, 65, 24));
    item_ = addChoiceBox(conditions, {QStringLiteral("全部")}, QRect(267, 56, 242, 20));
    // Wider than drawn (57): the caption is 60 pixels; the box starts at 267.
    addLabel(conditions, QStringLiteral("备注检索："), QRect(204, 84, 63, 24));
    note_ = new QLineEdit(conditions);
    placeWidget(note_, QRect(267, 87, 242, 20));

    // The quick ranges sit staggered in two rows, as drawn.
    const struct {
        const char16_t* text;
        QRect geometry;
    } quickRanges[] = {
        {u"今天", QRect(349, 24, 24, 24)}, {u"昨天", QRect(376, 7, 24, 24)},
        {u"本月", QRect(404, 24, 24, 24)}, {u"上月", QRect(432, 8, 24, 24)},
        {u"本年", QRect(464, 24, 24, 24)}, {u"去年", QRect(493, 8, 24, 24)},
    };
    for (const auto& range : quickRanges) {
        QLabel* label = addLabel(conditions, QString::fromUtf16(range.text), range.geometry);
        label->setCursor(Qt::PointingHandCursor);
        quickRanges_.append(label);
    }

    ledger_ = addLabel(conditions, QStringLiteral("当前账簿："), QRect(541, 14, 235, 20));
    total_ = addLabel(conditions, QStringLiteral("当前累计：0元"), QRect(541, 40, 235, 20));
    query_ = new QPushButton(QStringLiteral("查询"), conditions);
    placeWidget(query_, QRect(558, 74, 96, 32));
    export_ = new QPushButton(QStringLiteral("导出结果..."), conditions);
    placeWidget(export_, QRect(674, 74, 96, 32));
    for (QWidget* right : {static_cast<QWidget*>(ledger_), static_cast<QWidget*>(total_),
                           static_cast<QWidget*>(query_), static_cast<QWidget*>(export_)})
        anchorWidget(right, anchors::kRight);

    model_ = new QueryResultModel(this);
    list_ = addListView(this, model_, {80, 60, 150, 100, 80, 250, 80}, QRect(2, 131, 790, 355));
    anchorWidget(list_, anchors::kFill);
    sortByHeaderClicks(list_, model_);
}

}  // namespace qinghe::ui
