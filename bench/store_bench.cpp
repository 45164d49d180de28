#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "bench/paired.h"
#include "common/clock.h"
#include "common/non_interactive_user.h"
#include "common/temporary_folder.h"
#include "store/page_cipher.h"
#include "store/table_store.h"
#include "tables/schemas.h"

// The table store against the work it has to do for a ledger of many years:
// one entry table of 100,000 entries, enciphered, walked for the entry list,
// appended to and purged. SQLite doing the same work is the yardstick, and
// deciphering the whole file in memory on one core is the measure of a first
// walk (which reads ahead and deciphers on a second core as well).

namespace {

namespace fs = std::filesystem;
namespace field = qinghe::tables::field;
using qinghe::store::TableStore;
using Stopwatch = std::chrono::steady_clock;

constexpr int kRecords = 100000;
constexpr int kSmallRecords = 1000;
constexpr int kMiddle = kRecords / 2;

// --- entries -------------------------------------------------------------

// Items, members and notes as a household types them (GBK).
constexpr const char* kIncomeItems[] = {
    "\xB9\xA4\xD7\xCA",  // 工资
    "\xBD\xB1\xBD\xF0",  // 奖金
};
constexpr const char* kExpenseItems[] = {
    "\xB2\xCD\xD2\xFB",          // 餐饮
    "\xBD\xBB\xCD\xA8",          // 交通
    "\xB9\xBA\xCE\xEF",          // 购物
    "\xB7\xBF\xD7\xE2",          // 房租
    "\xCB\xAE\xB5\xE7\xB7\xD1",  // 水电费
    "\xD2\xBD\xC1\xC6",          // 医疗
    "\xBD\xCC\xD3\xFD",          // 教育
    "\xD3\xE9\xC0\xD6",          // 娱乐
};
constexpr const char* kMembers[] = {
    "\xB0\xD6\xB0\xD6",  // 爸爸
    "\xC2\xE8\xC2\xE8",  // 妈妈
    "\xBA\xA2\xD7\xD3",  // 孩子
    "\xC8\xAB\xBC\xD2",  // 全家
};
// 10 to 58 bytes.
constexpr const char* kNotes[] = {
    // 超市买菜和水果
    "\xB3\xAC\xCA\xD0\xC2\xF2\xB2\xCB\xBA\xCD\xCB\xAE\xB9\xFB",
    // 公司发放本月工资
    "\xB9\xAB\xCB\xBE\xB7\xA2\xB7\xC5\xB1\xBE\xD4\xC2\xB9\xA4\xD7\xCA",
    // 地铁月票充值，上下班用
    "\xB5\xD8\xCC\xFA\xD4\xC2\xC6\xB1\xB3\xE4\xD6\xB5\xA3\xAC\xC9\xCF\xCF\xC2\xB0\xE0\xD3\xC3",
    // 和朋友聚餐，人均一百元左右，已AA
    "\xBA\xCD\xC5\xF3\xD3\xD1\xBE\xDB\xB2\xCD\xA3\xAC\xC8\xCB\xBE\xF9\xD2\xBB\xB0\xD9\xD4\xAA"
    "\xD7\xF3\xD3\xD2\xA3\xAC\xD2\xD1"
    "AA",
    // 缴纳第二季度的房租及物业管理费用，收据放在抽屉里
    "\xBD\xC9\xC4\xC9\xB5\xDA\xB6\xFE\xBC\xBE\xB6\xC8\xB5\xC4\xB7\xBF\xD7\xE2\xBC\xB0\xCE\xEF"
    "\xD2\xB5\xB9\xDC\xC0\xED\xB7\xD1\xD3\xC3\xA3\xAC\xCA\xD5\xBE\xDD\xB7\xC5\xD4\xDA\xB3\xE9"
    "\xCC\xEB\xC0\xEF",
    // 孩子学校的课外辅导班学费（秋季学期）
    "\xBA\xA2\xD7\xD3\xD1\xA7\xD0\xA3\xB5\xC4\xBF\xCE\xCD\xE2\xB8\xA8\xB5\xBC\xB0\xE0\xD1\xA7"
    "\xB7\xD1\xA3\xA8\xC7\xEF\xBC\xBE\xD1\xA7\xC6\xDA\xA3\xA9",
    // 看病挂号费
    "\xBF\xB4\xB2\xA1\xB9\xD2\xBA\xC5\xB7\xD1",
    // 年底单位发的奖金，存入银行定期一年，年利率约百分之二点二五
    "\xC4\xEA\xB5\xD7\xB5\xA5\xCE\xBB\xB7\xA2\xB5\xC4\xBD\xB1\xBD\xF0\xA3\xAC\xB4\xE6\xC8\xEB"
    "\xD2\xF8\xD0\xD0\xB6\xA8\xC6\xDA\xD2\xBB\xC4\xEA\xA3\xAC\xC4\xEA\xC0\xFB\xC2\xCA\xD4\xBC"
    "\xB0\xD9\xB7\xD6\xD6\xAE\xB6\xFE\xB5\xE3\xB6\xFE\xCE\xE5",
};

struct Entry {
    double date;
    std::int32_t direction;  // 1 income, 2 expense
    const char* item;
    double amount;
    const char* member;
    const char* note;
};

// Entry i of a ledger that books about thirty entries a day.
Entry entryAt(int i) {
    Entry entry{};
    entry.date = 42000.0 + i / 30;
    entry.direction = i % 7 == 0 ? 1 : 2;
    entry.item = entry.direction == 1 ? kIncomeItems[i % std::size(kIncomeItems)]
                                      : kExpenseItems[i % std::size(kExpenseItems)];
    entry.amount = static_cast<double>(100 + (i * 7919) % 500000) / 100.0;
    entry.member = kMembers[i % std::size(kMembers)];
    entry.note = kNotes[i % std::size(kNotes)];
    return entry;
}

// One line of the entry list, as the list takes it from either store.
struct Row {
    double date;
    std::int64_t direction;
    std::string item;
    double amount;
    std::string member;
    std::string note;
    bool voucher;
};

// --- surroundings ----------------------------------------------------------

// Nothing here asks the user anything; a fatal store error ends the run.
using SilentUser = qinghe::NonInteractiveUser;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "store benchmark setup failed: %s\n", what.c_str());
    std::exit(1);
}

