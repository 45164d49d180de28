// The bill import against the plain append of the same entries, both sides in
// one process, alternating (paired.h), on a ledger of 100,000 entries:
//
//   BM_ImportAgainstAppend: importing a 支付宝 bill of 10,000 rows (reading
//   the file, the preview's rows with their rules and duplicate checks, the
//   one change of the table and the numbers beside it) against appending the
//   same 10,000 entries in one change. The goal: at most 1.5 times.
//   BM_OpenPreview: reading that bill into the preview's rows, as the window
//   does before it shows them (the goal: under 0.3 s).
//
// Data like a family's: short notes, a third of them empty; a few refunds and
// neutral rows.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/paired.h"
#include "common/clock.h"
#include "common/gbk.h"
#include "common/non_interactive_user.h"
#include "common/temporary_folder.h"
#include "entry/entry_changes.h"
#include "entry/entry_list.h"
#include "import/bill_import.h"
#include "import/bill_preview.h"
#include "import/bill_source.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "ledger/ledger_view.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tests/import/bill_files.h"

namespace {

namespace fs = std::filesystem;
using namespace qinghe;

constexpr int kLedgerEntries = 100000;
constexpr int kBillRows = 10000;

std::string gbk(const char* utf8) {
    return utf8ToGbk(utf8).value();
}

class QuietView final : public ledger::LedgerView {
  public:
    void showLedgerList(const ledger::LedgerList&) override {}
    void showEntryPage() override {}
    void showEntryList(std::shared_ptr<const LedgerRows>, const entry::EntryLabels&) override {}
    void showQueryList(std::shared_ptr<const LedgerRows>) override {}
    void entryAdded(std::size_t, const entry::EntryLabels&) override {}
    void entryChanged(std::size_t, const entry::EntryLabels&) override {}
    void entryRemoved(std::size_t, const entry::EntryLabels&) override {}
};

// The window without a screen: it reads the bill and imports what it ticks.
class ImportingUser final : public NonInteractiveUser {
  public:
    void runWindow(WindowKind, WindowModel& window) override {
        auto& model = dynamic_cast<import::BillImportModel&>(window);
        if (model.load() && model.finishLoad()) imported = model.importTicked();
    }
    bool imported = false;
};

std::vector<testing::AppRow> billRows() {
    static const char* shops[] = {"早点铺", "超市", "面馆", "地铁", "药店", "水果店", "菜场"};
    static const char* goods[] = {"豆浆油条", "日用品", "牛肉面", "", "感冒药", "", "青菜"};
    std::vector<testing::AppRow> rows;
    for (int i = 0; i < kBillRows; ++i) {
        testing::AppRow row;
        char time[32];
        std::snprintf(time, sizeof time, "2025-%02d-%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28,
                      i % 24, i % 60, (i * 7) % 60);
        row.time = time;
        row.counterparty = i % 3 == 0 ? "" : shops[i % 7];
        row.goods = goods[i % 7];
        row.amount = std::to_string(1 + i % 300) + "." + std::to_string(10 + i % 90);
        row.number = "2025" + std::to_string(1000000 + i);
        if (i % 50 == 0) row.flow = "收入";
        if (i % 97 == 0) row.flow = "不计收支";
        rows.push_back(row);
    }
    return rows;
}

// A ledger of 100,000 entries and the bill, made once; each round works on a
// fresh copy of the run directory.
class Setting {
  public:
    Setting() {
        fs::create_directories(pristine() / "bills");
        testing::writeFile(bill(), testing::alipayCsv(billRows()));
        NonInteractiveUser user;
        AppState state(RunDirectory(pristine()), files_, clock_, user);
        state.settings = loadSettings(state.run, clock_);
        state.settings.expenseItems = {gbk("餐饮"), gbk("交通"), gbk("日用")};
        state.settings.incomeItems = {gbk("工资")};
        QuietView view;
        if (ledger::createLedger(state, gbk("家庭"), "") != ledger::CreateLedgerResult::Created ||
            ledger::openLedger(state, 1, view) != ledger::OpenLedgerResult::Opened)
            std::abort();
        std::vector<EntryValues> chunk;
        for (int i = 0; i < kLedgerEntries; ++i) {
            EntryValues v;
            v.date = 43000 + i / 30;
            v.direction = i % 8 == 0 ? Direction::Income : Direction::Expense;
            v.item = state.settings.expenseItems[static_cast<std::size_t>(i) % 3];
            v.amount = (1 + (i * 7919) % 50000) / 100.0;
            v.member = gbk("妈妈");
            v.note = i % 3 == 0 ? std::string() : gbk("超市买菜");
            chunk.push_back(v);
            if (chunk.size() == 10000) {
                if (!entry::addEntries(state, chunk, &view)) std::abort();
                chunk.clear();
            }
        }
        if (!state.tables.closeAll()) std::abort();
        // The same entries the import makes, for the plain append.
        AppState reader(RunDirectory(pristine()), files_, clock_, user);
        reader.settings = state.settings;
        if (ledger::openLedger(reader, 1, view) != ledger::OpenLedgerResult::Opened) std::abort();
        import::BillSource source;
        if (import::openBillSource(files_, user, bill(), {}, source) !=
            import::SourceOutcome::Opened)
            std::abort();
        import::BillImportModel model(reader, std::move(source), {}, nullptr);
        if (!model.load()) std::abort();
        for (const import::PreviewRow& row : model.rows()) {
            if (!row.ticked) continue;
            EntryValues v;
            v.date = row.date;
            v.direction = row.direction;
            v.item = row.item;
            v.amount = row.amount.value();
            v.member = row.member;
            v.note = row.note;
            entries_.push_back(entry::storedForm(v));
        }
        if (!reader.tables.closeAll()) std::abort();
        std::fprintf(stderr, "a ledger of %d entries; a bill of %d rows, %zu of them ticked\n",
                     kLedgerEntries, kBillRows, entries_.size());
    }

