#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/paired.h"
#include "common/clock.h"
#include "common/gbk.h"
#include "common/non_interactive_user.h"
#include "common/number_text.h"
#include "common/temporary_folder.h"
#include "config/settings.h"
#include "entry/add_entry.h"
#include "entry/entry_changes.h"
#include "entry/entry_list.h"
#include "entry/entry_removal.h"
#include "entry/entry_window.h"
#include "entry/voucher_list.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_list.h"
#include "ledger/ledger_opening.h"
#include "ledger/registry.h"
#include "report/csv.h"
#include "report/export_file.h"
#include "report/query.h"
#include "report/statistics.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "store/key_streams.h"
#include "store/table_format.h"
#include "store/table_store.h"
#include "tables/schemas.h"

// The open ledger in memory against what it replaces or competes with, both
// sides of every ratio in one process, alternating round by round:
//   opening a ledger (walk into memory, both lists filled) against reading its
//   file and deciphering it in memory;
//   refilling both lists against SQLite's scan of the same rows;
//   the ledger list after the login, a 1M-entry household against an empty one;
//   deleting a middle entry right after opening against deciphering the file;
//   adding an entry with its flush against one 4 KiB write and fdatasync;
//   adding and changing an entry through the windows' flows on 100,000 entries
//   against 1,000, deleting the middle of 100,000 against the store's purge
//   alone, and opening the entry windows on 100,000 against 1,000;
//   `qinghe-cli entries` against `sqlite3 -json` printing the same rows;
//   a query with a note filter against SQLite's LIKE scan, statistics by day
//   against its GROUP BY (and over 3,650 days against 1,000), the CSV export
//   against a bare walk of the rows plus writing the same bytes.
// Sizes: 100,000 and 1,000,000 entries (QINGHE_BENCH_MILLION=0 leaves out the
// million, whose file is 611 MB).

namespace {

namespace fs = std::filesystem;
namespace field = qinghe::tables::field;
using qinghe::AppState;
using qinghe::bench::pairedRounds;
using qinghe::bench::timed;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "ledger benchmark setup failed: %s\n", what.c_str());
    std::exit(1);
}

std::string gbk(const char* utf8) {
    auto text = qinghe::utf8ToGbk(utf8);
    if (!text) fail(std::string("not GBK: ") + utf8);
    return *text;
}

bool millionWanted() {
    const char* value = std::getenv("QINGHE_BENCH_MILLION");
    return !value || std::string(value) != "0";
}

// --- a household's entries ----------------------------------------------------------

// Texts as a household types them, in GBK.
struct Texts {
    std::vector<std::string> incomeItems, expenseItems, members, notes;

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
        for (const char* member : {"爸爸", "妈妈", "孩子", "全家", "爷爷", "奶奶"})
            members.push_back(gbk(member));
        for (const char* note :
             {"", "超市", "地铁月票充值", "", "和朋友聚餐人均一百元",
              "孩子学校课外辅导班学费秋季学期", "", "缴纳第二季度房租及物业管理费收据在抽屉",
              "看病挂号费", "年底单位发的奖金存入银行定期一年利率约二"}) {
            notes.push_back(gbk(note));
        }
    }
};

// Entry i of `count`: dates spread over ten years, an income now and then,
// amounts with cents, a voucher flag for every tenth.
qinghe::EntryValues entryAt(int i, int count) {
    const Texts& texts = Texts::get();
    const bool income = i % 8 == 0;
    const auto& items = income ? texts.incomeItems : texts.expenseItems;
    qinghe::EntryValues values;
    values.date = std::floor(40000.0 + static_cast<double>(i) * 3652.0 / count);
    values.direction = income ? qinghe::Direction::Income : qinghe::Direction::Expense;
    values.item = items[static_cast<std::size_t>(i) % items.size()];
    values.amount = static_cast<double>(1 + (i * 7919) % 500000) / 100.0;
    values.member = texts.members[static_cast<std::size_t>(i) % texts.members.size()];
    values.note = texts.notes[static_cast<std::size_t>(i) % texts.notes.size()];
    values.hasVoucher = i % 10 == 0;
    return values;
}

// --- SQLite -------------------------------------------------------------------------

class Sqlite {
  public:
    explicit Sqlite(const fs::path& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) fail(sqlite3_errmsg(db_));
    }
    ~Sqlite() { sqlite3_close(db_); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;
    sqlite3* db() { return db_; }
    void exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(std::string(sql) + ": " + sqlite3_errmsg(db_));
    }

  private:
    sqlite3* db_ = nullptr;
};

constexpr char kScanSql[] =
    "SELECT rowid, date, direction, item, amount, member, note, voucher FROM entries";

