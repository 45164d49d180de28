#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/non_interactive_user.h"
#include "common/temporary_folder.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generations.h"
#include "maintenance/maintenance_actions.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tables/schemas.h"

// Backup and restore of a household's ledgers against a flushed copy of the
// same folders (cp -r, then sync), round by round, taking turns at going
// first: a start-up backup when nothing changed, a backup after one entry was
// added to one of the ledgers, and the restore of the latest backup. Each
// benchmark reports the median ratio of the rounds with its range (ratio,
// ratio_min, ratio_max), and the median against the copy alone, unflushed
// (plain_ratio). A backup and a restore are on the disk when they return, as
// the flushed copy is.
//
// The household is QINGHE_BACKUP_BENCH_MB megabytes (default 1024) in ten
// ledgers of real enciphered entry tables, their bulk in receipt pictures.

namespace {

namespace fs = std::filesystem;
namespace field = qinghe::tables::field;
using Stopwatch = std::chrono::steady_clock;

constexpr int kLedgers = 10;
constexpr std::size_t kPictureBytes = 48 * 1024;
constexpr int kRounds = 7;
constexpr std::size_t kEntriesPerSync = 64;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "backup benchmark setup failed: %s\n", what.c_str());
    std::exit(1);
}

std::size_t householdMegabytes() {
    const char* text = std::getenv("QINGHE_BACKUP_BENCH_MB");
    const long value = text ? std::atol(text) : 1024;
    return static_cast<std::size_t>(std::max(value, 10L));
}

// Lets the disk finish what earlier rounds left it (written data, freed
// blocks to discard), untimed, so that neither side pays for the other.
void drainDisk(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    static_cast<void>(::syncfs(fd));
    ::close(fd);
}

