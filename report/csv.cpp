#include "report/csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>

#include "common/gbk.h"
#include "common/money_text.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "report/export_file.h"
#include "report/period_index.h"
#include "report/periods.h"
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
    // A UTF-8 character takes at most this many bytes for one GBK byte.
    static constexpr std::size_t kMostBytesPerByte = 3;

    static const GbkTable& get() {
        static const GbkTable table;
        return table;
    }

    // Writes the UTF-8 of `gbk` at `out`, which has room for
    // kMostBytesPerByte bytes a byte; returns the end of what it wrote.
    // `special` tells whether it holds a character CSV quotes for (always a
    // single byte: second bytes of GBK are 0x40 and above).
    char* convert(std::string_view gbk, char* out, bool& special) const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
        const std::size_t size = gbk.size();
        for (std::size_t i = 0; i < size;) {
            const unsigned char c = bytes[i];
            if (c < 0x80) {
                special = special || c == ',' || c == '"' || c == '\r' || c == '\n';
                *out++ = static_cast<char>(c);
                ++i;
                continue;
            }
            const Utf8* character = nullptr;
            std::size_t length = 1;
            if (isGbkLeadByte(c) && i + 1 < size) {
                const unsigned char trail = bytes[i + 1];
                character = trail >= kFirstTrail && trail <= kLastTrail
                                ? &pairs_[pairIndex(c, trail)]
                                : &singles_[0];  // never a character
                length = 2;
            } else {
                character = &singles_[c];
            }
            if (character->length == 0) {
                // As gbkToUtf8Lossy: a well-formed pair without a character is
                // one unknown character; a lead byte without a proper trail
                // byte is replaced alone, and what follows it is read anew.
                std::memcpy(out, kReplacement.data(), kReplacement.size());
                out += kReplacement.size();
                if (length == 2 && !isTrailByte(bytes[i + 1])) length = 1;
            } else {
                std::memcpy(out, character->bytes, sizeof character->bytes);
                out += character->length;
            }
            i += length;
        }
        return out;
    }

    std::string convert(std::string_view gbk) const {
        std::string utf8(gbk.size() * kMostBytesPerByte, '\0');
        bool special = false;
        utf8.resize(static_cast<std::size_t>(convert(gbk, utf8.data(), special) - utf8.data()));
        return utf8;
    }

  private:
    struct Utf8 {
        char bytes[3] = {};
        std::uint8_t length = 0;
    };

    // Second bytes that can make a character; the table holds only pairs of
    // these (96 KiB: the common characters stay in the processor's cache).
    static constexpr unsigned kFirstTrail = 0x40;
    static constexpr unsigned kLastTrail = 0xFE;
    static constexpr unsigned kTrails = kLastTrail - kFirstTrail + 1;
    static std::size_t pairIndex(unsigned lead, unsigned trail) {
        return (lead - 0x81) * kTrails + (trail - kFirstTrail);
    }

    GbkTable() : pairs_(std::make_unique<Utf8[]>(126 * kTrails)) {
        // singles_[0] stays empty: it stands for every pair that is no character.
        for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
            const char single[] = {static_cast<char>(lead)};
            keep(std::string_view(single, 1), singles_[lead]);
        }
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
                const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
                keep(std::string_view(pair, 2), pairs_[pairIndex(lead, trail)]);
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
    for (const char c : field) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
    }
    return false;
}

std::string quotedField(std::string_view field) {
    std::string text = "\"";
    for (char c : field) {
        if (c == '"') text += '"';
        text += c;
    }
    text += '"';
    return text;
}

// A field as written: UTF-8, quoted where it needs it.
std::string fieldOf(std::string_view gbk) {
    std::string utf8 = GbkTable::get().convert(gbk);
    return needsQuotes(utf8) ? quotedField(utf8) : utf8;
}

char* writeDigits(char* out, int value, int width) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<int>(end - digits);
    for (int i = length; i < width; ++i) *out++ = '0';
    std::memcpy(out, digits, static_cast<std::size_t>(length));
    return out + length;
}

// A period in the form a spreadsheet reads: 2015-05-09, 2015-05 or 2015.
std::size_t writePeriod(char* out, double date, int unit) {
    const CivilDate civil = civilFromDate(date);
    char* at = writeDigits(out, civil.year, 4);
    if (unit != kYearUnit) {
        *at++ = '-';
        at = writeDigits(at, civil.month, 2);
        if (unit != kMonthUnit) {
            *at++ = '-';
            at = writeDigits(at, civil.day, 2);
        }
    }
    return static_cast<std::size_t>(at - out);
}

// A fixed-point double takes at most 3xx digits.
constexpr std::size_t kMostAmountBytes = 400;

