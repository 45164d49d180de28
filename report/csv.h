#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/statistics.h"
#include "session/ledger_rows.h"

namespace qinghe::report {

// CSV as the common spreadsheet programs open it: UTF-8 with a byte-order
// mark, lines ended by CRLF, a header row, fields quoted as RFC 4180 says
// (only where they hold a comma, a quote or a line break; quotes doubled),
// amounts as exact numbers with a dot, dates as YYYY-MM-DD.
class CsvWriter {
  public:
    CsvWriter();

    // A stored text (GBK) as UTF-8; bytes that are no GBK become U+FFFD.
    void text(std::string_view gbk);
    // Text that is UTF-8 already.
    void utf8(std::string_view text);
    void integer(std::int64_t value);
    // The shortest text that reads back as exactly this number, never in
    // exponent form: 12.345 stays 12.345.
    void amount(double value);
    // A total: at most 13 significant digits, so that 0.1 + 0.2 shows 0.3.
    void total(double value);
    // YYYY-MM-DD (the year with four digits); the time of day is left out.
    void date(double value);
    void endRow();

    const std::string& bytes() const { return out_; }
    std::string take() { return std::move(out_); }
    void reserve(std::size_t bytes) { out_.reserve(bytes); }

  private:
    void separate();
    // Quotes the field that starts at `start` when it needs it.
    void finishField(std::size_t start);

    std::string out_;
    bool firstField_ = true;
};

// Entries as CSV: 记录号, 日期, 方向, 项目, 金额, 成员, 备注, 票据附录; the rows
// listed in `matches` (in their order), or every row when it is null.
std::string entriesCsv(const LedgerRows& rows, const std::vector<std::uint32_t>* matches);

// The rows of a statistics list as CSV: 日期 (its period: YYYY-MM-DD, YYYY-MM
// or YYYY), 方向, 金额 (its exact total).
std::string statisticsCsv(const Statistics& statistics);

}  // namespace qinghe::report
