#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/non_interactive_user.h"
#include "common/temporary_folder.h"
#include "entry/entry_list.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_list.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "store/schemas.h"
#include "store/table_store.h"

// The ledger and entry lists against the table walks under them: filling the
// 记账 and 查账 lists of a ledger of many years, and rebuilding the ledger list
// of a household with several ledgers, each beside a bare walk of the store
// that reads the same fields of the same records and keeps nothing. Every
// table is opened and walked once first, so both sides find the store's
// caches warm, as they are while the program shows a ledger.

namespace {

namespace fs = std::filesystem;
namespace field = qinghe::store::field;
using qinghe::AppState;
using Stopwatch = std::chrono::steady_clock;

constexpr int kBigLedgerEntries = 100000;
constexpr int kHouseholdLedgers = 10;
constexpr int kHouseholdEntries = 10000;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "ledger benchmark setup failed: %s\n", what.c_str());
    std::exit(1);
}

std::string gbk(const char* utf8) {
    auto text = qinghe::utf8ToGbk(utf8);
    if (!text) fail(std::string("not GBK: ") + utf8);
    return *text;
}

// --- entries -------------------------------------------------------------------

// Texts as a household types them, in GBK: four-character items, two-character
// members, notes of none to twenty characters.
struct Texts {
    std::vector<std::string> incomeItems;
    std::vector<std::string> expenseItems;
    std::vector<std::string> members;
    std::vector<std::string> notes;

    static const Texts& get() {
        static const Texts texts;
        return texts;
    }

  private:
    Texts() {
        for (const char* item : {"工资收入", "年终奖金", "理财收益"})
            incomeItems.push_back(gbk(item));
        for (const char* item : {"餐饮外卖", "交通出行", "日用百货", "房租物业", "水电燃气",
                                 "医疗保健", "子女教育", "休闲娱乐", "人情往来"}) {
            expenseItems.push_back(gbk(item));
        }
        for (const char* member : {"爸爸", "妈妈", "孩子", "全家", "爷爷", "奶奶"}) {
            members.push_back(gbk(member));
        }
        for (const char* note :
             {"", "超市", "地铁月票充值", "", "和朋友聚餐人均一百元",
              "孩子学校课外辅导班学费秋季学期", "", "缴纳第二季度房租及物业管理费收据在抽屉",
              "看病挂号费", "年底单位发的奖金存入银行定期一年利率约二"}) {
            notes.push_back(gbk(note));
        }
    }
};

// Entry i of `count`: dates spread evenly over ten years, an income now and
// then, amounts with cents, a voucher for every tenth.
bool appendEntry(qinghe::store::TableStore& tables, int i, int count) {
    const Texts& texts = Texts::get();
    const bool income = i % 8 == 0;
    const auto& items = income ? texts.incomeItems : texts.expenseItems;
    const double date = std::floor(40000.0 + static_cast<double>(i) * 3652.0 / count);
    const double amount = static_cast<double>(1 + (i * 7919) % 500000) / 100.0;
    return tables.append() && tables.write(field::kDate, qinghe::store::DateTime{date}) &&
           tables.write(field::kDirection, std::int32_t{income ? 1 : 2}) &&
           tables.write(field::kItem, items[i % items.size()]) &&
           tables.write(field::kAmount, amount) &&
           tables.write(field::kMember, texts.members[i % texts.members.size()]) &&
           tables.write(field::kNote, texts.notes[i % texts.notes.size()]) &&
           tables.write(field::kHasVoucher, i % 10 == 0);
}

// --- a run directory -------------------------------------------------------------

// A fresh run directory below TMPDIR (or /tmp), removed with its contents at exit.
class TempRunDirectory : public qinghe::TemporaryFolder {
  public:
    TempRunDirectory() : TemporaryFolder("qinghe-ledger-bench-") {
        if (!made()) fail("cannot make a temporary folder");
    }
};

// One run of the program over its own run directory, holding ledgers made as
// the program makes them (enciphered entry tables under the registry).
class Household {
  public:
    Household() : state_(qinghe::RunDirectory(folder_.path()), files_, clock_, user_) {
        if (!qinghe::ledger::createRegistry(state_)) fail("creating the registry");
    }

    AppState& state() { return state_; }