// Steps through every row of a query, reading every column as the list does.
std::int64_t scan(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) fail(sql);
    std::int64_t rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(statement, c) == SQLITE_TEXT) {
                benchmark::DoNotOptimize(sqlite3_column_text(statement, c));
            } else {
                benchmark::DoNotOptimize(sqlite3_column_double(statement, c));
            }
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    return rows;
}

// --- a household on disk --------------------------------------------------------------

// A run directory made as the program makes it, with one ledger of `count`
// entries (its file written straight, so that a million entries take seconds)
// and the same rows in an SQLite database beside it.
class Household {
  public:
    explicit Household(int count, bool withLedger = true)
        : folder_("qinghe-ledger-bench-"), count_(count) {
        if (!folder_.made()) fail("temporary folder");
        AppState state = newState();
        if (!qinghe::ledger::createRegistry(state)) fail("registry");
        if (!withLedger) return;
        if (qinghe::ledger::createLedger(state, gbk("家庭账本"), "") !=
            qinghe::ledger::CreateLedgerResult::Created) {
            fail("ledger");
        }
        static_cast<void>(state.tables.closeAll());
        table_ = folder_.path() / "data" / "家庭账本.edb";
        writeEntries();
        writeSqlite();
        pristine_ = folder_.path() / "pristine.edb";
        fs::copy_file(table_, pristine_);
        age(table_);
        // QINGHE_BENCH_KEEP=DIR keeps a copy of the household, to try the
        // program or the tool on it.
        if (const char* keep = std::getenv("QINGHE_BENCH_KEEP")) {
            const fs::path copy = fs::path(keep) / std::to_string(count);
            fs::remove_all(copy);
            fs::copy(folder_.path(), copy, fs::copy_options::recursive);
        }
    }

    const fs::path& root() const { return folder_.path(); }
    const fs::path& table() const { return table_; }
    fs::path sqlite() const { return folder_.path() / "entries.sqlite"; }
    int count() const { return count_; }

    AppState newState() {
        users_.push_back(std::make_unique<qinghe::NonInteractiveUser>());
        return AppState(qinghe::RunDirectory(folder_.path()), files_, clock_, *users_.back());
    }
    // With answers of the caller's own (windows run by a benchmark).
    AppState newState(qinghe::UserInteraction& user) {
        return AppState(qinghe::RunDirectory(folder_.path()), files_, clock_, user);
    }

    // The ledger's table as it was made (after a deletion changed it).
    void restore() {
        fs::copy_file(pristine_, table_, fs::copy_options::overwrite_existing);
        age(table_);
    }

  private:
    // A file changed an hour ago: the ledger list may keep its figures.
    static void age(const fs::path& file) {
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }

    void writeEntries() {
        std::ifstream in(table_, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        qinghe::store::KeyStreams keys(qinghe::tables::kStorePassword, 0);
        auto* b = reinterpret_cast<std::uint8_t*>(bytes.data());
        keys.apply(0, b, bytes.size());
        // Where the fields lie, from the table as the store made it.
        qinghe::NonInteractiveUser user;
        qinghe::store::TableStore tables(files_, clock_);
        if (!tables.open(table_, "", qinghe::tables::kStorePassword)) fail("reading the layout");
        const qinghe::store::TableFile& file = *tables.currentFile();
        const std::size_t size = static_cast<std::size_t>(file.header().recordSize);
        const std::size_t head = static_cast<std::size_t>(file.recordsOffset());
        auto offset = [&](std::string_view name) {
            return static_cast<std::size_t>(file.fields()[file.fieldIndex(name)].offset);
        };
        const std::size_t date = offset(field::kDate), direction = offset(field::kDirection),
                          item = offset(field::kItem), amount = offset(field::kAmount),
                          member = offset(field::kMember), note = offset(field::kNote),
                          voucher = offset(field::kHasVoucher);
        bytes.resize(head);
        bytes.resize(head + size * static_cast<std::size_t>(count_), '\0');
        b = reinterpret_cast<std::uint8_t*>(bytes.data());
        qinghe::store::storeI32(b + qinghe::store::kRecordCountOffset, count_);
        qinghe::store::storeI32(b + qinghe::store::kNextSequenceOffset, count_ + 1);
        for (int i = 0; i < count_; ++i) {
            std::uint8_t* r = b + head + size * static_cast<std::size_t>(i);
            const qinghe::EntryValues values = entryAt(i, count_);
            qinghe::store::storeI32(r, i + 1);
            qinghe::store::storeF64(r + date, values.date);
            qinghe::store::storeI32(r + direction, qinghe::storedDirection(values.direction));
            std::memcpy(r + item, values.item.data(), values.item.size());
            qinghe::store::storeF64(r + amount, values.amount);
            std::memcpy(r + member, values.member.data(), values.member.size());
            std::memcpy(r + note, values.note.data(), values.note.size());
            r[voucher] = values.hasVoucher ? 1 : 0;
        }
        static_cast<void>(tables.closeAll());
        keys.apply(0, b, bytes.size());
        std::ofstream(table_, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), std::streamsize(bytes.size()));
    }