double seconds(Stopwatch::time_point from, Stopwatch::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Bytes that do not compress, different for every picture.
std::string pictureBytes(std::uint32_t seed) {
    std::string bytes(kPictureBytes, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return bytes;
}

bool appendEntry(qinghe::store::TableStore& tables, std::uint32_t seed, bool withPicture) {
    return tables.append() &&
           tables.write(field::kDate, qinghe::store::DateTime{42000.0 + seed % 400}) &&
           tables.write(field::kDirection, std::int32_t(seed % 3 == 0 ? 1 : 2)) &&
           tables.write(field::kItem, qinghe::gbkText("餐饮")) &&
           tables.write(field::kAmount, 12.5 + seed % 1000) &&
           tables.write(field::kMember, qinghe::gbkText("爸爸")) &&
           tables.write(field::kNote, std::string("note")) &&
           tables.write(field::kHasVoucher, withPicture) &&
           (!withPicture ||
            tables.write(field::kVouchers, qinghe::store::Bytes{pictureBytes(seed)}));
}

// Runs a program and waits for it; false unless it ran and exited 0.
bool runProgram(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One run of the program over a household of ten ledgers.
class Household {
  public:
    Household() : state_(qinghe::RunDirectory(folder_.path()), files_, clock_, user_) {
        if (!folder_.made() || !scratch_.made()) fail("temporary folders");
        if (!qinghe::ledger::createRegistry(state_)) fail("creating the registry");
        const std::size_t pictures = householdMegabytes() * 1024 * 1024 / kPictureBytes;
        for (int ledger = 0; ledger < kLedgers; ++ledger) {
            const std::string name = "ledger" + std::to_string(ledger);
            if (qinghe::ledger::createLedger(state_, name, "") !=
                qinghe::ledger::CreateLedgerResult::Created)
                fail("creating " + name);
            tables_.push_back(folder_.path() / "data" / (name + ".edb"));
            auto& tables = state_.tables;
            if (!tables.open(tables_.back(), "", qinghe::tables::kStorePassword))
                fail("opening " + name);
            for (std::size_t i = 0; i < pictures / kLedgers; ++i) {
                if (!appendEntry(tables, static_cast<std::uint32_t>(ledger * 100000 + i), true))
                    fail("filling " + name);
                // Written in batches, as entries are added over time: the
                // changes held until a sync are merged as they grow.
                if (i % kEntriesPerSync == kEntriesPerSync - 1 && !tables.commit())
                    fail("syncing " + name);
            }
            if (!tables.commit()) fail("syncing " + name);
            static_cast<void>(tables.close());
        }
        static_cast<void>(state_.tables.closeAll());
    }

    static Household& get() {
        static Household household;
        return household;
    }

    const qinghe::RunDirectory& run() const { return state_.run; }
    qinghe::maintenance::FolderOperations& folders() { return folders_; }
    qinghe::FixedClock& clock() { return clock_; }

    // One entry added to ledger `which`, as the add-entry window adds it.
    void addEntry(int which, bool withPicture) {
        auto& tables = state_.tables;
        const fs::path& table = tables_[static_cast<std::size_t>(which % kLedgers)];
        if (!tables.open(table, "", qinghe::tables::kStorePassword) ||
            !appendEntry(tables, static_cast<std::uint32_t>(900000 + which), withPicture) ||
            !tables.commit())
            fail("adding an entry");
        static_cast<void>(tables.closeAll());
    }

    // The start-up backup as the program makes it.
    qinghe::maintenance::BackupOutcome backup() {
        clock_.set(clock_.now() + 1.0 / 1440);
        return qinghe::maintenance::makeBackup(folders_, state_.run, clock_);
    }

    // The yardsticks: books/ and data/ copied with cp -r into a fresh folder,
    // and with sync after it (`flushed`); the seconds it took.
    double copy(bool flushed) {
        scratch_.clear();
        drainDisk(folder_.path());
        const auto start = Stopwatch::now();
        for (const char* folder : {"books", "data"}) {
            if (!runProgram({"cp", "-r", (folder_.path() / folder).string(),
                             (scratch_.path() / folder).string()}))
                fail("cp -r");
        }
        if (flushed && !runProgram({"sync"})) fail("sync");
        const double taken = seconds(start, Stopwatch::now());
        scratch_.clear();
        return taken;
    }

  private:
    // Declared first: removed last, after every table is closed.
    qinghe::TemporaryFolder folder_{"qinghe-backup-bench-"};
    qinghe::TemporaryFolder scratch_{"qinghe-backup-bench-copy-"};
    qinghe::store::PosixFileSystem files_;
    qinghe::maintenance::PosixFolderOperations folders_;
    qinghe::FixedClock clock_{42136.5};
    qinghe::NonInteractiveUser user_;
    qinghe::AppState state_;
    std::vector<fs::path> tables_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Rounds of: `prepare` (not timed), then `work` and both copies, taking turns
// at going first. Reports the medians and the range of the ratios.
void againstACopy(benchmark::State& state, const std::function<void(int)>& prepare,
                  const std::function<double()>& work) {
    Household& household = Household::get();
    std::vector<double> ours, flushed, plain, ratios, plainRatios;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            prepare(round);
            double mine = 0, copy = 0, synced = 0;
            if (round % 2 == 0) {
                mine = work();
                synced = household.copy(true);
                copy = household.copy(false);
            } else {
                copy = household.copy(false);
                synced = household.copy(true);
                mine = work();
            }
            ours.push_back(mine);
            flushed.push_back(synced);
            plain.push_back(copy);
            ratios.push_back(mine / synced);
            plainRatios.push_back(mine / copy);
        }
        state.SetIterationTime(median(ours));
    }
    state.counters["ours_ms"] = median(ours) * 1000;
    state.counters["cp_r_sync_ms"] = median(flushed) * 1000;
    state.counters["cp_r_ms"] = median(plain) * 1000;
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["plain_ratio"] = median(plainRatios);
    state.counters["household_mb"] = static_cast<double>(householdMegabytes());
}

double timed(const std::function<void()>& work) {
    drainDisk(Household::get().run().root());
    const auto start = Stopwatch::now();
    work();
    return seconds(start, Stopwatch::now());
}

// The start-up backup of a household that has not changed since its latest
// backup.
void BM_BackupUnchanged(benchmark::State& state) {
    Household& household = Household::get();
    if (!household.backup().complete) fail("the first backup");
    againstACopy(
        state, [](int) {},
        [&] {
            return timed([&] {
                const auto outcome = household.backup();
                if (!outcome.complete || outcome.newGeneration) fail("an unchanged backup");
            });
        });
}
BENCHMARK(BM_BackupUnchanged)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The backup after one entry was added to one ledger: without a picture only
// its table file changed, with one its picture file as well.
void backupAfterOneEntry(benchmark::State& state, bool withPicture) {
    Household& household = Household::get();
    if (!household.backup().complete) fail("the first backup");
    againstACopy(
        state, [&](int round) { household.addEntry(round, withPicture); },
        [&] {
            return timed([&] {
                if (!household.backup().newGeneration) fail("a backup after a change");
            });
        });
}

void BM_BackupAfterOneEntry(benchmark::State& state) {
    backupAfterOneEntry(state, false);
}
BENCHMARK(BM_BackupAfterOneEntry)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BackupAfterOneEntryWithPicture(benchmark::State& state) {
    backupAfterOneEntry(state, true);
}
BENCHMARK(BM_BackupAfterOneEntryWithPicture)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// "数据库还原..." of the latest backup, as the program runs it once the user
// has confirmed: the data as it is kept as a generation (so that the restore
// can be undone), the latest backup's files put in place. Before each round the
// data is backed up and then changed: not at all, by one entry in one ledger
// (the mistake a restore undoes), or by a picture added to every ledger (every
// file differs, so the restore copies all of it).
enum class Change { None, OneEntry, EveryLedger };

void restoreLatest(benchmark::State& state, Change change) {
    Household& household = Household::get();
    againstACopy(
        state,
        [&](int round) {
            // The restored files are new ones: back them up first.
            if (!household.backup().complete) fail("the backup before a restore");
            if (change == Change::OneEntry) household.addEntry(round, false);
            if (change == Change::EveryLedger) {
                for (int ledger = 0; ledger < kLedgers; ++ledger) household.addEntry(ledger, true);
            }
        },
        [&] {
            return timed([&] {
                auto& folders = household.folders();
                const auto latest = qinghe::maintenance::findGeneration(
                    qinghe::maintenance::listGenerations(
                        folders, qinghe::maintenance::BackupPlaces(household.run())),
                    "");
                if (!latest) fail("no backup to restore");
                const auto outcome = qinghe::maintenance::restoreChosen(
                    folders, household.run(), household.clock(), nullptr, *latest, true);
                if (outcome.result != qinghe::maintenance::RestoreResult::Restored ||
                    outcome.safetyId.empty())
                    fail("the restore");
            });
        });
}

void BM_RestoreLatest(benchmark::State& state) {
    restoreLatest(state, Change::None);
}
BENCHMARK(BM_RestoreLatest)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RestoreLatestAfterOneEntry(benchmark::State& state) {
    restoreLatest(state, Change::OneEntry);
}
BENCHMARK(BM_RestoreLatestAfterOneEntry)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_RestoreLatestAfterEveryLedgerChanged(benchmark::State& state) {
    restoreLatest(state, Change::EveryLedger);
}
BENCHMARK(BM_RestoreLatestAfterEveryLedgerChanged)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
