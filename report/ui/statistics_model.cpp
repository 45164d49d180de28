#include "report/ui/statistics_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>

#include "common/ole_date.h"
#include "common/ui/gbk_text.h"

namespace qinghe::ui {

namespace {

constexpr int kColumns = 3;

// A period as a number in date order: the day, year * 12 + month, or the year.
std::int64_t periodOrder(double date, int unit) {
    if (unit == report::kDayUnit) return static_cast<std::int64_t>(std::floor(date));
    const CivilDate civil = civilFromDate(date);
    return unit == report::kMonthUnit ? std::int64_t{civil.year} * 12 + civil.month : civil.year;
}

}  // namespace

void putRowsInDateOrder(report::Statistics& statistics) {
    const auto key = [&](const report::StatRow& row) {
        const report::StatRecord& record = statistics.statList[row.element];
        return std::make_tuple(periodOrder(record.date, statistics.unit),
                               record.direction == Direction::Income ? 0 : 1);
    };
    std::stable_sort(
        statistics.rows.begin(), statistics.rows.end(),
        [&](const report::StatRow& a, const report::StatRow& b) { return key(a) < key(b); });
}

StatisticsModel::StatisticsModel(QObject* parent) : QAbstractTableModel(parent) {}

void StatisticsModel::setStatistics(std::shared_ptr<const report::Statistics> statistics) {
    beginResetModel();
    statistics_ = std::move(statistics);
    endResetModel();
}

int StatisticsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !statistics_) return 0;
    return static_cast<int>(statistics_->rows.size());
}

int StatisticsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant StatisticsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        !statistics_) {
        return {};
    }
    const report::StatRow& row = statistics_->rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case 0:
            return fromGbk(row.period);
        case 1:
            return fromGbk(row.direction);
        default:
            return fromGbk(row.amount);
    }
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char16_t* const kHeaders[] = {u"日期", u"方向", u"金额"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf16(kHeaders[section]);
}

}  // namespace qinghe::ui