    void writeSqlite() {
        Sqlite db(sqlite());
        db.exec(
            "CREATE TABLE entries(date REAL, direction INTEGER, item TEXT, amount REAL, "
            "member TEXT, note TEXT, voucher INTEGER)");
        db.exec("BEGIN");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db.db(), "INSERT INTO entries VALUES(?, ?, ?, ?, ?, ?, ?)", -1, &insert,
                           nullptr);
        for (int i = 0; i < count_; ++i) {
            const qinghe::EntryValues values = entryAt(i, count_);
            // The texts as UTF-8, as a database would keep them.
            const std::string itemText = qinghe::gbkToUtf8Lossy(values.item);
            const std::string memberText = qinghe::gbkToUtf8Lossy(values.member);
            const std::string noteText = qinghe::gbkToUtf8Lossy(values.note);
            sqlite3_bind_double(insert, 1, values.date);
            sqlite3_bind_int(insert, 2, qinghe::storedDirection(values.direction));
            sqlite3_bind_text(insert, 3, itemText.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(insert, 4, values.amount);
            sqlite3_bind_text(insert, 5, memberText.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 6, noteText.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 7, values.hasVoucher ? 1 : 0);
            if (sqlite3_step(insert) != SQLITE_DONE) fail("sqlite insert");
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        db.exec("COMMIT");
    }

    qinghe::TemporaryFolder folder_;
    int count_;
    qinghe::store::PosixFileSystem files_;
    qinghe::FixedClock clock_{46360.5};  // 2026-12-10
    std::vector<std::unique_ptr<qinghe::NonInteractiveUser>> users_;
    fs::path table_;
    fs::path pristine_;
};

Household& household(int count) {
    static std::map<int, std::unique_ptr<Household>> made;
    auto& slot = made[count];
    if (!slot) {
        std::fprintf(stderr, "preparing a household of %d entries\n", count);
        slot = std::make_unique<Household>(count);
    }
    return *slot;
}

// The pages of the main window reduced to keeping what they are shown.
class KeepingView final : public qinghe::ledger::LedgerView {
  public:
    void showLedgerList(const qinghe::ledger::LedgerList& list) override {
        ledgers = list.rows.size();
    }
    void showEntryPage() override {}
    void showEntryList(std::shared_ptr<const qinghe::LedgerRows> rows,
                       const qinghe::entry::EntryLabels&) override {
        entryRows = std::move(rows);
    }
    void showQueryList(std::shared_ptr<const qinghe::LedgerRows> rows) override {
        queryRows = std::move(rows);
    }
    void entryAdded(std::size_t, const qinghe::entry::EntryLabels&) override { ++changes; }
    void entryChanged(std::size_t, const qinghe::entry::EntryLabels&) override { ++changes; }
    void entryRemoved(std::size_t, const qinghe::entry::EntryLabels&) override { ++changes; }

    std::size_t shown() const {
        return (entryRows ? entryRows->size() : 0) + (queryRows ? queryRows->size() : 0);
    }

    std::shared_ptr<const qinghe::LedgerRows> entryRows, queryRows;
    std::size_t ledgers = 0;
    int changes = 0;
};

// Reading the ledger's file and deciphering it in memory.
double decipherFile(const fs::path& table) {
    return timed([&] {
        const int fd = ::open(table.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const auto size = static_cast<std::size_t>(fs::file_size(table));
        std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pread(fd, bytes.get() + done, size - done, off_t(done));
            if (n <= 0) break;
            done += std::size_t(n);
        }
        ::close(fd);
        qinghe::store::PageCipher cipher(qinghe::tables::kStorePassword);
        cipher.apply(0, bytes.get(), done);
        benchmark::DoNotOptimize(bytes.get());
        return done == size;
    });
}

void sizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(100000);
    if (millionWanted()) benchmark->Arg(1000000);
}

// --- opening ---------------------------------------------------------------------------

void BM_OpenLedger(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    pairedRounds(
        state,
        [&] {
            AppState app = home.newState();
            KeepingView view;
            bool complete = true;
            const double seconds = timed(
                [&] {
                    return qinghe::ledger::openLedger(app, 1, view) ==
                               qinghe::ledger::OpenLedgerResult::Opened &&
                           view.shown() == 2 * std::size_t(home.count());
                },
                &complete);
            return complete ? seconds : -1;
        },
        [&] { return decipherFile(home.table()); });
}
BENCHMARK(BM_OpenLedger)
    ->Apply(sizes)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- the lists from memory -----------------------------------------------------------

