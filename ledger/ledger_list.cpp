#include "ledger/ledger_list.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "common/exact_sum.h"
#include "common/money_text.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "ledger/ledger_texts.h"
#include "ledger/ledger_view.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe::ledger {

namespace {

struct RegistryRecord {
    std::int32_t recordNumber = 0;
    std::int32_t number = 0;
    std::string name;
    std::string saveTo;
    double created = 0;
};

std::vector<RegistryRecord> readRegistry(store::TableStore& tables, UserInteraction& user) {
    std::vector<RegistryRecord> records;
    const int number = tables.fieldNumber(tables::field::kNumber);
    const int name = tables.fieldNumber(tables::field::kName);
    const int saveTo = tables.fieldNumber(tables::field::kSaveTo);
    const int created = tables.fieldNumber(tables::field::kCreateTime);
    tables.first();
    const std::int32_t count = tables.recordCount();
    for (std::int32_t i = 0; i < count; ++i) {
        RegistryRecord& record = records.emplace_back();
        record.recordNumber = tables.recordNumber();
        record.number =
            static_cast<std::int32_t>(store::toInteger(tables::readField(tables, user, number)));
        record.name = store::toText(tables::readField(tables, user, name));
        record.saveTo = store::toText(tables::readField(tables, user, saveTo));
        record.created = store::toDate(tables::readField(tables, user, created));
        tables.skip(1);
    }
    return records;
}

void showFigures(LedgerRow& row, const LedgerFigures& figures) {
    row.figures = figures;
    row.pending = false;
    row.entries = integerToText(figures.entries);
    // Day 0 is what an empty table gives, so it reads as "no entry".
    row.latest = dateToText(figures.latest);
    if (row.latest == "1899-12-30") row.latest = entry::kNoText;
    row.income = moneyText(figures.income);
    row.expense = moneyText(figures.expense);
    row.balance = moneyText(exactTotal({figures.income, -figures.expense}));
}

void setPlaceholders(LedgerRow& row) {
    row.entries = "0";
    row.latest = entry::kNoText;
    row.income = row.expense = row.balance = "0";
}

void showDamaged(LedgerRow& row) {
    setPlaceholders(row);
    row.pending = false;
    row.damaged = true;
    row.name += kDamagedMark;
}

std::filesystem::path cacheFile(const AppState& state) {
    return state.cacheFolder.empty() ? std::filesystem::path()
                                     : FiguresCache::fileIn(state.cacheFolder);
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The labels under the list: the exact totals of every ledger, each rounded
// once as the rows round theirs, so that one ledger's row and the labels agree.
void makeSummary(LedgerList& list) {
    if (!list.anyDataFile) return;
    ExactSum income, expense, balance;
    for (const LedgerRow& row : list.rows) {
        if (!row.figures) continue;
        income.add(row.figures->income);
        expense.add(row.figures->expense);
        balance.add(row.figures->income);
        balance.subtract(row.figures->expense);
    }
    list.summary = LedgerSummary{integerToText(static_cast<std::int64_t>(list.rows.size())),
                                 moneyText(income.value()), moneyText(expense.value()),
                                 moneyText(balance.value())};
}

void saveIfChanged(AppState& state, FiguresCache& cache) {
    // Only a help: a cache that cannot be written is read anew next time.
    const std::filesystem::path file = cacheFile(state);
    if (cache.changed() && !file.empty()) static_cast<void>(cache.save(file));
}

// Puts the figures into their row and the cache; true when none is pending.
bool arrive(LedgerList& list, const FiguresJob& job, const std::optional<LedgerFigures>& figures,
            FiguresCache& cache) {
    const auto it = std::find_if(list.pending.begin(), list.pending.end(),
                                 [&](const FiguresJob& other) { return other.row == job.row; });
    if (it == list.pending.end() || job.row >= list.rows.size()) return list.pending.empty();
    LedgerRow& row = list.rows[job.row];
    if (figures) {
        showFigures(row, *figures);
        // Kept only when the file is still as it was listed: a change while it
        // was read would otherwise be hidden behind the old stamp.
        if (job.stamp && stampOf(job.table) == job.stamp)
            cache.put(job.saveTo, *job.stamp, *figures, nowNs());
    } else {
        showDamaged(row);
    }
    list.pending.erase(it);
    if (!list.pending.empty()) return false;
    makeSummary(list);
    return true;
}

}  // namespace

LedgerList rebuildLedgerList(AppState& state, FiguresWhen when) {
    LedgerList list;
    if (!ensureRegistryOpen(state)) return list;

    FiguresCache cache = FiguresCache::load(cacheFile(state));
    std::map<std::string, bool> listed;
    for (const RegistryRecord& record : readRegistry(state.tables, state.user)) {
        LedgerRow& row = list.rows.emplace_back();
        row.recordNumber = record.recordNumber;
        row.number = integerToText(record.number);
        row.name = record.name;
        row.created = dateToText(record.created);
        listed[record.saveTo] = true;
        const auto table = tables::storedPathToFile(state.run, record.saveTo, tables::kDataFolder);
        if (!table || !state.files.exists(*table)) {
            setPlaceholders(row);
            continue;
        }
        list.anyDataFile = true;
        const CurrentLedger& open = state.currentLedger;
        if (open.rows && open.saveTo == record.saveTo) {
            showFigures(row, figuresOf(*open.rows));
            continue;
        }
        FiguresJob job{list.rows.size() - 1, *table, record.saveTo, stampOf(*table)};
        if (job.stamp) {
            if (auto figures = cache.find(record.saveTo, *job.stamp)) {
                showFigures(row, *figures);
                continue;
            }
        }
        setPlaceholders(row);
        row.pending = true;
        row.entries = row.latest = row.income = row.expense = row.balance = kCountingMark;
        list.pending.push_back(std::move(job));
    }
    cache.keepOnly(listed);
    if (when == FiguresWhen::Now) {
        const std::vector<FiguresJob> jobs = list.pending;
        for (const FiguresJob& job : jobs)
            arrive(list, job, readLedgerFigures(state.files, job.table), cache);
    }
    saveIfChanged(state, cache);
    if (list.pending.empty()) makeSummary(list);
    return list;
}

bool arriveFigures(AppState& state, LedgerList& list, const FiguresJob& job,
                   const std::optional<LedgerFigures>& figures) {
    FiguresCache cache = FiguresCache::load(cacheFile(state));
    // Opened meanwhile: its rows in memory say best (it may have changed since).
    const CurrentLedger& open = state.currentLedger;
    const bool complete = open.rows && open.saveTo == job.saveTo
                              ? arrive(list, {job.row, job.table, job.saveTo, std::nullopt},
                                       figuresOf(*open.rows), cache)
                              : arrive(list, job, figures, cache);
    saveIfChanged(state, cache);
    return complete;
}

void showRebuiltLedgerList(AppState& state, LedgerView& view) {
    view.showLedgerList(rebuildLedgerList(state, view.figuresWhen()));
}

}  // namespace qinghe::ledger