// A fresh folder below TMPDIR (or /tmp), removed with its contents at exit.
class TempFolder : public qinghe::TemporaryFolder {
  public:
    TempFolder() : TemporaryFolder("qinghe-bench-") {
        if (!made()) fail("cannot make a temporary folder");
    }
};

// --- SQLite ------------------------------------------------------------------

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

constexpr char kCreateSql[] =
    "CREATE TABLE entries(date REAL, direction INTEGER, item TEXT, amount REAL, member TEXT, "
    "note TEXT, voucher INTEGER, images BLOB)";
constexpr char kInsertSql[] =
    "INSERT INTO entries(date, direction, item, amount, member, note, voucher, images) "
    "VALUES(?, ?, ?, ?, ?, ?, ?, ?)";
constexpr char kInsertWithRowidSql[] =
    "INSERT INTO entries(rowid, date, direction, item, amount, member, note, voucher, images) "
    "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr char kScanSql[] =
    "SELECT date, direction, item, amount, member, note, voucher FROM entries";
constexpr char kDeleteSql[] = "DELETE FROM entries WHERE rowid = ?";

class Sqlite {
  public:
    enum class Open { Replace, Existing };

    // Replace: a new, empty database in place of any earlier one.
    explicit Sqlite(const fs::path& path, Open how = Open::Replace) {
        if (how == Open::Replace) {
            std::error_code error;
            fs::remove(path, error);
            fs::remove(fs::path(path) += "-journal", error);
        }
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) fail(sqlite3_errmsg(db_));
    }
    ~Sqlite() { sqlite3_close(db_); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;

    void exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            fail(std::string(sql) + ": " + sqlite3_errmsg(db_));
        }
    }
    Statement prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
            fail(std::string(sql) + ": " + sqlite3_errmsg(db_));
        }
        return Statement(statement);
    }

  private:
    sqlite3* db_ = nullptr;
};