void BM_RefillListsAgainstSqliteScan(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    AppState app = home.newState();
    KeepingView view;
    if (qinghe::ledger::openLedger(app, 1, view) != qinghe::ledger::OpenLedgerResult::Opened)
        fail("opening");
    Sqlite db(home.sqlite());
    scan(db.db(), kScanSql);  // the page cache warm
    pairedRounds(
        state,
        [&] {
            return timed([&] {
                qinghe::entry::fillEntryAndQueryLists(app, view);
                // The rows a list shows are read when drawn: one screen of them.
                for (std::size_t row = 0; row < 30; ++row) {
                    for (int column = 0; column < qinghe::entry::kEntryColumnCount; ++column)
                        benchmark::DoNotOptimize(
                            qinghe::entry::entryCellText(*view.entryRows, row, column));
                }
                return view.shown() == 2 * std::size_t(home.count());
            });
        },
        [&] { return timed([&] { return scan(db.db(), kScanSql) == home.count(); }); });
}
BENCHMARK(BM_RefillListsAgainstSqliteScan)
    ->Apply(sizes)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- the ledger list after the login ------------------------------------------------------

void BM_LedgerListAfterLogin(benchmark::State& state) {
    Household& big = household(millionWanted() ? 1000000 : 100000);
    static Household empty(0, false);
    // The first listing reads the figures and keeps them beside the registry.
    {
        AppState app = big.newState();
        qinghe::ledger::rebuildLedgerList(app);
    }
    // What follows the login before the window shows: the settings loaded,
    // the ledger list built (the Qt window itself costs the same for both).
    auto listing = [](Household& home, std::size_t rows) {
        AppState app = home.newState();
        return timed([&] {
            app.settings = qinghe::loadSettings(app.run, app.clock);
            auto list = qinghe::ledger::rebuildLedgerList(app, qinghe::ledger::FiguresWhen::Later);
            return list.rows.size() == rows && list.pending.empty();
        });
    };
    pairedRounds(
        state, [&] { return listing(big, 1); }, [&] { return listing(empty, 0); });
}
BENCHMARK(BM_LedgerListAfterLogin)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- changes ---------------------------------------------------------------------------

void BM_DeleteMiddleAfterOpening(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    pairedRounds(
        state,
        [&] {
            home.restore();
            AppState app = home.newState();
            KeepingView view;
            if (qinghe::ledger::openLedger(app, 1, view) !=
                qinghe::ledger::OpenLedgerResult::Opened)
                return -1.0;
            bool complete = true;
            const double seconds = timed(
                [&] {
                    return qinghe::entry::deleteEntry(app, std::size_t(home.count() / 2), &view);
                },
                &complete);
            return complete ? seconds : -1.0;
        },
        [&] { return decipherFile(home.table()); });
    home.restore();
}
BENCHMARK(BM_DeleteMiddleAfterOpening)
    ->Apply(sizes)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One 4 KiB write and its flush: the floor of anything that lasts.
double writeAndFlush(const fs::path& file) {
    static std::vector<char> page(4096, 'x');
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    const double seconds = timed([&] {
        return ::pwrite(fd, page.data(), page.size(), 0) == ssize_t(page.size()) &&
               ::fdatasync(fd) == 0;
    });
    ::close(fd);
    return seconds;
}

void BM_AddEntryAgainstAFlushedWrite(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    AppState app = home.newState();
    KeepingView view;
    if (qinghe::ledger::openLedger(app, 1, view) != qinghe::ledger::OpenLedgerResult::Opened)
        fail("opening");
    const fs::path scratch = home.root() / "scratch";
    int added = 0;
    pairedRounds(
        state,
        [&] {
            const qinghe::EntryValues values = entryAt(added++, 1000);
            return timed([&] { return qinghe::entry::addEntry(app, values, "", &view); });
        },
        [&] { return writeAndFlush(scratch); });
    static_cast<void>(app.tables.closeAll());
    home.restore();
}
BENCHMARK(BM_AddEntryAgainstAFlushedWrite)
    ->Arg(100000)
    ->Iterations(60)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Writing `bytes` to a new file and one fdatasync: what a change of that many
// bytes costs at the least.
double writeAndFlush(const fs::path& file, const std::string& bytes) {
    fs::remove(file);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    const double seconds = timed([&] {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(done));
            if (n <= 0) return false;
            done += std::size_t(n);
        }
        return ::fdatasync(fd) == 0;
    });
    ::close(fd);
    return seconds;
}