// Whole cents below this are written without std::to_chars.
constexpr double kCentsLimit = 1e13;

// An amount that is exactly a number of cents (as typed amounts are): the
// shortest text that reads back as it is "units.cc" without trailing zeros,
// which is what std::to_chars would write, made faster. Nothing otherwise.
char* writeCents(double value, char* out) {
    if (!(std::fabs(value) < kCentsLimit)) return nullptr;
    const double scaled = value * 100;
    const auto cents = static_cast<long long>(scaled + (scaled < 0 ? -0.5 : 0.5));
    if (static_cast<double>(cents) / 100 != value) return nullptr;
    unsigned long long magnitude = cents < 0 ? 0ull - static_cast<unsigned long long>(cents)
                                             : static_cast<unsigned long long>(cents);
    if (cents < 0) *out++ = '-';
    out = std::to_chars(out, out + 24, magnitude / 100).ptr;
    const unsigned fraction = static_cast<unsigned>(magnitude % 100);
    if (fraction != 0) {
        *out++ = '.';
        *out++ = static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) *out++ = static_cast<char>('0' + fraction % 10);
    }
    return out;
}

// The fields of the names in use (items, members), converted once while one
// file is written. A name is found by where the rows keep its text and how
// long it is: while the rows are being read they do not change.
class NameFields {
  public:
    std::string_view field(std::string_view gbk) {
        const auto key = reinterpret_cast<std::uintptr_t>(gbk.data());
        if (key == lastKey_ && gbk.size() == lastSize_) return lastField_;
        // Pointers are at least 2-aligned for long texts; the length keeps
        // two texts at one place apart.
        const std::uint64_t slot = (std::uint64_t{key} << 16) ^ gbk.size();
        std::uint32_t at = index_.find(slot);
        if (at == PeriodIndex::kMissing) {
            at = static_cast<std::uint32_t>(fields_.size());
            index_.insert(slot, at);
            fields_.push_back(fieldOf(gbk));
        }
        lastKey_ = key;
        lastSize_ = gbk.size();
        lastField_ = fields_[at];
        return lastField_;
    }

  private:
    PeriodIndex index_;
    std::deque<std::string> fields_;  // never moves what lastField_ views
    std::uintptr_t lastKey_ = 0;
    std::size_t lastSize_ = 0;
    std::string_view lastField_;
};

char* putAmount(char* out, double value);

}  // namespace

CsvWriter::CsvWriter() {
    append(kByteOrderMark);
}

CsvWriter::CsvWriter(Sink sink) : sink_(std::move(sink)) {
    // A piece and the longest row after it: the buffer never grows again.
    out_.resize(2 * kPiece);
    append(kByteOrderMark);
}

void CsvWriter::grow(std::size_t bytes) {
    out_.resize(std::max(out_.size() * 2, used_ + bytes + 256));
}

void CsvWriter::handOver() {
    if (!sinkFailed_) sinkFailed_ = !sink_(std::string_view(out_.data(), used_));
    used_ = 0;
}

bool CsvWriter::finish() {
    if (sink_ && used_ > 0 && !sinkFailed_)
        sinkFailed_ = !sink_(std::string_view(out_.data(), used_));
    used_ = 0;
    return !sinkFailed_;
}

std::string CsvWriter::take() {
    out_.resize(used_);
    used_ = 0;
    return std::move(out_);
}

void CsvWriter::finishField(std::size_t start) {
    const std::string_view field(out_.data() + start, used_ - start);
    if (!needsQuotes(field)) return;
    const std::string text = quotedField(field);
    used_ = start;
    append(text);
}

void CsvWriter::text(std::string_view gbk) {
    separate();
    const std::size_t start = used_;
    char* at = room(gbk.size() * GbkTable::kMostBytesPerByte);
    bool special = false;
    used_ = static_cast<std::size_t>(GbkTable::get().convert(gbk, at, special) - out_.data());
    if (special) finishField(start);
}

void CsvWriter::utf8(std::string_view text) {
    separate();
    const std::size_t start = used_;
    append(text);
    finishField(start);
}

void CsvWriter::integer(std::int64_t value) {
    separate();
    char* at = room(24);
    used_ = static_cast<std::size_t>(std::to_chars(at, at + 24, value).ptr - out_.data());
}

void CsvWriter::amount(double value) {
    separate();
    char* at = room(kMostAmountBytes);
    used_ = static_cast<std::size_t>(putAmount(at, value) - out_.data());
}

void CsvWriter::total(double value) {
    // The cents the lists show (one rounding everywhere), with every digit:
    // 111114111011.11 stays, where a list's 13 digits would cut it.
    amount(roundMoney(value));
}