    // A new ledger with `count` entries; its entry table.
    fs::path addLedger(const std::string& name, int count) {
        if (qinghe::ledger::createLedger(state_, gbk(name.c_str()), "") !=
            qinghe::ledger::CreateLedgerResult::Created) {
            fail("creating ledger " + name);
        }
        const fs::path table = folder_.path() / "data" / (name + ".edb");
        auto& tables = state_.tables;
        if (!tables.open(table, "", qinghe::store::kStorePassword)) fail("opening " + name);
        for (int i = 0; i < count; ++i) {
            if (!appendEntry(tables, i, count)) fail("filling " + name);
        }
        if (!tables.sync()) fail("syncing " + name);
        tables.close();
        return table;
    }

  private:
    // Declared first: removed last, after every table is closed.
    TempRunDirectory folder_;
    qinghe::store::PosixFileSystem files_;
    qinghe::FixedClock clock_{42136.5};
    qinghe::NonInteractiveUser user_;
    AppState state_;
};

// --- the bare walks ----------------------------------------------------------------

// The seven fields the entry lists show, read from every record of the current
// table and dropped; the number of records.
std::int64_t walkSevenFields(qinghe::store::TableStore& tables) {
    const int fields[] = {
        tables.fieldNumber(field::kDate),       tables.fieldNumber(field::kDirection),
        tables.fieldNumber(field::kItem),       tables.fieldNumber(field::kAmount),
        tables.fieldNumber(field::kMember),     tables.fieldNumber(field::kNote),
        tables.fieldNumber(field::kHasVoucher),
    };
    tables.first();
    const std::int32_t count = tables.recordCount();
    for (std::int32_t i = 0; i < count; ++i) {
        for (const int number : fields) {
            qinghe::store::Value value = tables.read(number);
            benchmark::DoNotOptimize(value);
        }
        tables.skip();
    }
    return count;
}

// What the ledger list needs of one table: direction and amount of every
// record, and the latest date.
std::int64_t walkFigures(qinghe::store::TableStore& tables) {
    const int direction = tables.fieldNumber(field::kDirection);
    const int amount = tables.fieldNumber(field::kAmount);
    tables.first();
    const std::int32_t count = tables.recordCount();
    for (std::int32_t i = 0; i < count; ++i) {
        qinghe::store::Value d = tables.read(direction);
        qinghe::store::Value a = tables.read(amount);
        benchmark::DoNotOptimize(d);
        benchmark::DoNotOptimize(a);
        tables.skip();
    }
    double latest = tables.latestDate(field::kDate);
    benchmark::DoNotOptimize(latest);
    return count;
}

// --- the lists -----------------------------------------------------------------------

// The pages of the main window reduced to keeping the rows they are given, as
// the list models do.
class KeepingView final : public qinghe::entry::EntryListView {
  public:
    void showEntryList(std::shared_ptr<const qinghe::LedgerRows> rows,
                       const qinghe::entry::EntryLabels& labels) override {
        entryRows = std::move(rows);
        entryLabels = labels;
    }
    void showQueryList(std::shared_ptr<const qinghe::LedgerRows> rows) override {
        queryRows = std::move(rows);
    }
    void entryAdded(std::size_t, const qinghe::entry::EntryLabels&) override {}
    void entryChanged(std::size_t, const qinghe::entry::EntryLabels&) override {}
    void entryRemoved(std::size_t, const qinghe::entry::EntryLabels&) override {}

    std::size_t shownRows() const {
        return (entryRows ? entryRows->size() : 0) + (queryRows ? queryRows->size() : 0);
    }

    std::shared_ptr<const qinghe::LedgerRows> entryRows;
    std::shared_ptr<const qinghe::LedgerRows> queryRows;
    qinghe::entry::EntryLabels entryLabels;
};

// The ledger of many years, opened and walked once.
struct BigLedger {
    Household household;
    fs::path table;

    static BigLedger& get() {
        static BigLedger ledger;
        return ledger;
    }

  private:
    BigLedger() {
        std::fprintf(stderr, "preparing a ledger of %d entries\n", kBigLedgerEntries);
        table = household.addLedger("家庭账本", kBigLedgerEntries);
        auto& tables = household.state().tables;
        if (!tables.open(table, "", qinghe::store::kStorePassword)) fail("opening the ledger");
        if (walkSevenFields(tables) != kBigLedgerEntries) fail("walking the ledger");
    }
};

// Selects the big ledger's table, as the lists do before they walk it, and
// walks it bare.
bool bareWalkBigLedger() {
    BigLedger& ledger = BigLedger::get();
    auto& tables = ledger.household.state().tables;
    return tables.select(ledger.table.string()) && walkSevenFields(tables) == kBigLedgerEntries;
}