// Five phone photos of 4 MB as the voucher field stores them: bytes that look
// like JPEG files, incompressible as photos are.
std::string fivePhotos(std::uint32_t seed) {
    std::vector<std::string> photos;
    for (int i = 0; i < 5; ++i) {
        std::string photo(4u << 20, '\0');
        std::uint32_t x = seed * 7919u + static_cast<std::uint32_t>(i) + 1u;
        for (char& c : photo) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = static_cast<char>(x);
        }
        photo[0] = '\xFF', photo[1] = '\xD8', photo[2] = '\xFF';
        photos.push_back(std::move(photo));
    }
    return qinghe::entry::joinVouchers(photos);
}

// An entry with five 4 MB photos added with its flush, against writing the
// same bytes to a file with one fdatasync. The photos cost their bytes.
void BM_AddEntryWithFivePhotosAgainstAFlushedWrite(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    AppState app = home.newState();
    KeepingView view;
    if (qinghe::ledger::openLedger(app, 1, view) != qinghe::ledger::OpenLedgerResult::Opened)
        fail("opening");
    const fs::path scratch = home.root() / "scratch";
    int added = 0;
    pairedRounds(
        state,
        [&] {
            const qinghe::EntryValues values = entryAt(added, 1000);
            const std::string photos = fivePhotos(static_cast<std::uint32_t>(added++));
            return timed([&] { return qinghe::entry::addEntry(app, values, photos, &view); });
        },
        [&] { return writeAndFlush(scratch, fivePhotos(static_cast<std::uint32_t>(added))); });
    static_cast<void>(app.tables.closeAll());
    home.restore();
}
BENCHMARK(BM_AddEntryWithFivePhotosAgainstAFlushedWrite)
    ->Arg(100000)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- the entry windows ----------------------------------------------------------------------

// Answers like NonInteractiveUser (questions with OK) and does what it is
// given in each window over a model of the core.
class WindowUser final : public qinghe::NonInteractiveUser {
  public:
    void runWindow(qinghe::WindowKind kind, qinghe::WindowModel& model) override {
        if (visit) visit(kind, model);
    }
    std::function<void(qinghe::WindowKind, qinghe::WindowModel&)> visit;
};

// One ledger opened for the entry windows, its table restored afterwards.
struct OpenHousehold {
    explicit OpenHousehold(int count)
        : home(household(count)), app(home.newState(user)), screens(view) {
        if (qinghe::ledger::openLedger(app, 1, view) != qinghe::ledger::OpenLedgerResult::Opened)
            fail("opening");
    }
    ~OpenHousehold() {
        static_cast<void>(app.tables.closeAll());
        home.restore();
    }
    Household& home;
    WindowUser user;
    AppState app;
    KeepingView view;
    qinghe::entry::EntryScreens screens;
};

// "添加" in the window "添加一个项目", from reading the form to both lists and
// the totals told: on 100,000 entries against 1,000.
void BM_AddEntryScaling(benchmark::State& state) {
    OpenHousehold big(100000);
    OpenHousehold small(1000);
    int added = 0;
    auto add = [&](OpenHousehold& open) {
        const qinghe::EntryValues values = entryAt(added++, 1000);
        qinghe::entry::AddEntryForm form = qinghe::entry::newAddEntryForm(open.app);
        qinghe::entry::chooseDirection(open.app.settings, form, values.direction);
        form.item.text = values.item;
        form.member.text = values.member;
        form.amount = qinghe::numberToText(values.amount);
        form.note = values.note;
        qinghe::entry::VoucherStripModel vouchers;
        const int before = open.view.changes;
        return timed([&] {
            return qinghe::entry::addEntryFromForm(open.app, form, vouchers, open.screens) ==
                       qinghe::entry::AddEntryResult::Added &&
                   open.view.changes == before + 1;
        });
    };
    pairedRounds(
        state, [&] { return add(big); }, [&] { return add(small); });
}
BENCHMARK(BM_AddEntryScaling)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