void CsvWriter::date(double value) {
    separate();
    const std::int64_t day = calendarDay(value);
    if (lastDateLength_ == 0 || day != lastDay_) {
        lastDay_ = day;
        lastDateLength_ = writePeriod(lastDateText_, value, kDayUnit);
    }
    append(std::string_view(lastDateText_, lastDateLength_));
}

namespace {

char* putBytes(char* out, std::string_view bytes) {
    std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
}

// A stored text as its field; room for kMostBytesPerByte * 2 + 2 bytes a byte.
char* putText(char* out, std::string_view gbk) {
    bool special = false;
    char* end = GbkTable::get().convert(gbk, out, special);
    if (!special) return end;
    const std::string text = quotedField(std::string_view(out, std::size_t(end - out)));
    return putBytes(out, text);
}

// The last day written and its text: a day's entries mostly follow each other.
class DateTexts {
  public:
    char* put(char* out, double date) {
        const std::int64_t day = calendarDay(date);
        if (length_ == 0 || day != day_) {
            day_ = day;
            length_ = writePeriod(text_, date, kDayUnit);
        }
        return putBytes(out, std::string_view(text_, length_));
    }

  private:
    std::int64_t day_ = 0;
    char text_[16] = {};
    std::size_t length_ = 0;
};

char* putAmount(char* out, double value) {
    if (value == 0) value = 0;  // no "-0"
    if (char* end = writeCents(value, out)) return end;
    return std::to_chars(out, out + kMostAmountBytes, value, std::chars_format::fixed).ptr;
}

void writeEntries(CsvWriter& csv, const LedgerRows& rows,
                  const std::vector<std::uint32_t>* matches) {
    for (const std::string* header :
         {&kRecordHeader, &kDateHeader, &kDirectionHeader, &kItemHeader, &kAmountHeader,
          &kMemberHeader, &kNoteHeader, &kVoucherHeader}) {
        csv.text(*header);
    }
    csv.endRow();
    // The texts every row repeats, converted once.
    const std::string income = fieldOf(entry::kIncomeText), expense = fieldOf(entry::kExpenseText);
    const std::string yes = fieldOf(entry::kYesText), no = fieldOf(entry::kNoText);
    NameFields items, members;
    DateTexts dates;
    const std::size_t count = matches ? matches->size() : rows.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t row = matches ? (*matches)[i] : i;
        if (row >= rows.size()) continue;
        const std::string_view direction = rows.income(row) ? income : expense;
        const std::string_view item = items.field(rows.item(row));
        const std::string_view member = members.field(rows.member(row));
        const std::string_view note = rows.note(row);
        const std::string_view voucher = rows.hasVoucher(row) ? yes : no;
        // Numbers, the date, separators and the line end take far less than 64.
        const std::size_t most = 64 + kMostAmountBytes + direction.size() + item.size() +
                                 member.size() + voucher.size() +
                                 (2 * GbkTable::kMostBytesPerByte * note.size() + 2);
        char* out = csv.beginRow(most);
        out = std::to_chars(out, out + 24, static_cast<std::int64_t>(row) + 1).ptr;
        *out++ = ',';
        out = dates.put(out, rows.date(row));
        *out++ = ',';
        out = putBytes(out, direction);
        *out++ = ',';
        out = putBytes(out, item);
        *out++ = ',';
        out = putAmount(out, rows.amount(row));
        *out++ = ',';
        out = putBytes(out, member);
        *out++ = ',';
        out = putText(out, note);
        *out++ = ',';
        out = putBytes(out, voucher);
        *out++ = '\r';
        *out++ = '\n';
        csv.endRowAt(out);
    }
}

}  // namespace

std::string entriesCsv(const LedgerRows& rows, const std::vector<std::uint32_t>* matches) {
    CsvWriter csv;
    writeEntries(csv, rows, matches);
    return csv.take();
}

bool writeEntriesCsv(const std::filesystem::path& file, const LedgerRows& rows,
                     const std::vector<std::uint32_t>* matches) {
    ExportFile out(file);
    CsvWriter csv([&out](std::string_view bytes) { return out.write(bytes); });
    writeEntries(csv, rows, matches);
    return csv.finish() && out.commit();
}

std::string statisticsCsv(const Statistics& statistics) {
    CsvWriter csv;
    for (const std::string* header : {&kDateHeader, &kDirectionHeader, &kAmountHeader})
        csv.text(*header);
    csv.endRow();
    for (const StatRow& row : statistics.rows) {
        const StatRecord& record = statistics.statList[row.element];
        char period[16];
        csv.utf8(std::string_view(period, writePeriod(period, record.date, statistics.unit)));
        csv.text(row.direction);
        csv.total(record.amount);
        csv.endRow();
    }
    return csv.take();
}

}  // namespace qinghe::report
