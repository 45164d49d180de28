#include "report/ui/statistics_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetrics>
#include <QLineSeries>
#include <QToolTip>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "common/money_text.h"
#include "common/ui/gbk_text.h"

namespace qinghe::ui {

namespace {

// 收入 green, 支出 red, 汇总 blue.
QColor seriesColour(const report::ChartSeries& series) {
    if (series.direction == Direction::Income) return QColor(58, 143, 92);
    if (series.direction == Direction::Expense) return QColor(200, 85, 61);
    return QColor(61, 111, 182);
}

QFont smallFont(int pixels) {
    QFont font;
    font.setPixelSize(pixels);
    return font;
}

// Milliseconds since 1970 of a day count, for the time axis.
qint64 msecsOf(double date) {
    return static_cast<qint64>(std::llround((date - 25569.0) * 86400000.0));
}

}  // namespace

StatisticsChart::StatisticsChart(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    QChart* drawn = chart();
    drawn->setAnimationOptions(QChart::NoAnimation);
    drawn->setBackgroundRoundness(0);
    drawn->setMargins(QMargins(2, 2, 2, 2));
    drawn->legend()->setAlignment(Qt::AlignTop);
    drawn->legend()->setFont(smallFont(11));
    drawn->legend()->setVisible(false);
}

int StatisticsChart::seriesCount() const {
    return static_cast<int>(chart()->series().size());
}

void StatisticsChart::clear() {
    QChart* drawn = chart();
    drawn->removeAllSeries();
    for (QAbstractAxis* axis : drawn->axes()) {
        drawn->removeAxis(axis);
        delete axis;
    }
    drawn->legend()->setVisible(false);
    periods_.clear();
    bars_ = false;
    periodAxis_ = nullptr;
}

void StatisticsChart::showChart(const report::StatChart& chart) {
    clear();
    for (const std::string& period : chart.periods) periods_ << fromGbk(period);
    if (chart.periods.empty() || chart.series.empty()) return;
    if (static_cast<int>(chart.periods.size()) <= kMostBars) {
        drawBars(chart);
    } else {
        drawLines(chart);
    }
    this->chart()->legend()->setVisible(true);
}

void StatisticsChart::addValueAxis(double low, double high) {
    auto* axis = new QValueAxis;
    // From zero, whatever the sign of the amounts; an empty range would draw nothing.
    low = std::min(0.0, low);
    high = std::max(0.0, high);
    if (low == high) high = 1;
    axis->setRange(low, high);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setLabelsFont(smallFont(10));
    axis->setTitleText(QStringLiteral("元"));
    axis->setTitleFont(smallFont(10));
    chart()->addAxis(axis, Qt::AlignLeft);
    for (QAbstractSeries* series : chart()->series()) series->attachAxis(axis);
}

void StatisticsChart::drawBars(const report::StatChart& chart) {
    auto* bars = new QBarSeries;
    double low = 0, high = 0;
    for (const report::ChartSeries& series : chart.series) {
        auto* set = new QBarSet(fromGbk(series.name));
        set->setColor(seriesColour(series));
        set->setBorderColor(seriesColour(series).darker(120));
        for (double value : series.values) {
            // Amounts as shown in the list: to the cent.
            set->append(roundMoney(value));
            low = std::min(low, value);
            high = std::max(high, value);
        }
        set->setLabelColor(Qt::black);
        set->setLabelFont(smallFont(10));
        const QString name = fromGbk(series.name);
        const QStringList& periods = periods_;
        const std::vector<double> values = series.values;
        // The exact amount of the bar under the mouse.
        connect(set, &QBarSet::hovered, this, [name, periods, values](bool over, int index) {
            if (!over || index < 0 || index >= int(values.size())) {
                QToolTip::hideText();
                return;
            }
            QToolTip::showText(QCursor::pos(),
                               periods[index] + QLatin1Char(' ') + name + QLatin1Char(' ') +
                                   fromGbk(moneyText(values[index])) + QStringLiteral("元"));
        });
        bars->append(set);
    }
    const int barCount = int(chart.periods.size() * chart.series.size());
    if (barCount <= kMostLabelledBars) {
        bars->setLabelsVisible(true);
        bars->setLabelsFormat(QStringLiteral("@value"));
        bars->setLabelsPrecision(13);
        bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    }
    this->chart()->addSeries(bars);

    periodAxis_ = new QBarCategoryAxis;
    periodAxis_->setLabelsFont(smallFont(10));
    fitPeriodLabels();
    this->chart()->addAxis(periodAxis_, Qt::AlignBottom);
    bars->attachAxis(periodAxis_);
    // Room above the tallest bar for its amount.
    addValueAxis(low * 1.1, high * 1.15);
    bars_ = true;
}

void StatisticsChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    fitPeriodLabels();
}

void StatisticsChart::fitPeriodLabels() {
    if (periodAxis_ == nullptr || periods_.isEmpty()) return;
    const QFontMetrics metrics(periodAxis_->labelsFont());
    int widest = 0;
    for (const QString& label : periods_)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    // The bars' width: the chart less the value axis at its left and the margins.
    const int valueAxis = metrics.horizontalAdvance(QStringLiteral("-0000000")) + metrics.height();
    const qreal slot = qreal(std::max(1, width() - valueAxis - 16)) / qreal(periods_.size());
    const int gap = 4;
    const bool upright = widest + gap > slot;
    // Standing on end, a label takes a line's height of the width.
    const int needed = upright ? metrics.height() + gap : widest + gap;
    const int step = std::max(1, int(std::ceil(needed / slot)));
    QStringList written;
    for (int at = 0; at < periods_.size(); ++at) {
        // The axis wants its labels distinct: a blank one is a run of
        // zero-width spaces of its own length.
        written << (at % step == 0 ? periods_[at] : QString(at + 1, QChar(0x200B)));
    }
    if (periodAxis_->categories() != written) {
        periodAxis_->clear();
        periodAxis_->append(written);
    }
    periodAxis_->setLabelsAngle(upright ? -90 : 0);
}

QStringList StatisticsChart::writtenPeriodLabels() const {
    QStringList written;
    if (periodAxis_ == nullptr) return written;
    for (const QString& label : periodAxis_->categories()) {
        if (!label.isEmpty() && label[0] != QChar(0x200B)) written << label;
    }
    return written;
}

int StatisticsChart::periodLabelAngle() const {
    return periodAxis_ == nullptr ? 0 : periodAxis_->labelsAngle();
}

void StatisticsChart::drawLines(const report::StatChart& chart) {
    double low = 0, high = 0;
    for (const report::ChartSeries& series : chart.series) {
        auto* line = new QLineSeries;
        line->setName(fromGbk(series.name));
        QPen pen(seriesColour(series));
        pen.setWidthF(1.2);
        line->setPen(pen);
        for (std::size_t i = 0; i < series.values.size(); ++i) {
            line->append(double(msecsOf(chart.periodDates[i])), series.values[i]);
            low = std::min(low, series.values[i]);
            high = std::max(high, series.values[i]);
        }
        this->chart()->addSeries(line);
    }
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("yyyy-MM"));
    time->setTickCount(6);
    time->setLabelsFont(smallFont(10));
    time->setRange(QDateTime::fromMSecsSinceEpoch(msecsOf(chart.periodDates.front()), Qt::UTC),
                   QDateTime::fromMSecsSinceEpoch(msecsOf(chart.periodDates.back()), Qt::UTC));
    this->chart()->addAxis(time, Qt::AlignBottom);
    for (QAbstractSeries* series : this->chart()->series()) series->attachAxis(time);
    addValueAxis(low, high);
}

}  // namespace qinghe::ui