// "添加" with a new item name when the family keeps 100,000 item names: the
// name goes in front of its list and the lists are saved, against the same
// with 100 names. The goal is the time itself: under 0.1 s (ours_ms).
void BM_AddEntryWithManyItemNames(benchmark::State& state) {
    OpenHousehold open(1000);
    auto names = [](int count) {
        std::vector<std::string> list;
        for (int i = 0; i < count; ++i) list.push_back(gbk("项目") + std::to_string(i));
        return list;
    };
    const std::vector<std::string> many = names(100000), few = names(100);
    int added = 0;
    auto add = [&](const std::vector<std::string>& items) {
        open.app.settings.expenseItems = items;
        qinghe::entry::AddEntryForm form = qinghe::entry::newAddEntryForm(open.app);
        form.item.text = gbk("新的项目") + std::to_string(added++);
        form.member.text = Texts::get().members[0];
        form.amount = "12.5";
        qinghe::entry::VoucherStripModel vouchers;
        return timed([&] {
            return qinghe::entry::addEntryFromForm(open.app, form, vouchers, open.screens) ==
                       qinghe::entry::AddEntryResult::Added &&
                   open.app.settings.expenseItems.size() == items.size() + 1;
        });
    };
    pairedRounds(
        state, [&] { return add(many); }, [&] { return add(few); });
}
BENCHMARK(BM_AddEntryWithManyItemNames)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// "保存" in the window "查看、修改项目内容" on the middle entry, the amount
// typed anew: opening the window, rewriting the record, one row of each list.
void BM_ChangeEntryScaling(benchmark::State& state) {
    OpenHousehold big(100000);
    OpenHousehold small(1000);
    int changes = 0;
    auto change = [&](OpenHousehold& open) {
        const std::size_t middle = open.app.currentLedger.rows->size() / 2;
        const std::string amount = std::to_string(100 + changes++) + ".25";
        open.user.visit = [&](qinghe::WindowKind, qinghe::WindowModel& model) {
            auto& window = dynamic_cast<qinghe::entry::EntryWindowModel&>(model);
            window.form().amount = amount;
            window.form().amountTyped = true;
            window.save();
        };
        return timed([&] {
            return qinghe::entry::openEntryWindow(
                       open.app, middle, qinghe::entry::EntryOpener::Modify, open.screens) ==
                   qinghe::entry::EntryWindowModel::Outcome::Saved;
        });
    };
    pairedRounds(
        state, [&] { return change(big); }, [&] { return change(small); });
}
BENCHMARK(BM_ChangeEntryScaling)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

// "删除条目" on the middle of 100,000 entries (asked, the record removed and
// purged, the rows and both lists told) against the store's remove and purge
// of that record alone, each on the ledger as it was made.
void BM_DeleteEntryAgainstPurge(benchmark::State& state) {
    Household& home = household(100000);
    const std::size_t middle = 50000;
    pairedRounds(
        state,
        [&] {
            home.restore();
            AppState app = home.newState();
            KeepingView view;
            if (qinghe::ledger::openLedger(app, 1, view) !=
                qinghe::ledger::OpenLedgerResult::Opened)
                return -1.0;
            bool complete = true;
            const double seconds = timed(
                [&] {
                    return qinghe::entry::deleteSelectedEntry(app, middle, view) &&
                           app.currentLedger.rows->size() == 99999;
                },
                &complete);
            return complete ? seconds : -1.0;
        },
        [&] {
            home.restore();
            AppState app = home.newState();
            if (!app.tables.open(home.table(), "", qinghe::tables::kStorePassword)) return -1.0;
            // A purge with nothing marked looks for marks once: from then on
            // the store knows them, as it does after the ledger's opening walk.
            if (!app.tables.purge()) return -1.0;
            bool complete = true;
            const double seconds = timed(
                [&] {
                    return app.tables.goTo(static_cast<std::int32_t>(middle + 1)) &&
                           app.tables.remove() && app.tables.purge() &&
                           app.tables.recordCount() == 99999;
                },
                &complete);
            return complete ? seconds : -1.0;
        });
    home.restore();
}
BENCHMARK(BM_DeleteEntryAgainstPurge)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Opening "添加一个项目" and "查看、修改项目内容" (the middle entry, closed
// again at once) reads the settings and that one record, never the table: on
// 100,000 entries against 1,000, and its time against one frame (16.7 ms).
void BM_OpenEntryWindows(benchmark::State& state) {
    OpenHousehold big(100000);
    OpenHousehold small(1000);
    auto open = [](OpenHousehold& household) {
        household.user.visit = {};
        const std::size_t middle = household.app.currentLedger.rows->size() / 2;
        return timed([&] {
            const qinghe::entry::AddEntryForm form = qinghe::entry::newAddEntryForm(household.app);
            benchmark::DoNotOptimize(form);
            return qinghe::entry::openEntryWindow(
                       household.app, middle, qinghe::entry::EntryOpener::EntryList,
                       household.screens) == qinghe::entry::EntryWindowModel::Outcome::None;
        });
    };
    pairedRounds(
        state, [&] { return open(big); }, [&] { return open(small); });
}
BENCHMARK(BM_OpenEntryWindows)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- the tool ---------------------------------------------------------------------------------

// Runs a command with its output to /dev/null; its seconds and peak memory.
struct Run {
    double seconds = -1;
    long peakKiB = 0;
};

Run runQuietly(const std::vector<std::string>& arguments) {
    Run run;
    const auto start = qinghe::bench::Stopwatch::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return run;
    }
    run.seconds = qinghe::bench::secondsSince(start);
    run.peakKiB = usage.ru_maxrss;
    return run;
}