void bindEntry(sqlite3_stmt* statement, int first, const Entry& entry) {
    sqlite3_bind_double(statement, first, entry.date);
    sqlite3_bind_int(statement, first + 1, entry.direction);
    sqlite3_bind_text(statement, first + 2, entry.item, -1, SQLITE_STATIC);
    sqlite3_bind_double(statement, first + 3, entry.amount);
    sqlite3_bind_text(statement, first + 4, entry.member, -1, SQLITE_STATIC);
    sqlite3_bind_text(statement, first + 5, entry.note, -1, SQLITE_STATIC);
    sqlite3_bind_int(statement, first + 6, 0);
    sqlite3_bind_zeroblob(statement, first + 7, 0);
}

bool stepDone(sqlite3_stmt* statement) {
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    return result == SQLITE_DONE;
}

std::string columnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, sqlite3_column_bytes(statement, column)) : std::string();
}

// --- the table store ---------------------------------------------------------

bool appendEntry(TableStore& store, int i) {
    const Entry entry = entryAt(i);
    return store.append() && store.write(field::kDate, qinghe::store::DateTime{entry.date}) &&
           store.write(field::kDirection, entry.direction) &&
           store.write(field::kItem, std::string(entry.item)) &&
           store.write(field::kAmount, entry.amount) &&
           store.write(field::kMember, std::string(entry.member)) &&
           store.write(field::kNote, std::string(entry.note)) &&
           store.write(field::kHasVoucher, false) &&
           store.write(field::kVouchers, qinghe::store::Bytes{});
}

// A new entry table, enciphered the way the program keeps every table, left
// open and current.
bool createEntryTable(TableStore& store, const fs::path& path) {
    return store.create(path, qinghe::tables::entryFields()) && store.open(path, "", "") &&
           store.setPassword(qinghe::tables::kStorePassword);
}

std::string takeText(qinghe::store::Value&& value) {
    if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
    return {};
}

// One pass over the current table reading what the entry list shows; the
// number of rows read.
std::int64_t walkEntries(TableStore& store) {
    using namespace qinghe::store;
    const int date = store.fieldNumber(field::kDate);
    const int direction = store.fieldNumber(field::kDirection);
    const int item = store.fieldNumber(field::kItem);
    const int amount = store.fieldNumber(field::kAmount);
    const int member = store.fieldNumber(field::kMember);
    const int note = store.fieldNumber(field::kNote);
    const int voucher = store.fieldNumber(field::kHasVoucher);
    std::int64_t rows = 0;
    store.first();
    for (std::int32_t i = 0, n = store.recordCount(); i < n; ++i) {
        Row row{toDate(*store.read(date)),     toInteger(*store.read(direction)),
                takeText(*store.read(item)),   toDouble(*store.read(amount)),
                takeText(*store.read(member)), takeText(*store.read(note)),
                toBool(*store.read(voucher))};
        benchmark::DoNotOptimize(row);
        store.skip();
        ++rows;
    }
    return rows;
}

// Everything the benchmarks share, made on first use: the 100,000-entry table
// (kept open in `store`, as the program keeps a ledger open), a 1,000-entry
// one, and the same 100,000 entries in SQLite.
class Setup {
  public:
    static Setup& get() {
        static Setup setup;
        return setup;
    }

    fs::path file(const std::string& name) const { return folder / name; }

    // Declared first: removed last, after everything in it is closed.
    TempFolder folder;
    qinghe::store::PosixFileSystem files;
    qinghe::FixedClock clock{42136.5};
    SilentUser user;
    fs::path entries = file("entries.edb");
    fs::path smallEntries = file("small.edb");
    fs::path sqlitePath = file("entries.db");
    std::unique_ptr<TableStore> store;
    std::unique_ptr<Sqlite> sqlite;

