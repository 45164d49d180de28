#include "ledger/ledger_list.h"

#include "common/money_text.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "ledger/ledger_texts.h"
#include "ledger/ledger_view.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/schemas.h"

namespace qinghe::ledger {

namespace {

struct RegistryRecord {
    std::int32_t recordNumber = 0;
    std::int32_t number = 0;
    std::string name;
    std::string saveTo;
    double created = 0;
};

std::vector<RegistryRecord> readRegistry(store::TableStore& tables) {
    std::vector<RegistryRecord> records;
    const int number = tables.fieldNumber(store::field::kNumber);
    const int name = tables.fieldNumber(store::field::kName);
    const int saveTo = tables.fieldNumber(store::field::kSaveTo);
    const int created = tables.fieldNumber(store::field::kCreateTime);
    tables.first();
    const std::int32_t count = tables.recordCount();
    for (std::int32_t i = 0; i < count; ++i) {
        RegistryRecord& record = records.emplace_back();
        record.recordNumber = tables.recordNumber();
        record.number = static_cast<std::int32_t>(store::toInteger(tables.read(number)));
        record.name = store::toText(tables.read(name));
        record.saveTo = store::toText(tables.read(saveTo));
        record.created = store::toDate(tables.read(created));
        tables.skip(1);
    }
    return records;
}

// The figures of one ledger's entry table; false when it cannot be read, so
// that nothing of another table is shown in its place.
bool fillFigures(AppState& state, const std::filesystem::path& table, LedgerRow& row) {
    auto& tables = state.tables;
    // Only looked at: opened without writing, so that a listing never repairs
    // a file (opening the ledger does, after copying the damaged file aside).
    if (!tables.isOpen(table) &&
        !tables.open(table, "", store::kStorePassword, store::Access::ReadOnly))
        return false;
    if (!tables.select(table.string())) return false;
    const int direction = tables.fieldNumber(store::field::kDirection);
    const int amount = tables.fieldNumber(store::field::kAmount);
    if (!direction || !amount) return false;
    double income = 0;
    double expense = 0;
    tables.first();
    const std::int32_t count = tables.recordCount();
    for (std::int32_t i = 0; i < count; ++i) {
        const double value = store::toDouble(tables.read(amount));
        (store::toInteger(tables.read(direction)) == 1 ? income : expense) += value;
        tables.skip(1);
    }
    row.entries = integerToText(count);
    // Day 0 is what an empty table gives, so it reads as "no entry".
    row.latest = dateToText(tables.latestDate(store::field::kDate));
    if (row.latest == "1899-12-30") row.latest = entry::kNoText;
    row.income = moneyText(income);
    row.expense = moneyText(expense);
    row.balance = moneyText(income - expense);
    return true;
}

void setPlaceholders(LedgerRow& row) {
    row.entries = "0";
    row.latest = entry::kNoText;
    row.income = row.expense = row.balance = "0";
}

}  // namespace

LedgerList rebuildLedgerList(AppState& state) {
    LedgerList list;
    if (!ensureRegistryOpen(state)) return list;

    bool anyDataFile = false;
    for (const RegistryRecord& record : readRegistry(state.tables)) {
        LedgerRow& row = list.rows.emplace_back();
        row.recordNumber = record.recordNumber;
        row.number = integerToText(record.number);
        row.name = record.name;
        row.created = dateToText(record.created);
        const auto table = store::storedPathToFile(state.run, record.saveTo, store::kDataFolder);
        if (!table || !state.files.exists(*table)) {
            setPlaceholders(row);
            continue;
        }
        anyDataFile = true;
        if (!fillFigures(state, *table, row)) {
            setPlaceholders(row);
            row.damaged = true;
            row.name += kDamagedMark;
        }
    }
    if (anyDataFile) {
        double income = 0;
        double expense = 0;
        for (const LedgerRow& row : list.rows) {
            income += textToNumber(row.income);
            expense += textToNumber(row.expense);
        }
        list.summary =
            LedgerSummary{integerToText(static_cast<std::int64_t>(list.rows.size())),
                          moneyText(income), moneyText(expense), moneyText(income - expense)};
    }
    return list;
}

void showRebuiltLedgerList(AppState& state, LedgerView& view) {
    view.showLedgerList(rebuildLedgerList(state));
}

}  // namespace qinghe::ledger