void BM_CliEntriesAgainstSqlite3Json(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    long peak = 0;
    pairedRounds(
        state,
        [&] {
            const Run run = runQuietly({QINGHE_CLI, "entries", home.root().string(), "1"});
            peak = std::max(peak, run.peakKiB);
            return run.seconds;
        },
        [&] {
            return runQuietly({"sqlite3", "-json", home.sqlite().string(), kScanSql}).seconds;
        });
    state.counters["cli_peak_mib"] = static_cast<double>(peak) / 1024;
}
BENCHMARK(BM_CliEntriesAgainstSqlite3Json)
    ->Apply(sizes)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- memory ---------------------------------------------------------------------------------

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

// What the open ledger holds in memory: its rows against the bytes of their
// texts plus 40 bytes an entry (the goal: at most that), and what opening it
// adds to the process.
void BM_OpenLedgerMemory(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const long before = residentKiB();
        AppState app = home.newState();
        KeepingView view;
        if (qinghe::ledger::openLedger(app, 1, view) != qinghe::ledger::OpenLedgerResult::Opened)
            fail("opening");
        const long after = residentKiB();
        const qinghe::LedgerRows& rows = *app.currentLedger.rows;
        double texts = 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            texts += double(rows.item(i).size() + rows.member(i).size() + rows.note(i).size());
        const double budget = 2 * texts + 40.0 * double(rows.size());
        state.counters["rows_mib"] = double(rows.bytes()) / (1 << 20);
        state.counters["ratio"] = double(rows.bytes()) / budget;
        state.counters["ratio_min"] = state.counters["ratio"];
        state.counters["ratio_max"] = state.counters["ratio"];
        state.counters["rss_growth_mib"] = double(after - before) / 1024;
    }
}
BENCHMARK(BM_OpenLedgerMemory)->Apply(sizes)->Iterations(1)->Unit(benchmark::kMillisecond);

// --- query, statistics, export ------------------------------------------------------

// The open ledger of a household, as the 查账 and 数据统计 pages see it.
struct ReadingHousehold {
    explicit ReadingHousehold(Household& home) : app(home.newState()) {
        if (qinghe::ledger::openLedger(app, 1, view) != qinghe::ledger::OpenLedgerResult::Opened)
            fail("opening");
    }
    const qinghe::LedgerRows& rows() const { return *app.currentLedger.rows; }

    AppState app;
    KeepingView view;
};

// The number of rows a query gives, stepping through all of them.
std::int64_t countRows(sqlite3* db, const char* sql) {
    return scan(db, sql);
}

void BM_QueryNoteAgainstSqlite(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    ReadingHousehold open(home);
    Sqlite db(home.sqlite());
    static const char kLikeSql[] =
        "SELECT rowid, date, direction, item, amount, member, note, voucher FROM entries "
        "WHERE note LIKE '%辅导%'";
    const std::int64_t expected = countRows(db.db(), kLikeSql);  // the page cache warm
    qinghe::report::QueryConditions conditions;
    conditions.note = gbk("辅导");
    std::size_t listed = 0;
    pairedRounds(
        state,
        [&] {
            return timed([&] {
                const auto result =
                    qinghe::report::runQuery(open.app.currentLedger.rows, conditions);
                // The list reads the rows it draws: one screen of them.
                for (std::size_t i = 0; i < 30 && i < result.matches.size(); ++i) {
                    for (int column = 0; column < qinghe::entry::kEntryColumnCount; ++column)
                        benchmark::DoNotOptimize(
                            qinghe::entry::entryCellText(*result.rows, result.matches[i], column));
                }
                benchmark::DoNotOptimize(result.totalLabel.data());
                listed = result.matches.size();
                return std::int64_t(listed) == expected;
            });
        },
        [&] { return timed([&] { return countRows(db.db(), kLikeSql) == expected; }); });
    state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_QueryNoteAgainstSqlite)
    ->Apply(sizes)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Totals per day and direction, as 数据统计 by day with 全部 lists them.
constexpr char kGroupByDaySql[] =
    "SELECT CAST(date AS INTEGER) AS day, direction, SUM(amount), MIN(rowid) FROM entries "
    "GROUP BY day, direction";