  private:
    Setup() {
        std::fprintf(stderr, "preparing %d entries in %s\n", kRecords,
                     entries.parent_path().c_str());
        {
            TableStore small(files, clock);
            if (!createEntryTable(small, smallEntries)) fail("creating the small table");
            for (int i = 0; i < kSmallRecords; ++i) {
                if (!appendEntry(small, i)) fail("filling the small table");
            }
            if (!small.commit()) fail("syncing the small table");
        }
        {
            TableStore builder(files, clock);
            if (!createEntryTable(builder, entries)) fail("creating the entry table");
            for (int i = 0; i < kRecords; ++i) {
                if (!appendEntry(builder, i)) fail("filling the entry table");
            }
            if (!builder.commit()) fail("syncing the entry table");
        }
        // Opened afresh, as the program opens a ledger: its caches hold only
        // what the benchmarks make them hold.
        store = std::make_unique<TableStore>(files, clock);
        if (!store->open(entries, "", qinghe::tables::kStorePassword)) fail("opening the table");

        sqlite = std::make_unique<Sqlite>(sqlitePath);
        sqlite->exec("PRAGMA synchronous=FULL");
        sqlite->exec(kCreateSql);
        sqlite->exec("BEGIN");
        Statement insert = sqlite->prepare(kInsertSql);
        for (int i = 0; i < kRecords; ++i) {
            bindEntry(insert.get(), 1, entryAt(i));
            if (!stepDone(insert.get())) fail("filling the SQLite table");
        }
        sqlite->exec("COMMIT");
    }
};

// Resident memory now and at its peak, in MiB.
double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

