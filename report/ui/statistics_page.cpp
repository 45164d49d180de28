#include "report/ui/statistics_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "common/ui/page_widgets.h"
#include "report/ui/statistics_chart.h"
#include "report/ui/statistics_model.h"

namespace qinghe::ui {

StatisticsPage::StatisticsPage(QWidget* parent) : QWidget(parent) {
    model_ = new StatisticsModel(this);
    list_ = addListView(this, model_, {80, 50, 100}, QRect(5, 4, 379, 481));

    auto* panel = new QGroupBox(this);
    panel->setGeometry(390, -1, 394, 486);
    addPicture(panel, "statistics", QRect(5, 16, 48, 48));
    addLabel(panel, QStringLiteral("请设定下面的汇总统计条件，软件将为您统计最终数据："),
             QRect(59, 26, 322, 34))
        ->setWordWrap(true);
    ledger_ = addLabel(panel, QStringLiteral("当前账簿："), QRect(59, 72, 322, 24));

    // The two conditions sit closer than drawn, to leave room for the chart.
    auto* time = new QGroupBox(panel);
    time->setGeometry(13, 100, 368, 50);
    addLabel(time, QStringLiteral("时间条件："), QRect(40, 15, 80, 24));
    unit_ = new QComboBox(time);
    unit_->setGeometry(158, 17, 151, 20);
    unit_->addItems({QStringLiteral("以日为统计单位"), QStringLiteral("以月为统计单位"),
                     QStringLiteral("以年为统计单位")});

    auto* direction = new QGroupBox(panel);
    direction->setGeometry(13, 156, 368, 50);
    addLabel(direction, QStringLiteral("收支方向条件："), QRect(38, 15, 97, 24));
    kind_ = new QComboBox(direction);
    kind_->setGeometry(160, 17, 150, 20);
    kind_->addItems({QStringLiteral("汇总"), QStringLiteral("全部"), QStringLiteral("收入"),
                     QStringLiteral("支出")});

    chart_ = new StatisticsChart(panel);
    chart_->setGeometry(8, 212, 378, 222);

    query_ = new QPushButton(QStringLiteral("查询"), panel);
    query_->setGeometry(21, 440, 104, 24);
    clear_ = new QPushButton(QStringLiteral("清除"), panel);
    clear_->setGeometry(146, 440, 104, 24);
    export_ = new QPushButton(QStringLiteral("导出..."), panel);
    export_->setGeometry(272, 440, 104, 24);
}

}  // namespace qinghe::ui