void BM_StatisticsByDayAgainstSqlite(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    ReadingHousehold open(home);
    Sqlite db(home.sqlite());
    const std::int64_t groups = countRows(db.db(), kGroupByDaySql);  // the page cache warm
    pairedRounds(
        state,
        [&] {
            return timed([&] {
                const auto statistics = qinghe::report::runStatistics(
                    open.rows(), qinghe::report::kDayUnit, qinghe::report::kBothKind);
                return std::int64_t(statistics.rows.size()) == groups;
            });
        },
        [&] { return timed([&] { return countRows(db.db(), kGroupByDaySql) == groups; }); });
    state.counters["periods"] = static_cast<double>(groups);
}
BENCHMARK(BM_StatisticsByDayAgainstSqlite)
    ->Apply(sizes)
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The day pass as the list was first built: each entry looked for among the
// elements made so far, so the time grows with entries times days.
std::size_t searchedDays(const qinghe::LedgerRows& rows) {
    struct Element {
        double day;
        bool income;
        double amount;
    };
    std::vector<Element> elements;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const double day = std::trunc(rows.date(row));
        const bool income = rows.income(row);
        const auto found = std::find_if(elements.begin(), elements.end(), [&](const Element& e) {
            return e.day == day && e.income == income;
        });
        if (found != elements.end()) {
            found->amount += rows.amount(row);
        } else {
            elements.push_back({day, income, rows.amount(row)});
        }
    }
    return elements.size();
}

// The same entries by day over 3,650 days against over 1,000 (the list holds
// 3.65 times the rows). The search through the elements made so far takes
// about 3.65 times as long (measured once for each, as search_ratio); one
// hashed pass grows only by the rows it lists.
void BM_StatisticsDaysGrowth(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto spread = [count](int days) {
        qinghe::LedgerRows rows;
        rows.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            qinghe::EntryValues values = entryAt(i, count);
            values.date = std::floor(40000.0 + static_cast<double>(i) * days / count);
            rows.append(values);
        }
        return rows;
    };
    const qinghe::LedgerRows tenYears = spread(3650), thousandDays = spread(1000);
    auto byDay = [](const qinghe::LedgerRows& rows, std::size_t periods) {
        return timed([&] {
            const auto statistics = qinghe::report::runStatistics(rows, qinghe::report::kDayUnit,
                                                                  qinghe::report::kSummaryKind);
            return statistics.rows.size() == periods;
        });
    };
    pairedRounds(
        state, [&] { return byDay(tenYears, 3650); }, [&] { return byDay(thousandDays, 1000); });
    const double searchTen = timed([&] { return searchedDays(tenYears) == 7300; });
    const double searchThousand = timed([&] { return searchedDays(thousandDays) == 2000; });
    state.counters["search_ms_3650"] = searchTen * 1000;
    state.counters["search_ms_1000"] = searchThousand * 1000;
    state.counters["search_ratio"] = searchTen / searchThousand;
}
BENCHMARK(BM_StatisticsDaysGrowth)
    ->Arg(100000)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Every field of every row touched, as any export must.
std::int64_t walkRows(const qinghe::LedgerRows& rows) {
    std::int64_t touched = 0;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        benchmark::DoNotOptimize(rows.date(row));
        benchmark::DoNotOptimize(rows.direction(row));
        benchmark::DoNotOptimize(rows.amount(row));
        benchmark::DoNotOptimize(rows.hasVoucher(row));
        touched +=
            std::int64_t(rows.item(row).size() + rows.member(row).size() + rows.note(row).size());
    }
    return touched;
}

void BM_ExportCsv(benchmark::State& state) {
    Household& home = household(static_cast<int>(state.range(0)));
    ReadingHousehold open(home);
    const fs::path ours = home.root() / "ours.csv", theirs = home.root() / "theirs.csv";
    // The same bytes, made once (and the conversion table with them).
    const std::string bytes = qinghe::report::entriesCsv(open.rows(), nullptr);
    pairedRounds(
        state,
        [&] {
            return timed(
                [&] { return qinghe::report::writeEntriesCsv(ours, open.rows(), nullptr); });
        },
        [&] {
            return timed([&] {
                benchmark::DoNotOptimize(walkRows(open.rows()));
                return qinghe::report::writeExportFile(theirs, bytes);
            });
        });
    state.counters["csv_mib"] = static_cast<double>(bytes.size()) / (1 << 20);
    // The text alone, without writing it.
    state.counters["format_ms"] =
        1000 * timed([&] { return !qinghe::report::entriesCsv(open.rows(), nullptr).empty(); });
    fs::remove(ours);
    fs::remove(theirs);
}
BENCHMARK(BM_ExportCsv)
    ->Arg(100000)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