    fs::path pristine() const { return folder_.path() / "pristine"; }
    fs::path bill() const { return pristine() / "bills" / "alipay.csv"; }
    const std::vector<EntryValues>& entries() const { return entries_; }

    // A fresh copy of the run directory, its ledger open in `state`.
    fs::path fresh() {
        const fs::path copy = folder_.path() / "work";
        fs::remove_all(copy);
        fs::copy(pristine(), copy, fs::copy_options::recursive);
        return copy;
    }

    store::PosixFileSystem files_;
    FixedClock clock_{46000.5};

  private:
    TemporaryFolder folder_;
    std::vector<EntryValues> entries_;
};

Setting& setting() {
    static Setting made;
    return made;
}

void BM_ImportAgainstAppend(benchmark::State& state) {
    Setting& s = setting();
    QuietView view;
    auto ours = [&] {
        const fs::path run = s.fresh();
        ImportingUser user;
        AppState app(RunDirectory(run), s.files_, s.clock_, user);
        app.settings = loadSettings(app.run, s.clock_);
        if (ledger::openLedger(app, 1, view) != ledger::OpenLedgerResult::Opened) return -1.0;
        const fs::path file = run / "bills" / "alipay.csv";
        const double seconds = bench::timed([&] {
            return import::importBill(app, view, file) == import::ImportBillResult::Imported;
        });
        if (!user.imported || app.currentLedger.rows->size() != kLedgerEntries + s.entries().size())
            return -1.0;
        return seconds;
    };
    auto theirs = [&] {
        const fs::path run = s.fresh();
        NonInteractiveUser user;
        AppState app(RunDirectory(run), s.files_, s.clock_, user);
        if (ledger::openLedger(app, 1, view) != ledger::OpenLedgerResult::Opened) return -1.0;
        bool done = true;
        const double seconds =
            bench::timed([&] { return entry::addEntries(app, s.entries(), &view); }, &done);
        return done ? seconds : -1.0;
    };
    bench::pairedRounds(state, ours, theirs);
}
BENCHMARK(BM_ImportAgainstAppend)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OpenPreview(benchmark::State& state) {
    Setting& s = setting();
    QuietView view;
    NonInteractiveUser user;
    AppState app(RunDirectory(s.pristine()), s.files_, s.clock_, user);
    app.tables.setReadOnly(true);
    if (ledger::openLedger(app, 1, view) != ledger::OpenLedgerResult::Opened) {
        state.SkipWithError("the ledger did not open");
        return;
    }
    for (auto _ : state) {
        const double seconds = bench::timed([&] {
            import::BillSource source;
            if (import::openBillSource(s.files_, user, s.bill(), {}, source) !=
                import::SourceOutcome::Opened)
                return false;
            import::BillImportModel model(app, std::move(source), {}, nullptr);
            return model.load() && model.rows().size() == kBillRows;
        });
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_OpenPreview)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