double seconds(Stopwatch::time_point start, Stopwatch::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

// Times `work` as the iteration, and `walks` bare walks right before it in the
// same iteration, so that both meet the same load on a busy machine. Reports
// bare_ms (one bare walk) and ratio (the work against all its bare walks).
// Each returns false when it came short.
void againstBareWalks(benchmark::State& state, int walks, const std::function<bool()>& bareWalk,
                      const std::function<bool()>& work) {
    double bareSeconds = 0;
    double workSeconds = 0;
    for (auto _ : state) {
        const auto start = Stopwatch::now();
        bool complete = true;
        for (int i = 0; i < walks; ++i) complete = bareWalk() && complete;
        const auto middle = Stopwatch::now();
        complete = work() && complete;
        const auto end = Stopwatch::now();
        if (!complete) {
            state.SkipWithError("came short");
            return;
        }
        bareSeconds += seconds(start, middle);
        workSeconds += seconds(middle, end);
        state.SetIterationTime(seconds(middle, end));
    }
    const auto iterations = static_cast<double>(state.iterations());
    if (iterations > 0 && bareSeconds > 0) {
        state.counters["bare_ms"] = bareSeconds * 1000 / (iterations * walks);
        state.counters["ratio"] = workSeconds / bareSeconds;
    }
}

// After opening a ledger and after every change of its entries the program
// fills both lists; the two calls walk the table twice.
void BM_FillEntryListThenQueryList(benchmark::State& state) {
    BigLedger& ledger = BigLedger::get();
    AppState& app = ledger.household.state();
    KeepingView view;
    againstBareWalks(state, 2, bareWalkBigLedger, [&] {
        app.currentLedger.saveTo = "\\data\\家庭账本.edb";
        app.currentLedger.rows.reset();
        qinghe::entry::fillEntryList(app, view);
        qinghe::entry::fillQueryList(app, view);
        return view.shownRows() == 2 * kBigLedgerEntries;
    });
    state.SetItemsProcessed(state.iterations() * kBigLedgerEntries);
}
BENCHMARK(BM_FillEntryListThenQueryList)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both lists from one walk.
void BM_FillEntryAndQueryLists(benchmark::State& state) {
    BigLedger& ledger = BigLedger::get();
    AppState& app = ledger.household.state();
    KeepingView view;
    againstBareWalks(state, 1, bareWalkBigLedger, [&] {
        app.currentLedger.saveTo = "\\data\\家庭账本.edb";
        app.currentLedger.rows.reset();
        qinghe::entry::fillEntryAndQueryLists(app, view);
        return view.shownRows() == 2 * kBigLedgerEntries;
    });
    state.SetItemsProcessed(state.iterations() * kBigLedgerEntries);
}
BENCHMARK(BM_FillEntryAndQueryLists)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- the ledger list ---------------------------------------------------------------

// A household of several ledgers, listed once so that every table is open.
struct ManyLedgers {
    Household household;
    std::vector<fs::path> tables;

    static ManyLedgers& get() {
        static ManyLedgers ledgers;
        return ledgers;
    }

  private:
    ManyLedgers() {
        std::fprintf(stderr, "preparing %d ledgers of %d entries\n", kHouseholdLedgers,
                     kHouseholdEntries);
        for (int i = 1; i <= kHouseholdLedgers; ++i) {
            tables.push_back(household.addLedger("账本" + std::to_string(i), kHouseholdEntries));
        }
        if (qinghe::ledger::rebuildLedgerList(household.state()).rows.size() !=
            static_cast<std::size_t>(kHouseholdLedgers)) {
            fail("listing the ledgers");
        }
    }
};

// Direction and amount of every record of every ledger, and its latest date.
bool bareWalkHousehold() {
    ManyLedgers& ledgers = ManyLedgers::get();
    auto& tables = ledgers.household.state().tables;
    std::int64_t records = 0;
    for (const fs::path& table : ledgers.tables) {
        if (!tables.select(table.string())) return false;
        records += walkFigures(tables);
    }
    return records == kHouseholdLedgers * kHouseholdEntries;
}

// The ledger page shows the list after start-up and after every change of a
// ledger.
void BM_RebuildLedgerList(benchmark::State& state) {
    AppState& app = ManyLedgers::get().household.state();
    againstBareWalks(state, 1, bareWalkHousehold, [&] {
        qinghe::ledger::LedgerList list = qinghe::ledger::rebuildLedgerList(app);
        benchmark::DoNotOptimize(list);
        return list.rows.size() == static_cast<std::size_t>(kHouseholdLedgers) &&
               list.summary.has_value();
    });
    state.SetItemsProcessed(state.iterations() * kHouseholdLedgers * kHouseholdEntries);
}
BENCHMARK(BM_RebuildLedgerList)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
