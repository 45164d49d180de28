#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "import/bill_table.h"
#include "import/bill_values.h"

namespace qinghe::import {

// The forms of bill the importer knows by their header row.
enum class BillFormat {
    Alipay,     // 支付宝, the current CSV export
    AlipayWeb,  // 支付宝, the older export of its web site
    WeChat,     // 微信支付, the workbook and the older CSV
    Mapped,     // any other table (a bank's statement), read by a column mapping
};

// Which way money went, as the bill says.
enum class Flow { Income, Expense, Neutral };

// The fields a mapping can give a column: the date (or date and time), the
// time, one signed amount or separate income and expense columns, the
// direction, the item (a category), the member, the counterparty and a note.
enum class MappedField {
    Date,
    Time,
    Amount,
    Income,
    Expense,
    Direction,
    Item,
    Member,
    Counterparty,
    Note,
};
inline constexpr std::size_t kMappedFieldCount = 10;
inline constexpr std::array<MappedField, kMappedFieldCount> kMappedFields = {
    MappedField::Date,         MappedField::Time,      MappedField::Amount, MappedField::Income,
    MappedField::Expense,      MappedField::Direction, MappedField::Item,   MappedField::Member,
    MappedField::Counterparty, MappedField::Note};

// English name of a field, as the command line and setup/ name it ("date").
const char* mappedFieldName(MappedField field);
std::optional<MappedField> mappedFieldNamed(std::string_view name);

// A column for each field (none: the field is not in the file).
struct ColumnMapping {
    std::array<std::optional<std::size_t>, kMappedFieldCount> columns{};

    std::optional<std::size_t>& operator[](MappedField field) {
        return columns[static_cast<std::size_t>(field)];
    }
    const std::optional<std::size_t>& operator[](MappedField field) const {
        return columns[static_cast<std::size_t>(field)];
    }
    // Enough to read rows: a date and an amount (signed, or income and expense).
    bool complete() const;
    friend bool operator==(const ColumnMapping&, const ColumnMapping&) = default;
};

// One transaction as a bill states it. Texts are UTF-8 as written.
struct BillRecord {
    std::size_t line = 0;  // where the row is in the file (1-based)
    std::string number;    // the transaction's number (empty when none)
    std::string merchantNumber;
    double dateTime = 0;
    Flow flow = Flow::Expense;
    Money amount;  // without sign
    std::string category;
    std::string counterparty;
    std::string goods;
    std::string status;
    std::string note;    // the bill's own note column
    std::string member;  // a mapped member column only
    // A refund the row itself states for its purchase (the web export's
    // 成功退款 column, 微信支付's "已退款(￥3.00)"); zero when none.
    Money refunded{false, "0"};
    bool refund = false;   // the row is the money of a refund coming back
    bool summary = false;  // a total line at the end of a statement
};

// The header row found in a table, and its format.
struct BillHeader {
    BillFormat format = BillFormat::Mapped;
    std::size_t row = 0;             // index into the table
    std::vector<std::string> names;  // the header's cells, trimmed
};

// Finds the header of a known form among the rows, by its column names,
// wherever it is; nothing when no known header is there.
std::optional<BillHeader> findKnownHeader(const BillTable& table);

// For a table of no known form: the row that best looks like a header (the
// first with as many cells as most rows have, all of them text), or the one
// whose key (headerKey) is `remembered` (a header whose mapping is kept).
std::optional<BillHeader> findMappedHeader(
    const BillTable& table, const std::function<bool(const std::string& key)>& remembered);
// The text a header is remembered by: its names joined with ",".
std::string headerKey(const std::vector<std::string>& names);
// A mapping guessed from a header's names ("交易日期" is the date, "摘要" the
// note, ...), for the user to check.
ColumnMapping guessMapping(const std::vector<std::string>& names);

// A row that cannot be read (a date that does not parse, an amount that is not
// a number): the file cannot be read whole.
struct BadRow {
    std::size_t line = 0;
    enum class What { Date, Amount } what = What::Date;
};

// The transactions below the header, to the first blank row or a separator
// line ("----"); summary lines of a statement ("合计") are kept marked.
std::variant<std::vector<BillRecord>, BadRow> readRecords(const BillTable& table,
                                                          const BillHeader& header,
                                                          const ColumnMapping& mapping);

}  // namespace qinghe::import
