#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/ledger_rows.h"
#include "report/statistics.h"

namespace qinghe::report {

// CSV as the common spreadsheet programs open it: UTF-8 with a byte-order
// mark, lines ended by CRLF, a header row, fields quoted as RFC 4180 says
// (only where they hold a comma, a quote or a line break; quotes doubled),
// amounts as exact numbers with a dot, dates as YYYY-MM-DD.
class CsvWriter {
  public:
    // Where finished pieces go; false stops the writing.
    using Sink = std::function<bool(std::string_view bytes)>;

    // Keeps everything in memory, for take().
    CsvWriter();
    // Hands the bytes to `sink` in pieces of about kPiece bytes as rows end,
    // and the rest on finish(): a file of any length needs no more memory.
    explicit CsvWriter(Sink sink);
    static constexpr std::size_t kPiece = 64 * 1024;

    // A stored text (GBK) as UTF-8; bytes that are no GBK become U+FFFD.
    void text(std::string_view gbk);
    // Text that is UTF-8 already.
    void utf8(std::string_view text);
    // A field made already: UTF-8, quoted where it needs it.
    void field(std::string_view prepared) {
        separate();
        append(prepared);
    }
    void integer(std::int64_t value);
    // The shortest text that reads back as exactly this number, never in
    // exponent form: 12.345 stays 12.345.
    void amount(double value);
    // A total: rounded to cents as the lists round it, so that 0.1 + 0.2 shows
    // 0.3, with all of its digits.
    void total(double value);
    // YYYY-MM-DD (the year with four digits); the time of day is left out.
    void date(double value);
    void endRow() {
        append("\r\n");
        firstField_ = true;
        if (sink_ && used_ >= kPiece) handOver();
    }

    // A whole row at once, for many rows: room for `most` bytes at the
    // returned cursor, then endRowAt() with where the row ended (its line
    // end written).
    char* beginRow(std::size_t most) {
        separate();
        return room(most);
    }
    void endRowAt(char* end) {
        used_ = static_cast<std::size_t>(end - out_.data());
        firstField_ = true;
        if (sink_ && used_ >= kPiece) handOver();
    }

    std::string take();
    // Hands the rest to the sink; false when the sink refused any piece.
    [[nodiscard]] bool finish();

  private:
    void separate() {
        if (!firstField_) {
            *room(1) = ',';
            ++used_;
        }
        firstField_ = false;
    }
    // Room for `bytes` more; the pointer where they go.
    char* room(std::size_t bytes) {
        if (out_.size() - used_ < bytes) grow(bytes);
        return out_.data() + used_;
    }
    void grow(std::size_t bytes);
    void append(std::string_view bytes) {
        char* at = room(bytes.size());
        // Fields are short: a loop beats a call.
        for (const char c : bytes) *at++ = c;
        used_ += bytes.size();
    }
    // The piece so far to the sink.
    void handOver();
    // Quotes the field that starts at `start` when it needs it.
    void finishField(std::size_t start);

    // Written bytes are out_[0, used_): the buffer grows ahead of them, so
    // that a character costs a store, not a call.
    std::string out_;
    std::size_t used_ = 0;
    Sink sink_;
    bool sinkFailed_ = false;
    bool firstField_ = true;
    // The last date written and its text: a day's entries mostly follow each other.
    std::int64_t lastDay_ = 0;
    char lastDateText_[16] = {};
    std::size_t lastDateLength_ = 0;
};

// Entries as CSV: 记录号, 日期, 方向, 项目, 金额, 成员, 备注, 票据附录; the rows
// listed in `matches` (in their order), or every row when it is null.
std::string entriesCsv(const LedgerRows& rows, const std::vector<std::uint32_t>* matches);
// The same written to a file as it is made, replacing the file whole
// (ExportFile); false when it could not be written.
[[nodiscard]] bool writeEntriesCsv(const std::filesystem::path& file, const LedgerRows& rows,
                                   const std::vector<std::uint32_t>* matches);

// The rows of a statistics list as CSV: 日期 (its period: YYYY-MM-DD, YYYY-MM
// or YYYY), 方向, 金额 (its exact total).
std::string statisticsCsv(const Statistics& statistics);

}  // namespace qinghe::report
