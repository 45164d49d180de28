#include "import/bill_formats.h"

#include <algorithm>
#include <map>

#include "import/bill_text.h"

namespace qinghe::import {

namespace {

// A header name as compared: trimmed, full-width parentheses as ASCII ones,
// no spaces inside.
std::string normalName(std::string_view name) {
    std::string out;
    name = trimCell(name);
    for (std::size_t i = 0; i < name.size();) {
        if (name.substr(i).starts_with("\xEF\xBC\x88")) {  // （
            out += '(';
            i += 3;
        } else if (name.substr(i).starts_with("\xEF\xBC\x89")) {  // ）
            out += ')';
            i += 3;
        } else if (name[i] == ' ') {
            ++i;
        } else {
            out += name[i++];
        }
    }
    return out;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The columns of a known form: each field's header name; the first ones are
// required to recognise the form.
struct FormSpec {
    BillFormat format;
    std::vector<std::string_view> required;
};

const std::vector<FormSpec>& formSpecs() {
    static const std::vector<FormSpec> specs = {
        {BillFormat::Alipay,
         {"交易时间", "交易分类", "交易对方", "商品说明", "收/支", "金额", "交易状态",
          "交易订单号"}},
        {BillFormat::AlipayWeb,
         {"交易号", "交易创建时间", "类型", "交易对方", "商品名称", "金额(元)", "收/支",
          "交易状态"}},
        {BillFormat::WeChat,
         {"交易时间", "交易类型", "交易对方", "商品", "收/支", "金额(元)", "当前状态", "交易单号"}},
    };
    return specs;
}

std::vector<std::string> rowNames(const TableRow& row) {
    std::vector<std::string> names;
    names.reserve(row.cells.size());
    for (const Cell& cell : row.cells) names.push_back(normalName(cell.text));
    // Trailing empty cells (the apps end lines with commas) are no columns.
    while (!names.empty() && names.back().empty()) names.pop_back();
    return names;
}

// The column of a name, if the header has it.
std::optional<std::size_t> columnNamed(const std::vector<std::string>& names,
                                       std::string_view name) {
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) return std::nullopt;
    return static_cast<std::size_t>(it - names.begin());
}

const Cell kEmptyCell{};

const Cell& cellAt(const TableRow& row, std::optional<std::size_t> column) {
    if (!column || *column >= row.cells.size()) return kEmptyCell;
    return row.cells[*column];
}

std::string textAt(const TableRow& row, std::optional<std::size_t> column) {
    return std::string(trimCell(cellAt(row, column).text));
}

bool blankRow(const TableRow& row) {
    return std::all_of(row.cells.begin(), row.cells.end(),
                       [](const Cell& cell) { return trimCell(cell.text).empty(); });
}

// The end of a table's data: a blank row, or a line of dashes or a note
// ("#") that the apps put after their rows.
bool endOfData(const TableRow& row) {
    if (blankRow(row)) return true;
    for (const Cell& cell : row.cells) {
        const std::string_view text = trimCell(cell.text);
        if (text.empty()) continue;
        return text.starts_with("---") || text.starts_with("#");
    }
    return false;
}

bool hasDigit(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// 微信支付's state of a purchase refunded in part: "已退款(￥3.00)", "已退款￥3.00".
std::optional<Money> statedRefund(std::string_view status) {
    const std::size_t at = status.find("已退款");
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = status.substr(at + std::string_view("已退款").size());
    std::string amount;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if ((c >= '0' && c <= '9') || c == '.') {
            amount += c;
        } else if (!amount.empty()) {
            break;
        }
    }
    if (amount.empty()) return std::nullopt;
    return parseMoney({amount, false});
}

using Records = std::variant<std::vector<BillRecord>, BadRow>;

// The rows of a known form, by its column names.
Records readKnown(const BillTable& table, const BillHeader& header) {
    const auto& n = header.names;
    const bool web = header.format == BillFormat::AlipayWeb;
    const bool weChat = header.format == BillFormat::WeChat;
    const auto date = columnNamed(n, web ? "交易创建时间" : "交易时间");
    const auto paid = web ? columnNamed(n, "付款时间") : std::nullopt;
    const auto category = columnNamed(n, web ? "类型" : weChat ? "交易类型" : "交易分类");
    const auto counterparty = columnNamed(n, "交易对方");
    const auto goods = columnNamed(n, web ? "商品名称" : weChat ? "商品" : "商品说明");
    const auto flow = columnNamed(n, "收/支");
    const auto amount = columnNamed(n, web || weChat ? "金额(元)" : "金额");
    const auto status = columnNamed(n, weChat ? "当前状态" : "交易状态");
    const auto number = columnNamed(n, web ? "交易号" : weChat ? "交易单号" : "交易订单号");
    const auto merchant = columnNamed(n, weChat ? "商户单号" : "商家订单号");
    const auto note = columnNamed(n, "备注");
    const auto refunded = web ? columnNamed(n, "成功退款(元)") : std::nullopt;
    const auto funds = web ? columnNamed(n, "资金状态") : std::nullopt;

    std::vector<BillRecord> records;
    for (std::size_t i = header.row + 1; i < table.size(); ++i) {
        const TableRow& row = table[i];
        if (endOfData(row)) break;
        BillRecord record;
        record.line = row.line;
        const Cell& when =
            paid && !textAt(row, paid).empty() ? cellAt(row, paid) : cellAt(row, date);
        const auto dateTime = parseBillDateTime(when);
        if (!dateTime) return BadRow{row.line, BadRow::What::Date};
        record.dateTime = *dateTime;
        const auto money = parseMoney(cellAt(row, amount));
        if (!money) return BadRow{row.line, BadRow::What::Amount};
        record.amount = *money;
        record.amount.negative = false;
        record.category = textAt(row, category);
        record.counterparty = textAt(row, counterparty);
        record.goods = textAt(row, goods);
        record.status = textAt(row, status);
        record.number = textAt(row, number);
        record.merchantNumber = textAt(row, merchant);
        record.note = textAt(row, note);
        const std::string direction = textAt(row, flow);
        const std::string fundsText = web ? textAt(row, funds) : std::string();
        if (direction == "收入") {
            record.flow = Flow::Income;
        } else if (direction == "支出") {
            record.flow = Flow::Expense;
        } else if (web && direction.empty() && fundsText == "已支出") {
            record.flow = Flow::Expense;
        } else if (web && direction.empty() && fundsText == "已收入") {
            record.flow = Flow::Income;
        } else {
            record.flow = Flow::Neutral;  // 不计收支, "/", or nothing said
        }
        // Moving money between one's own accounts is neither.
        if (contains(record.category, "提现") || contains(record.category, "理财"))
            record.flow = Flow::Neutral;
        record.refund = record.flow != Flow::Expense &&
                        (contains(record.status, "退款") || contains(record.category, "退款") ||
                         record.goods.starts_with("退款"));
        if (record.flow == Flow::Expense) {
            if (refunded) {
                if (const auto back = parseMoney(cellAt(row, refunded)); back && !back->isZero())
                    record.refunded = *back;
            } else if (contains(record.status, "全额退款")) {
                record.refunded = record.amount;
            } else if (const auto back = statedRefund(record.status)) {
                record.refunded = *back;
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

// Income or expense as a direction column says it.
std::optional<Flow> flowNamed(std::string_view text) {
    text = trimCell(text);
    if (text.empty()) return std::nullopt;
    for (const std::string_view word : {"收", "入", "贷", "存", "+"}) {
        if (contains(text, word)) return Flow::Income;
    }
    for (const std::string_view word : {"支", "出", "借", "取", "付", "-"}) {
        if (contains(text, word)) return Flow::Expense;
    }
    return std::nullopt;
}

Records readMapped(const BillTable& table, const BillHeader& header, const ColumnMapping& map) {
    std::vector<BillRecord> records;
    for (std::size_t i = header.row + 1; i < table.size(); ++i) {
        const TableRow& row = table[i];
        if (endOfData(row)) break;
        BillRecord record;
        record.line = row.line;
        const Cell& dateCell = cellAt(row, map[MappedField::Date]);
        const std::string_view dateText = trimCell(dateCell.text);
        if (!dateCell.number && !hasDigit(dateText)) {
            // "合计", "本页小计": a statement's totals, no transaction.
            record.summary = true;
            record.note = std::string(dateText);
            records.push_back(std::move(record));
            continue;
        }
        const Cell* timeCell =
            map[MappedField::Time] ? &cellAt(row, map[MappedField::Time]) : nullptr;
        const auto dateTime = parseBillDateTime(dateCell, timeCell);
        if (!dateTime) return BadRow{row.line, BadRow::What::Date};
        record.dateTime = *dateTime;

        std::optional<Money> money;
        std::optional<Flow> flow;
        if (map[MappedField::Amount]) {
            money = parseMoney(cellAt(row, map[MappedField::Amount]));
            if (money) flow = money->negative ? Flow::Expense : Flow::Income;
        } else {
            const std::string income = textAt(row, map[MappedField::Income]);
            const std::string expense = textAt(row, map[MappedField::Expense]);
            const auto in = income.empty() ? std::nullopt : parseMoney({income, false});
            const auto out = expense.empty() ? std::nullopt : parseMoney({expense, false});
            if ((!income.empty() && !in) || (!expense.empty() && !out))
                return BadRow{row.line, BadRow::What::Amount};
            if (in && !in->isZero()) {
                money = in;
                flow = in->negative ? Flow::Expense : Flow::Income;
            } else if (out && !out->isZero()) {
                money = out;
                flow = Flow::Expense;
            } else if (in || out) {
                money = in ? in : out;
                flow = Flow::Expense;
            }
        }
        if (!money) return BadRow{row.line, BadRow::What::Amount};
        record.amount = *money;
        record.amount.negative = false;
        if (map[MappedField::Direction]) {
            if (const auto said = flowNamed(textAt(row, map[MappedField::Direction]))) flow = said;
        }
        record.flow = flow.value_or(Flow::Expense);
        record.category = textAt(row, map[MappedField::Item]);
        record.member = textAt(row, map[MappedField::Member]);
        record.counterparty = textAt(row, map[MappedField::Counterparty]);
        record.note = textAt(row, map[MappedField::Note]);
        // A statement has no transaction numbers: the row's own text stands
        // for it (the importer makes a key of it).
        for (const Cell& cell : row.cells) {
            record.number += trimCell(cell.text);
            record.number += '\x1F';
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

const char* mappedFieldName(MappedField field) {
    static const char* names[] = {"date",      "time", "amount", "income",       "expense",
                                  "direction", "item", "member", "counterparty", "note"};
    return names[static_cast<std::size_t>(field)];
}

std::optional<MappedField> mappedFieldNamed(std::string_view name) {
    for (const MappedField field : kMappedFields) {
        if (name == mappedFieldName(field)) return field;
    }
    return std::nullopt;
}

bool ColumnMapping::complete() const {
    return (*this)[MappedField::Date] &&
           ((*this)[MappedField::Amount] ||
            ((*this)[MappedField::Income] && (*this)[MappedField::Expense]));
}

std::optional<BillHeader> findKnownHeader(const BillTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TableRow& row = table[i];
        if (row.cells.size() < 8) continue;
        std::vector<std::string> names = rowNames(row);
        for (const FormSpec& spec : formSpecs()) {
            const bool all = std::all_of(
                spec.required.begin(), spec.required.end(),
                [&](std::string_view name) { return columnNamed(names, name).has_value(); });
            if (all) return BillHeader{spec.format, i, std::move(names)};
        }
    }
    return std::nullopt;
}

std::string headerKey(const std::vector<std::string>& names) {
    std::string key;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) key += ',';
        key += names[i];
    }
    return key;
}

std::optional<BillHeader> findMappedHeader(
    const BillTable& table, const std::function<bool(const std::string& key)>& remembered) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::vector<std::string> names = rowNames(table[i]);
        if (names.empty()) continue;
        if (remembered && remembered(headerKey(names)))
            return BillHeader{BillFormat::Mapped, i, std::move(names)};
    }
    // The count of cells most rows have: the width of the statement's table.
    std::map<std::size_t, std::size_t> widths;
    for (const TableRow& row : table) {
        const std::size_t width = rowNames(row).size();
        if (width >= 2) ++widths[width];
    }
    if (widths.empty()) return std::nullopt;
    const std::size_t width =
        std::max_element(widths.begin(), widths.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::vector<std::string> names = rowNames(table[i]);
        if (names.size() != width) continue;
        const bool allText = std::none_of(
            table[i].cells.begin(), table[i].cells.end(),
            [](const Cell& cell) { return cell.number || parseMoney(cell).has_value(); });
        if (allText) return BillHeader{BillFormat::Mapped, i, std::move(names)};
    }
    return std::nullopt;
}

ColumnMapping guessMapping(const std::vector<std::string>& names) {
    ColumnMapping mapping;
    // Each field takes the first column whose name holds one of its words;
    // earlier fields first, so that "交易时间" is the date when there is no
    // "日期", and the time only otherwise.
    const std::vector<std::pair<MappedField, std::vector<std::string_view>>> words = {
        {MappedField::Date, {"日期", "交易时间", "记账时间", "时间", "Date", "date"}},
        {MappedField::Time, {"时间"}},
        {MappedField::Income, {"收入", "贷方", "存入"}},
        {MappedField::Expense, {"支出", "借方", "取出"}},
        {MappedField::Amount, {"金额", "发生额", "Amount", "amount"}},
        {MappedField::Direction, {"收/支", "收支", "借贷", "方向"}},
        {MappedField::Item, {"类型", "分类", "类别"}},
        {MappedField::Member, {"成员", "持卡人"}},
        {MappedField::Counterparty, {"对方户名", "对方名称", "交易对方", "对方", "商户"}},
        {MappedField::Note, {"摘要", "用途", "备注", "附言", "说明"}},
    };
    std::vector<bool> used(names.size(), false);
    for (const auto& [field, candidates] : words) {
        for (const std::string_view word : candidates) {
            if (mapping[field]) break;
            for (std::size_t column = 0; column < names.size(); ++column) {
                if (used[column] || !contains(names[column], word)) continue;
                // A balance is no amount of a transaction.
                if (contains(names[column], "余额")) continue;
                mapping[field] = column;
                used[column] = true;
                break;
            }
        }
    }
    // Separate columns only in pairs; otherwise one signed amount.
    if (!mapping[MappedField::Income] || !mapping[MappedField::Expense]) {
        mapping[MappedField::Income].reset();
        mapping[MappedField::Expense].reset();
    } else {
        mapping[MappedField::Amount].reset();
    }
    return mapping;
}

std::variant<std::vector<BillRecord>, BadRow> readRecords(const BillTable& table,
                                                          const BillHeader& header,
                                                          const ColumnMapping& mapping) {
    if (header.format == BillFormat::Mapped) return readMapped(table, header, mapping);
    return readKnown(table, header);
}

}  // namespace qinghe::import