double seconds(Stopwatch::time_point start, Stopwatch::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

// --- building ----------------------------------------------------------------

// append and the eight writes of one entry, on a table of its own that grows
// as the benchmark runs.
void appendEntries(benchmark::State& state, const std::string& name, bool synced) {
    Setup& setup = Setup::get();
    TableStore store(setup.files, setup.clock);
    if (!createEntryTable(store, setup.file(name))) {
        state.SkipWithError("cannot create the table");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        if (!appendEntry(store, i++) || (synced && !store.commit())) {
            state.SkipWithError("append failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_StoreAppendEntry(benchmark::State& state) {
    appendEntries(state, "append.edb", false);
}
BENCHMARK(BM_StoreAppendEntry)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// Each entry flushed to disk, as when every entry is its own user action.
void BM_StoreAppendEntrySynced(benchmark::State& state) {
    appendEntries(state, "append-synced.edb", true);
}
BENCHMARK(BM_StoreAppendEntrySynced)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void insertRows(benchmark::State& state, const char* synchronous, bool oneTransaction) {
    Setup& setup = Setup::get();
    Sqlite db(setup.file("insert.db"));
    db.exec(synchronous);
    db.exec(kCreateSql);
    Statement insert = db.prepare(kInsertSql);
    if (oneTransaction) db.exec("BEGIN");
    int i = 0;
    for (auto _ : state) {
        bindEntry(insert.get(), 1, entryAt(i));
        if (!stepDone(insert.get())) {
            state.SkipWithError("insert failed");
            break;
        }
        // The commit belongs to the work: it is made within the last row.
        if (oneTransaction && ++i == state.max_iterations) db.exec("COMMIT");
        if (!oneTransaction) ++i;
    }
    state.SetItemsProcessed(state.iterations());
}

// All 100,000 rows in one transaction, the commit included; time per row.
void BM_SqliteInsertOneTransaction(benchmark::State& state) {
    insertRows(state, "PRAGMA synchronous=FULL", true);
}
BENCHMARK(BM_SqliteInsertOneTransaction)->Iterations(kRecords)->Unit(benchmark::kMicrosecond);

void BM_SqliteInsertPerRowFull(benchmark::State& state) {
    insertRows(state, "PRAGMA synchronous=FULL", false);
}
BENCHMARK(BM_SqliteInsertPerRowFull)->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_SqliteInsertPerRowOff(benchmark::State& state) {
    insertRows(state, "PRAGMA synchronous=OFF", false);
}
BENCHMARK(BM_SqliteInsertPerRowOff)->Iterations(20000)->Unit(benchmark::kMicrosecond);

// --- walking -------------------------------------------------------------------

// The first walk after opening: every page's key stream is made and every
// chunk read and deciphered. Each walk gets a store of its own, so no cache
// of an earlier walk helps; opening and closing it are not timed.
void BM_StoreWalkFirst(benchmark::State& state) {
    Setup& setup = Setup::get();
    for (auto _ : state) {
        auto store = std::make_unique<TableStore>(setup.files, setup.clock);
        if (!store->open(setup.entries, "", qinghe::tables::kStorePassword)) {
            state.SkipWithError("open failed");
            break;
        }
        const auto start = Stopwatch::now();
        const std::int64_t rows = walkEntries(*store);
        state.SetIterationTime(seconds(start, Stopwatch::now()));
        if (rows != kRecords) {
            state.SkipWithError("walk came short");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StoreWalkFirst)->UseManualTime()->Unit(benchmark::kMillisecond);

// Walks of the open ledger, as when the list is filled again.
void BM_StoreWalkRepeated(benchmark::State& state) {
    Setup& setup = Setup::get();
    TableStore& store = *setup.store;
    walkEntries(store);
    for (auto _ : state) {
        if (walkEntries(store) != kRecords) {
            state.SkipWithError("walk came short");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    constexpr double kMiB = 1024.0 * 1024.0;
    state.counters["rss_MiB"] = residentMiB();
    state.counters["peak_rss_MiB"] = peakResidentMiB();
    state.counters["chunk_cache_MiB"] = static_cast<double>(store.cache().usedBytes()) / kMiB;
    const auto* keys = store.currentFile()->keys();
    state.counters["key_cache_MiB"] = keys ? static_cast<double>(keys->cachedBytes()) / kMiB : 0;
}
BENCHMARK(BM_StoreWalkRepeated)->Unit(benchmark::kMillisecond);

void scanRows(benchmark::State& state, Sqlite& db) {
    for (auto _ : state) {
        Statement scan = db.prepare(kScanSql);
        std::int64_t rows = 0;
        while (sqlite3_step(scan.get()) == SQLITE_ROW) {
            sqlite3_stmt* s = scan.get();
            Row row{sqlite3_column_double(s, 0),  sqlite3_column_int64(s, 1), columnText(s, 2),
                    sqlite3_column_double(s, 3),  columnText(s, 4),           columnText(s, 5),
                    sqlite3_column_int(s, 6) != 0};
            benchmark::DoNotOptimize(row);
            ++rows;
        }
        if (rows != kRecords) {
            state.SkipWithError("scan came short");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

// SQLite with its default page cache (2 MiB): pages come from the system's
// file cache.
void BM_SqliteScan(benchmark::State& state) {
    scanRows(state, *Setup::get().sqlite);
}
BENCHMARK(BM_SqliteScan)->Unit(benchmark::kMillisecond);

// SQLite with a page cache that holds the whole database, as the store's
// caches hold the whole table.
void BM_SqliteScanCached(benchmark::State& state) {
    Sqlite db(Setup::get().sqlitePath, Sqlite::Open::Existing);
    db.exec("PRAGMA cache_size=-262144");
    Statement warm = db.prepare(kScanSql);
    while (sqlite3_step(warm.get()) == SQLITE_ROW) {
    }
    warm.reset();
    scanRows(state, db);
}
BENCHMARK(BM_SqliteScanCached)->Unit(benchmark::kMillisecond);

// --- deleting ------------------------------------------------------------------

// Deleting the entry in the middle of the table: everything behind it moves
// up. The list is walked before, as it is when the user picks the entry, and
// again after, as when it shows the result (reported as walk_after_ms); a new
// entry keeps the table at 100,000. Only remove and purge are timed.
void BM_StoreRemovePurgeMiddle(benchmark::State& state) {
    Setup& setup = Setup::get();
    TableStore& store = *setup.store;
    int next = kRecords;
    double walkAfter = 0;
    walkEntries(store);
    for (auto _ : state) {
        auto start = Stopwatch::now();
        const bool removed = store.goTo(kMiddle) && store.remove() && store.purge();
        state.SetIterationTime(seconds(start, Stopwatch::now()));
        if (!removed || store.recordCount() != kRecords - 1) {
            state.SkipWithError("remove or purge failed");
            break;
        }
        start = Stopwatch::now();
        walkEntries(store);
        walkAfter += seconds(start, Stopwatch::now());
        if (!appendEntry(store, next++) || !store.commit()) {
            state.SkipWithError("append failed");
            break;
        }
    }
    if (state.iterations() > 0) {
        state.counters["walk_after_ms"] =
            walkAfter * 1000 / static_cast<double>(state.iterations());
    }
}
BENCHMARK(BM_StoreRemovePurgeMiddle)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The same in SQLite (synchronous FULL); the row is put back under its rowid.
void BM_SqliteDeleteMiddle(benchmark::State& state) {
    Setup& setup = Setup::get();
    Statement remove = setup.sqlite->prepare(kDeleteSql);
    Statement insert = setup.sqlite->prepare(kInsertWithRowidSql);
    for (auto _ : state) {
        sqlite3_bind_int64(remove.get(), 1, kMiddle);
        const auto start = Stopwatch::now();
        const bool removed = stepDone(remove.get());
        state.SetIterationTime(seconds(start, Stopwatch::now()));
        sqlite3_bind_int64(insert.get(), 1, kMiddle);
        bindEntry(insert.get(), 2, entryAt(kMiddle));
        if (!removed || !stepDone(insert.get())) {
            state.SkipWithError("delete failed");
            break;
        }
    }
}
BENCHMARK(BM_SqliteDeleteMiddle)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- opening -------------------------------------------------------------------

// Opening reads the header and the field list only, whatever the table holds.
void BM_StoreOpen(benchmark::State& state) {
    Setup& setup = Setup::get();
    const fs::path& path = state.range(0) == kRecords ? setup.entries : setup.smallEntries;
    for (auto _ : state) {
        TableStore store(setup.files, setup.clock);
        if (!store.open(path, "", qinghe::tables::kStorePassword)) {
            state.SkipWithError("open failed");
            break;
        }
        static_cast<void>(store.closeAll());
    }
}
BENCHMARK(BM_StoreOpen)->Arg(kRecords)->Arg(kSmallRecords)->Unit(benchmark::kMicrosecond);

// --- the floor -----------------------------------------------------------------

// Deciphering the whole data file once, in memory, with nothing cached, on
// one core: all the cipher work a first walk has to do.
void BM_DecipherInMemory(benchmark::State& state) {
    Setup& setup = Setup::get();
    std::ifstream in(setup.entries, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        state.SkipWithError("cannot read the table");
        return;
    }
    for (auto _ : state) {
        // Applying the key stream twice restores the bytes: every pass does the same work.
        qinghe::store::PageCipher cipher(qinghe::tables::kStorePassword);
        cipher.apply(0, bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_DecipherInMemory)->Unit(benchmark::kMillisecond);

// The same after reading the file (from the system's file cache) into fresh
// memory, as a first walk must: the cipher work with the cost of bringing the
// bytes in.
void BM_ReadAndDecipher(benchmark::State& state) {
    Setup& setup = Setup::get();
    const int fd = ::open(setup.entries.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0) ::close(fd);
        state.SkipWithError("cannot open the table");
        return;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
        if (::pread(fd, bytes.get(), size, 0) != static_cast<ssize_t>(size)) {
            state.SkipWithError("short read");
            break;
        }
        qinghe::store::PageCipher cipher(qinghe::tables::kStorePassword);
        cipher.apply(0, bytes.get(), size);
        benchmark::DoNotOptimize(bytes.get());
        benchmark::ClobberMemory();
    }
    ::close(fd);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_ReadAndDecipher)->Unit(benchmark::kMillisecond);

// --- the goals, both sides paired ----------------------------------------------------

// Deciphering the data file in memory (read once beforehand), timed.
double decipherInMemory(std::vector<std::uint8_t>& bytes) {
    return qinghe::bench::timed([&] {
        qinghe::store::PageCipher cipher(qinghe::tables::kStorePassword);
        cipher.apply(0, bytes.data(), bytes.size());
        benchmark::ClobberMemory();
        return true;
    });
}

std::vector<std::uint8_t> tableBytes() {
    std::ifstream in(Setup::get().entries, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The first walk after opening (a store of its own each round) against
// deciphering the same file in memory.
void BM_FirstWalkAgainstDecipher(benchmark::State& state) {
    Setup& setup = Setup::get();
    std::vector<std::uint8_t> bytes = tableBytes();
    qinghe::bench::pairedRounds(
        state,
        [&] {
            TableStore store(setup.files, setup.clock);
            if (!store.open(setup.entries, "", qinghe::tables::kStorePassword)) return -1.0;
            return qinghe::bench::timed([&] { return walkEntries(store) == kRecords; });
        },
        [&] { return decipherInMemory(bytes); });
}
BENCHMARK(BM_FirstWalkAgainstDecipher)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A walk of the open table against SQLite's scan of the same rows.
void BM_RepeatedWalkAgainstSqliteScan(benchmark::State& state) {
    Setup& setup = Setup::get();
    TableStore& store = *setup.store;
    walkEntries(store);
    auto scanOnce = [&] {
        Statement scan = setup.sqlite->prepare(kScanSql);
        std::int64_t rows = 0;
        while (sqlite3_step(scan.get()) == SQLITE_ROW) {
            sqlite3_stmt* s = scan.get();
            Row row{sqlite3_column_double(s, 0),  sqlite3_column_int64(s, 1), columnText(s, 2),
                    sqlite3_column_double(s, 3),  columnText(s, 4),           columnText(s, 5),
                    sqlite3_column_int(s, 6) != 0};
            benchmark::DoNotOptimize(row);
            ++rows;
        }
        return rows == kRecords;
    };
    scanOnce();
    qinghe::bench::pairedRounds(
        state, [&] { return qinghe::bench::timed([&] { return walkEntries(store) == kRecords; }); },
        [&] { return qinghe::bench::timed(scanOnce); });
}
BENCHMARK(BM_RepeatedWalkAgainstSqliteScan)
    ->Iterations(11)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Appending one entry with its eight writes and the flush against SQLite's
// insert of one row in a transaction of its own, synchronous FULL.
void BM_AppendSyncedAgainstSqliteFull(benchmark::State& state) {
    Setup& setup = Setup::get();
    TableStore store(setup.files, setup.clock);
    if (!createEntryTable(store, setup.file("paired-append.edb"))) fail("paired append table");
    Sqlite db(setup.file("paired-insert.db"));
    db.exec("PRAGMA synchronous=FULL");
    db.exec(kCreateSql);
    Statement insert = db.prepare(kInsertSql);
    int ours = 0, theirs = 0;
    qinghe::bench::pairedRounds(
        state,
        [&] {
            return qinghe::bench::timed(
                [&] { return appendEntry(store, ours++) && store.commit(); });
        },
        [&] {
            bindEntry(insert.get(), 1, entryAt(theirs++));
            return qinghe::bench::timed([&] { return stepDone(insert.get()); });
        });
}
BENCHMARK(BM_AppendSyncedAgainstSqliteFull)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Removing and purging the middle entry of the open table (put back after
// each round, untimed) against deciphering the file in memory.
void BM_RemovePurgeAgainstDecipher(benchmark::State& state) {
    Setup& setup = Setup::get();
    TableStore& store = *setup.store;
    std::vector<std::uint8_t> bytes = tableBytes();
    int next = kRecords;
    qinghe::bench::pairedRounds(
        state,
        [&] {
            const double seconds = qinghe::bench::timed(
                [&] { return store.goTo(kMiddle) && store.remove() && store.purge(); });
            if (!appendEntry(store, next++) || !store.commit()) return -1.0;
            return seconds;
        },
        [&] { return decipherInMemory(bytes); });
}
BENCHMARK(BM_RemovePurgeAgainstDecipher)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
