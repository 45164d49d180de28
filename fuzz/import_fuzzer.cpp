// Hands arbitrary bytes to everything that reads a bill: the recognition of a
// file by its content (text, workbook, ZIP archive, with a password tried and
// found wrong), the encodings, the CSV reader, the workbook's sheet, the
// headers of the known forms and the mapped one, the rows with their amounts
// and dates, and the rules that decide what each row becomes. Whatever the
// bytes, each must read or refuse: no crash, no leak, no hang.
//
// What comes out is checked too: amounts are finite and at most 1e12, a
// refund's kept amount is never more than the purchase, and text made for an
// entry is GBK.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "common/gbk.h"
#include "fuzz/silent_user.h"
#include "import/bill_formats.h"
#include "import/bill_rules.h"
#include "import/bill_source.h"
#include "import/bill_text.h"
#include "import/csv_reader.h"
#include "import/xlsx_sheet.h"

namespace {

using namespace qinghe::import;

[[noreturn]] void wrong(const char* what) {
    std::fprintf(stderr, "import_fuzzer: %s\n", what);
    std::abort();
}

void checkRecords(const std::vector<BillRecord>& records) {
    for (const BillRecord& record : records) {
        if (record.summary) continue;
        const double value = record.amount.value();
        if (!std::isfinite(value) || value < 0 || value > 1e12) wrong("an amount out of range");
    }
    const std::vector<Decision> decisions = decide(records);
    if (decisions.size() != records.size()) wrong("a decision per row");
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (decisions[i].amount.value() > records[i].amount.value())
            wrong("more kept than the row's amount");
        if (decisions[i].purchase && *decisions[i].purchase >= records.size())
            wrong("a refund's purchase out of the rows");
        if (!qinghe::gbkToUtf8(toStoredText(records[i].counterparty).gbk))
            wrong("text for an entry that is no GBK");
    }
}

void readTable(const BillTable& table) {
    if (const auto header = findKnownHeader(table)) {
        const auto read = readRecords(table, *header, {});
        if (const auto* records = std::get_if<std::vector<BillRecord>>(&read))
            checkRecords(*records);
        return;
    }
    const auto header = findMappedHeader(table, {});
    if (!header) return;
    const ColumnMapping guess = guessMapping(header->names);
    for (const auto& column : guess.columns) {
        if (column && *column >= header->names.size()) wrong("a guessed column beyond the header");
    }
    if (!guess.complete()) return;
    const auto read = readRecords(table, *header, guess);
    if (const auto* records = std::get_if<std::vector<BillRecord>>(&read)) checkRecords(*records);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    qinghe::fuzz::SilentUser user;
    int asked = 0;
    auto password = [&asked](bool) -> std::optional<std::string> {
        if (asked++ > 0) return std::nullopt;
        return std::string("123456");
    };
    BillSource source;
    if (openBillBytes(bytes, "fuzz", user, password, source) != SourceOutcome::Opened) return 0;
    if (source.workbook) {
        const auto sheet = readXlsxSheet(source.bytes);
        if (const auto* table = std::get_if<BillTable>(&sheet)) readTable(*table);
        return 0;
    }
    const auto text = decodeBillText(source.bytes);
    if (!text) return 0;
    const auto csv = readCsv(text->utf8);
    if (const auto* table = std::get_if<BillTable>(&csv)) readTable(*table);
    return 0;
}
