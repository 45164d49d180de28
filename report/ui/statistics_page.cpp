#include "report/ui/statistics_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"
#include "report/ui/statistics_chart.h"
#include "report/ui/statistics_model.h"

namespace qinghe::ui {

StatisticsPage::StatisticsPage(QWidget* parent) : QWidget(parent) {
    // A larger page: the list grows down, the chart beside it takes the rest.
    new AnchoredLayout(this, QSize(795, 509));
    model_ = new StatisticsModel(this);
    list_ = addListView(this, model_, {80, 50, 100}, QRect(5, 4, 379, 481));
    anchorWidget(list_, {0, 0, 0, 1});

    auto* panel = new QGroupBox(this);
    placeWidget(panel, QRect(390, -1, 394, 486));
    anchorWidget(panel, anchors::kFill);
    new AnchoredLayout(panel, QSize(394, 486));
    addPicture(panel, "statistics", QRect(5, 16, 48, 48));
    addLabel(panel, QStringLiteral("请设定下面的汇总统计条件，软件将为您统计最终数据："),
             QRect(59, 26, 322, 34))
        ->setWordWrap(true);
    ledger_ = addLabel(panel, QStringLiteral("当前账簿："), QRect(59, 72, 322, 24));

    // The two conditions sit closer than drawn, to leave room for the chart.
    auto* time = new QGroupBox(panel);
    placeWidget(time, QRect(13, 100, 368, 50));
    new AnchoredLayout(time, QSize(368, 50));
    addLabel(time, QStringLiteral("时间条件："), QRect(40, 15, 80, 24));
    unit_ = new QComboBox(time);
    placeWidget(unit_, QRect(158, 17, 151, 20));
    unit_->addItems({QStringLiteral("以日为统计单位"), QStringLiteral("以月为统计单位"),
                     QStringLiteral("以年为统计单位")});

    auto* direction = new QGroupBox(panel);
    placeWidget(direction, QRect(13, 156, 368, 50));
    new AnchoredLayout(direction, QSize(368, 50));
    addLabel(direction, QStringLiteral("收支方向条件："), QRect(38, 15, 97, 24));
    kind_ = new QComboBox(direction);
    placeWidget(kind_, QRect(160, 17, 150, 20));
    kind_->addItems({QStringLiteral("汇总"), QStringLiteral("全部"), QStringLiteral("收入"),
                     QStringLiteral("支出")});

    chart_ = new StatisticsChart(panel);
    placeWidget(chart_, QRect(8, 212, 378, 222));
    anchorWidget(chart_, anchors::kFill);

    query_ = new QPushButton(QStringLiteral("查询"), panel);
    placeWidget(query_, QRect(21, 440, 104, 24));
    anchorWidget(query_, anchors::kBottom);
    clear_ = new QPushButton(QStringLiteral("清除"), panel);
    placeWidget(clear_, QRect(146, 440, 104, 24));
    anchorWidget(clear_, anchors::kBottomCentre);
    export_ = new QPushButton(QStringLiteral("导出..."), panel);
    placeWidget(export_, QRect(272, 440, 104, 24));
    anchorWidget(export_, anchors::kBottomRight);
}

}  // namespace qinghe::ui
