#include "report/csv.h"

#include <array>
#include <charconv>
#include <cstring>
#include <memory>

#include "common/gbk.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "report/report_texts.h"

namespace qinghe::report {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool isTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// GBK to UTF-8 by table: every double-byte character converted once by
// iconv, the first time a file is written; a note then costs a lookup a
// character instead of a call into iconv.
class GbkTable {
  public:
    static const GbkTable& get() {
        static const GbkTable table;
        return table;
    }

    void append(std::string_view gbk, std::string& out) const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
        const std::size_t size = gbk.size();
        std::size_t plain = 0;  // start of the ASCII run not yet copied
        for (std::size_t i = 0; i < size;) {
            const unsigned char c = bytes[i];
            if (c < 0x80) {
                ++i;
                continue;
            }
            out.append(gbk.data() + plain, i - plain);
            const Utf8* character = nullptr;
            std::size_t length = 1;
            if (isGbkLeadByte(c) && i + 1 < size) {
                character = &pairs_[(std::size_t{c} << 8) | bytes[i + 1]];
                length = 2;
            } else {
                character = &singles_[c];
            }
            if (character->length == 0) {
                // As gbkToUtf8Lossy: a well-formed pair without a character is
                // one unknown character; a lead byte without a proper trail
                // byte is replaced alone, and what follows it is read anew.
                out.append(kReplacement);
                if (length == 2 && !isTrailByte(bytes[i + 1])) length = 1;
            } else {
                out.append(character->bytes, character->length);
            }
            i += length;
            plain = i;
        }
        out.append(gbk.data() + plain, size - plain);
    }

  private:
    struct Utf8 {
        char bytes[3] = {};
        std::uint8_t length = 0;
    };

    GbkTable() : pairs_(std::make_unique<Utf8[]>(65536)) {
        for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
            const char single[] = {static_cast<char>(lead)};
            keep(std::string_view(single, 1), singles_[lead]);
        }
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
                keep(std::string_view(pair, 2), pairs_[(lead << 8) | trail]);
            }
        }
    }

    static void keep(std::string_view gbk, Utf8& slot) {
        const auto utf8 = gbkToUtf8(gbk);
        // Code page 936 lies inside the Basic Multilingual Plane: three bytes at most.
        if (!utf8 || utf8->empty() || utf8->size() > 3) return;
        std::memcpy(slot.bytes, utf8->data(), utf8->size());
        slot.length = static_cast<std::uint8_t>(utf8->size());
    }

    std::array<Utf8, 256> singles_{};
    std::unique_ptr<Utf8[]> pairs_;
};

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void appendDigits(std::string& out, int value, int width) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    for (int i = length; i < width; ++i) out += '0';
    out.append(digits, end);
}

// A period in the form a spreadsheet reads: 2015-05-09, 2015-05 or 2015.
void appendPeriod(std::string& out, double date, int unit) {
    const CivilDate civil = civilFromDate(date);
    appendDigits(out, civil.year, 4);
    if (unit == kYearUnit) return;
    out += '-';
    appendDigits(out, civil.month, 2);
    if (unit == kMonthUnit) return;
    out += '-';
    appendDigits(out, civil.day, 2);
}

}  // namespace

CsvWriter::CsvWriter() : out_(kByteOrderMark) {}

void CsvWriter::separate() {
    if (!firstField_) out_ += ',';
    firstField_ = false;
}

void CsvWriter::finishField(std::size_t start) {
    const std::string_view field = std::string_view(out_).substr(start);
    if (!needsQuotes(field)) return;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    out_.replace(start, std::string::npos, quoted);
}

void CsvWriter::text(std::string_view gbk) {
    separate();
    const std::size_t start = out_.size();
    GbkTable::get().append(gbk, out_);
    finishField(start);
}

void CsvWriter::utf8(std::string_view text) {
    separate();
    const std::size_t start = out_.size();
    out_.append(text);
    finishField(start);
}

void CsvWriter::integer(std::int64_t value) {
    separate();
    char digits[24];
    out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void CsvWriter::amount(double value) {
    separate();
    if (value == 0) value = 0;  // no "-0"
    char digits[400];           // a fixed-point double needs at most 3xx digits
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    out_.append(digits, result.ptr);
}

void CsvWriter::total(double value) {
    separate();
    out_ += numberToText(value);
}

void CsvWriter::date(double value) {
    separate();
    appendPeriod(out_, value, kDayUnit);
}

void CsvWriter::endRow() {
    out_ += "\r\n";
    firstField_ = true;
}

std::string entriesCsv(const LedgerRows& rows, const std::vector<std::uint32_t>* matches) {
    CsvWriter csv;
    const std::size_t count = matches ? matches->size() : rows.size();
    // About what a household's row takes: one growth of the buffer at most.
    csv.reserve(count * 96 + 128);
    for (const char* header : {kRecordHeader, kDateHeader, kDirectionHeader, kItemHeader,
                               kAmountHeader, kMemberHeader, kNoteHeader, kVoucherHeader}) {
        csv.text(header);
    }
    csv.endRow();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t row = matches ? (*matches)[i] : i;
        if (row >= rows.size()) continue;
        csv.integer(static_cast<std::int64_t>(row) + 1);
        csv.date(rows.date(row));
        csv.text(rows.income(row) ? entry::kIncomeText : entry::kExpenseText);
        csv.text(rows.item(row));
        csv.amount(rows.amount(row));
        csv.text(rows.member(row));
        csv.text(rows.note(row));
        csv.text(rows.hasVoucher(row) ? entry::kYesText : entry::kNoText);
        csv.endRow();
    }
    return csv.take();
}

std::string statisticsCsv(const Statistics& statistics) {
    CsvWriter csv;
    for (const char* header : {kDateHeader, kDirectionHeader, kAmountHeader}) csv.text(header);
    csv.endRow();
    for (const StatRow& row : statistics.rows) {
        const StatRecord& record = statistics.statList[row.element];
        std::string period;
        appendPeriod(period, record.date, statistics.unit);
        csv.utf8(period);
        csv.text(row.direction);
        csv.total(record.amount);
        csv.endRow();
    }
    return csv.take();
}

}  // namespace qinghe::report
