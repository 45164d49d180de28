#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "maintenance/backup.h"
#include "maintenance/generations.h"
#include "maintenance/restore.h"
#include "tests/maintenance/maintenance_fixture.h"
#include "tests/support/faulty_folder_operations.h"

// Backup generations: how they are named and described, kept, linked and
// restored, and what an interruption at any step leaves.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using maintenance::BackupOutcome;
using maintenance::Generation;
using maintenance::GenerationId;
using maintenance::Manifest;
using maintenance::PosixFolderOperations;
using maintenance::RestoreResult;
using testing::FaultyFolderOperations;
using Files = testing::MaintenanceSandbox::Files;

std::vector<std::string> idsOf(const std::vector<Generation>& generations) {
    std::vector<std::string> ids;
    for (const Generation& generation : generations) ids.push_back(generation.id);
    return ids;
}

// --- ids and manifests ---------------------------------------------------------

TEST(GenerationIds, NewIdsFollowEveryExistingOneWhateverTheClockSays) {
    const double now = dateTimeFromCivil(2015, 5, 12, 18, 30, 5).value();
    const struct {
        const char* name;
        std::vector<std::string> existing;
        const char* expected;
    } cases[] = {
        {"first", {}, "20150512-183005"},
        {"later second", {"20150512-183004"}, "20150512-183005"},
        {"same second", {"20150512-183005"}, "20150512-183005-2"},
        {"same second again", {"20150512-183005", "20150512-183005-2"}, "20150512-183005-3"},
        // Numbers, not texts: -10 follows -9.
        {"tenth", {"20150512-183005-9"}, "20150512-183005-10"},
        {"after the tenth", {"20150512-183005-10", "20150512-183005-9"}, "20150512-183005-11"},
        // The clock went back a day: still after the newest.
        {"clock went back", {"20150513-090000"}, "20150513-090000-2"},
        {"foreign names ignored", {"latest", "2015-05-13"}, "20150512-183005"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(maintenance::nextGenerationId(now, c.existing), c.expected);
    }
    for (const char* bad : {"", "2015051-183005", "20150512_183005", "20150512-183005-1",
                            "20150512-183005-02", "20150512-183005-", "20150512-183005x"})
        EXPECT_FALSE(GenerationId::parse(bad)) << bad;
    EXPECT_EQ(maintenance::dateTimeText(dateTimeFromCivil(2015, 5, 12, 23, 59, 59.7).value()),
              "2015-05-13 00:00:00");
}

TEST(Manifests, KeepEveryNameByteForByteAndRefuseDamagedText) {
    Manifest manifest;
    manifest.id = "20150512-180000-2";
    manifest.created = dateTimeFromCivil(2015, 5, 12, 18, 0, 0).value();
    const char* odd[] = {"data/a b.edb",      "data/100%.edb",  "data/line\nbreak",
                         "data/\xBC\xD2.edb", "setup/jtcy.ini", "data/tab\t.edt"};
    for (const char* target : odd) {
        maintenance::ManifestEntry entry;
        entry.target = target;
        entry.source = std::string("data/sub dir/") + fs::path(target).filename().string();
        entry.stamp = {maintenance::EntryType::Regular, 123456789012ull, 1431424800, 999999999};
        manifest.files.push_back(entry);
    }
    manifest.files.back().stamp.modifiedNanoseconds = -1;  // changed while copied
    const std::string text = maintenance::encodeManifest(manifest);
    const auto back = maintenance::decodeManifest(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->id, manifest.id);
    EXPECT_EQ(back->created, manifest.created);
    ASSERT_EQ(back->files.size(), manifest.files.size());
    for (std::size_t i = 0; i < manifest.files.size(); ++i) {
        EXPECT_EQ(back->files[i].target, manifest.files[i].target);
        EXPECT_EQ(back->files[i].source, manifest.files[i].source);
        EXPECT_TRUE(back->files[i].stamp.sameContentStamp(manifest.files[i].stamp));
    }

    const struct {
        const char* name;
        std::string text;
    } damaged[] = {
        {"empty", ""},
        {"cut short", text.substr(0, text.size() / 2)},
        {"without its end line", text.substr(0, text.rfind("end\n"))},
        {"another format", "qinghe-backup-manifest 2" + text.substr(text.find('\n'))},
        {"target outside the generation",
         std::string(text).replace(text.find("data/a%20b.edb"), 14, "data/../x.edbb")},
        {"settings target in a folder of its own",
         std::string(text).replace(text.find("setup/jtcy.ini"), 14, "setup/x/jtcy.i")},
        {"settings target outside the generation",
         std::string(text).replace(text.find("setup/jtcy.ini"), 14, "setup/../../x.")},
        {"bad number", std::string(text).replace(text.find("123456789012"), 1, "x")},
        {"bad escape", std::string(text).replace(text.find("%25"), 3, "%G5")},
    };
    for (const auto& d : damaged) EXPECT_FALSE(maintenance::decodeManifest(d.text)) << d.name;
}

// --- keeping and linking -------------------------------------------------------

class GenerationsTest : public ::testing::Test {
  protected:
    testing::MaintenanceSandbox box_;
    PosixFolderOperations ops_;
};

TEST_F(GenerationsTest, NPlusOneBackupsKeepTheNewestN) {
    const int kept = 3;
    std::vector<std::string> made;
    for (int version = 1; version <= kept + 2; ++version) {
        box_.putData(std::to_string(version));
        const BackupOutcome outcome = box_.backup(ops_, kept);
        ASSERT_TRUE(outcome.complete);
        ASSERT_TRUE(outcome.newGeneration);
        made.push_back(outcome.id);
        const auto generations = box_.generations(ops_);
        ASSERT_EQ(generations.size(), std::min<std::size_t>(made.size(), kept));
        // Newest first, the latest in backup/ with the Part's layout.
        EXPECT_EQ(idsOf(generations),
                  std::vector<std::string>(made.rbegin(),
                                           made.rbegin() + static_cast<long>(generations.size())));
        EXPECT_TRUE(generations.front().latest);
        EXPECT_EQ(box_.get("backup/books/books.edb"), "registry " + std::to_string(version));
        EXPECT_EQ(box_.get("backup/data/trip.edt"), "trip pictures " + std::to_string(version));
        // Each generation holds the data of its own backup.
        for (std::size_t i = 0; i < generations.size(); ++i) {
            const std::string v = std::to_string(version - static_cast<int>(i));
            EXPECT_EQ(box_.generationData(generations[i].folder),
                      (Files{{"books/books.edb", "registry " + v},
                             {"data/home.edb", "home table " + v},
                             {"data/trip.edt", "trip pictures " + v}}));
        }
    }
}

TEST_F(GenerationsTest, UnchangedDataMakesNoNewGenerationSoStartsDoNotPushOldOnesOut) {
    box_.putData("1");
    const BackupOutcome first = box_.backup(ops_, 2);
    box_.putData("2");
    const BackupOutcome second = box_.backup(ops_, 2);
    for (int start = 0; start < 5; ++start) {
        const BackupOutcome again = box_.backup(ops_, 2);
        EXPECT_TRUE(again.complete);
        EXPECT_FALSE(again.newGeneration);
        EXPECT_EQ(again.id, second.id);
        EXPECT_EQ(again.copiedFiles + again.linkedFiles, 0u);
    }
    EXPECT_EQ(idsOf(box_.generations(ops_)), (std::vector<std::string>{second.id, first.id}));

    // A file gone counts as a change as well.
    std::filesystem::remove(box_.at("data/home.edb"));
    EXPECT_TRUE(box_.backup(ops_, 2).newGeneration);
}

TEST_F(GenerationsTest, UnchangedFilesAreLinkedToThePreviousCopyNeverToTheLiveFile) {
    box_.putData("1");
    ASSERT_TRUE(box_.backup(ops_).newGeneration);
    box_.put("data/home.edb", "home table 2");  // the one file that changes
    const BackupOutcome outcome = box_.backup(ops_);
    ASSERT_TRUE(outcome.newGeneration);
    EXPECT_EQ(outcome.copiedFiles, 1u);
    EXPECT_EQ(outcome.linkedFiles, 2u);

    const std::string previous = "backup-" + outcome.previousLatestId;
    for (const char* file : {"books/books.edb", "data/trip.edt"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(box_.inode(std::string("backup/") + file), box_.inode(previous + "/" + file));
    }
    EXPECT_NE(box_.inode("backup/data/trip.edt"), box_.inode("data/trip/trip.edt"));
    EXPECT_NE(box_.inode("backup/data/home.edb"), box_.inode(previous + "/data/home.edb"));
    EXPECT_EQ(box_.get("backup/data/home.edb"), "home table 2");
    EXPECT_EQ(box_.get(previous + "/data/home.edb"), "home table 1");

    // The live file written again in place, as the table store does: every
    // generation keeps what it had.
    {
        std::fstream live(box_.at("data/trip/trip.edt"),
                          std::ios::in | std::ios::out | std::ios::binary);
        live.seekp(0);
        live << "TRIP";
    }
    EXPECT_EQ(box_.get("backup/data/trip.edt"), "trip pictures 1");
    EXPECT_EQ(box_.get(previous + "/data/trip.edt"), "trip pictures 1");
    const BackupOutcome third = box_.backup(ops_);
    EXPECT_EQ(third.copiedFiles, 1u);
    EXPECT_EQ(box_.get("backup/data/trip.edt"), "TRIP pictures 1");
    EXPECT_EQ(box_.get("backup-" + third.previousLatestId + "/data/trip.edt"), "trip pictures 1");
}

TEST_F(GenerationsTest, WithoutHardLinksEveryFileIsCopied) {
    FaultyFolderOperations noLinks;
    noLinks.noHardLinks = true;
    box_.putData("1");
    ASSERT_TRUE(box_.backup(noLinks).complete);
    box_.put("data/home.edb", "home table 2");
    const BackupOutcome outcome = box_.backup(noLinks);
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(outcome.linkedFiles, 0u);
    EXPECT_EQ(outcome.copiedFiles, 3u);
    EXPECT_EQ(box_.generationData(box_.at("backup")), box_.liveData());
    EXPECT_NE(box_.inode("backup/data/trip.edt"),
              box_.inode("backup-" + outcome.previousLatestId + "/data/trip.edt"));
}

// A copy during which its source changed: it must not be linked to later.
class SourceChangesWhileCopied : public FaultyFolderOperations {
  public:
    maintenance::CopyReport copyFile(const fs::path& from, const fs::path& to) override {
        maintenance::CopyReport report = FaultyFolderOperations::copyFile(from, to);
        if (from.filename() == "home.edb") report.after.modifiedNanoseconds += 1;
        return report;
    }
};

TEST_F(GenerationsTest, AFileThatChangedWhileItWasCopiedIsCopiedAgainNextTime) {
    SourceChangesWhileCopied changing;
    box_.putData("1");
    ASSERT_TRUE(box_.backup(changing).complete);
    const BackupOutcome next = box_.backup(ops_);
    EXPECT_TRUE(next.newGeneration);
    EXPECT_EQ(next.copiedFiles, 1u);
    EXPECT_EQ(next.linkedFiles, 2u);
}

TEST_F(GenerationsTest, ABackupOfAnEarlierVersionIsKeptAndListedByItsTime) {
    // The single backup earlier versions made: no manifest.
    box_.put("backup/books/books.edb", "old registry");
    box_.put("backup/data/old.edb", "old table");
    const auto listed = box_.generations(ops_);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(listed[0].manifest);
    EXPECT_TRUE(GenerationId::parse(listed[0].id));
    EXPECT_EQ(maintenance::measureGeneration(ops_, listed[0]).files, 2u);

    box_.putData("1");
    const BackupOutcome outcome = box_.backup(ops_);
    ASSERT_TRUE(outcome.newGeneration);
    EXPECT_EQ(outcome.previousLatestId, listed[0].id);
    EXPECT_EQ(box_.get("backup-" + listed[0].id + "/data/old.edb"), "old table");
}

// --- interruptions -------------------------------------------------------------

// Two generations and live data of a third version; `kept` 2 so that a
// complete third backup removes the first. Each attempt starts afresh.
class InterruptedBackupTest : public ::testing::Test {
  protected:
    void prepare() {
        box_ = std::make_unique<testing::MaintenanceSandbox>();
        earlier_.clear();
        for (const char* version : {"1", "2"}) {
            box_->putData(version);
            ASSERT_TRUE(box_->backup(ops_, 2).newGeneration);
            earlier_.push_back({box_->generations(ops_).front().id, box_->liveData()});
        }
        box_->putData("3");
        box_->put("data/trip/trip.edt", "trip pictures 2");
        current_ = box_->liveData();
    }

    // Every generation named holds the data of its backup, and restoring it
    // brings exactly that data back.
    void expectRestorable(const std::vector<std::pair<std::string, Files>>& expected) {
        const auto listed = box_->generations(ops_);
        for (const auto& [id, files] : expected) {
            SCOPED_TRACE(id);
            const auto generation = maintenance::findGeneration(listed, id);
            ASSERT_TRUE(generation);
            EXPECT_EQ(box_->generationData(generation->folder), files);
            ASSERT_EQ(maintenance::restoreGeneration(ops_, box_->run(), id),
                      RestoreResult::Restored);
            EXPECT_EQ(box_->liveData(), files);
        }
    }

    // Every generation named is there and holds the data of its backup.
    void expectHeld(const std::vector<std::pair<std::string, Files>>& expected) {
        const auto listed = box_->generations(ops_);
        for (const auto& [id, files] : expected) {
            SCOPED_TRACE(id);
            const auto generation = maintenance::findGeneration(listed, id);
            ASSERT_TRUE(generation);
            ASSERT_TRUE(generation->manifest);
            EXPECT_EQ(box_->generationData(generation->folder), files);
        }
    }

    // Only the live folders and the generations: nothing half made is left.
    void expectOnly(const std::set<std::string>& live) {
        for (const std::string& name : box_->names())
            EXPECT_TRUE(live.contains(name) || name.starts_with("backup-")) << name;
    }

    std::unique_ptr<testing::MaintenanceSandbox> box_;
    PosixFolderOperations ops_;
    std::vector<std::pair<std::string, Files>> earlier_;
    Files current_;
};

TEST_F(InterruptedBackupTest, FailingAtAnyStepLeavesEveryEarlierGenerationRestorable) {
    for (const auto mode :
         {FaultyFolderOperations::Mode::Crash, FaultyFolderOperations::Mode::OneFailure}) {
        for (long step = 0;; ++step) {
            SCOPED_TRACE(::testing::Message()
                         << (mode == FaultyFolderOperations::Mode::Crash ? "crash" : "one failure")
                         << " at step " << step);
            prepare();
            FaultyFolderOperations faulty(step, mode);
            const BackupOutcome outcome = box_->backup(faulty, 2);
            if (!faulty.failed()) {
                EXPECT_TRUE(outcome.complete);
                EXPECT_GT(step, 10);
                break;  // past the last step
            }
            // A backup never touches the live data.
            EXPECT_EQ(box_->liveData(), current_);
            std::vector<std::pair<std::string, Files>> expected = earlier_;
            if (outcome.complete) {
                // Only a flush after the swap or the pruning failed: the new
                // generation is complete, and the oldest may have gone.
                EXPECT_EQ(box_->generationData(box_->at("backup")), current_);
                expected = {earlier_[1], {outcome.id, current_}};
            } else {
                EXPECT_EQ(outcome.failure, maintenance::BackupFailure::WriteFailed);
            }
            // Whatever the next run finds, it finishes or clears.
            ASSERT_TRUE(box_->backup(ops_, 3).complete);
            expectOnly({"backup", "books", "data"});
            expectRestorable(expected);
            if (HasFailure()) return;
        }
    }
}

TEST_F(InterruptedBackupTest, AnInterruptedRestoreIsFinishedOrNeverStarted) {
    for (const auto mode :
         {FaultyFolderOperations::Mode::Crash, FaultyFolderOperations::Mode::OneFailure}) {
        for (long step = 0;; ++step) {
            SCOPED_TRACE(::testing::Message()
                         << (mode == FaultyFolderOperations::Mode::Crash ? "crash" : "one failure")
                         << " at step " << step);
            prepare();
            box_->put("user/user.edb", "login");
            FaultyFolderOperations faulty(step, mode);
            const RestoreResult result =
                maintenance::restoreGeneration(faulty, box_->run(), earlier_[0].first);
            if (!faulty.failed()) {
                EXPECT_EQ(result, RestoreResult::Restored);
                EXPECT_EQ(box_->liveData(), earlier_[0].second);
                break;
            }
            // The next run decides: all of the restore or none of it, and what
            // was told holds.
            maintenance::recoverInterruptedWork(ops_, box_->run());
            const Files live = box_->liveData();
            EXPECT_EQ(live, result == RestoreResult::Failed ? current_ : earlier_[0].second);
            EXPECT_EQ(box_->get("user/user.edb"), "login");
            expectOnly({"backup", "books", "data", "user"});
            EXPECT_EQ(box_->generations(ops_).size(), 2u);
            if (HasFailure()) return;
        }
    }
}

// A restore that keeps the data it replaces as a generation: after a failure
// or a crash at any step and the next run, either nothing changed and no
// generation was added, or the restore is complete with a complete
// generation of the data from before it in place as the latest. No live file
// is ever a file of a generation.
TEST_F(InterruptedBackupTest, AnInterruptedRestoreKeepingTheDataLosesNothing) {
    const struct {
        const char* name;
        int chosen;    // of earlier_; the latest is 1
        bool byPlace;  // chosen as the latest (an empty id)
    } cases[] = {
        // home.edb is live with the bytes of the first: it stays, and the new
        // generation gets the first's copy of it.
        {"an older generation", 0, false},
        // The latest moves aside; the oldest goes once the new one is in.
        {"the latest", 1, true},
    };
    for (const auto& c : cases) {
        for (const auto mode :
             {FaultyFolderOperations::Mode::Crash, FaultyFolderOperations::Mode::OneFailure}) {
            for (long step = 0;; ++step) {
                SCOPED_TRACE(
                    ::testing::Message()
                    << c.name << ", "
                    << (mode == FaultyFolderOperations::Mode::Crash ? "crash" : "one failure")
                    << " at step " << step);
                prepare();
                box_->put("data/home.edb", "home table 1");
                current_ = box_->liveData();
                box_->put("user/user.edb", "login");
                const auto& [chosenId, chosenData] = earlier_[static_cast<std::size_t>(c.chosen)];
                FaultyFolderOperations faulty(step, mode);
                const maintenance::RestoreOutcome outcome = maintenance::restoreKeepingTheData(
                    faulty, box_->run(), c.byPlace ? "" : chosenId, {box_->clock().now() + 1, 2});
                const bool done = !faulty.failed();
                if (done) {
                    EXPECT_EQ(outcome.result, RestoreResult::Restored);
                }

                maintenance::recoverInterruptedWork(ops_, box_->run());
                const auto generations = box_->generations(ops_);
                EXPECT_EQ(box_->get("user/user.edb"), "login");
                EXPECT_EQ(box_->liveFilesInGenerations(), std::set<std::string>{});
                expectOnly({"backup", "books", "data", "user"});
                if (outcome.result == RestoreResult::Restored ||
                    outcome.result == RestoreResult::Pending) {
                    EXPECT_EQ(box_->liveData(), chosenData);
                    ASSERT_FALSE(generations.empty());
                    EXPECT_TRUE(generations.front().latest);
                    EXPECT_EQ(generations.front().id, outcome.safetyId);
                    EXPECT_TRUE(outcome.newGeneration);
                    // The chosen one stays; the oldest of the latest case goes
                    // once the new one is in (or with the next backup).
                    std::vector<std::pair<std::string, Files>> expected{
                        {outcome.safetyId, current_}, earlier_[1]};
                    if (c.chosen == 0) expected.push_back(earlier_[0]);
                    EXPECT_GE(generations.size(), expected.size());
                    if (done && c.chosen == 1) {
                        EXPECT_EQ(generations.size(), 2u);
                    }
                    expectHeld(expected);
                } else {
                    // Told as not made: nothing changed, no generation added.
                    EXPECT_NE(outcome.result, RestoreResult::NoSuchGeneration);
                    EXPECT_EQ(box_->liveData(), current_);
                    EXPECT_EQ(generations.size(), 2u);
                    EXPECT_TRUE(outcome.safetyId.empty());
                    expectHeld(earlier_);
                }
                if (done || HasFailure()) break;
            }
        }
    }
}

// The real disk through a FaultyFolderOperations, remembering which copies
// were never flushed so that a power loss can take their bytes.
class UnflushedCopies : public maintenance::FolderOperations {
  public:
    FaultyFolderOperations faults;

    // Files below `folder` whose bytes were never flushed.
    std::set<std::string> unflushedBelow(const fs::path& folder) const {
        std::set<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && unflushed_.contains(inodeOf(entry.path())))
                found.insert(entry.path().lexically_relative(folder).generic_string());
        }
        return found;
    }
    // What a power loss leaves of them: their length, no bytes. The machine
    // then starts again.
    void losePower(const fs::path& folder) {
        for (const std::string& file : unflushedBelow(folder)) {
            const auto size = fs::file_size(folder / file);
            std::ofstream(folder / file, std::ios::binary | std::ios::trunc)
                << std::string(size, '\0');
        }
        unflushed_.clear();
    }

    maintenance::FileStatus status(const fs::path& path) override { return faults.status(path); }
    std::optional<std::vector<maintenance::FolderEntry>> list(const fs::path& folder) override {
        return faults.list(folder);
    }
    std::optional<std::string> readFile(const fs::path& file, std::size_t maxBytes) override {
        return faults.readFile(file, maxBytes);
    }
    bool sameContents(const fs::path& a, const fs::path& b) override {
        return faults.sameContents(a, b);
    }
    bool makeFolder(const fs::path& folder) override { return faults.makeFolder(folder); }
    bool writeFile(const fs::path& file, std::string_view bytes) override {
        return faults.writeFile(file, bytes);
    }
    maintenance::CopyReport copyFile(const fs::path& from, const fs::path& to) override {
        maintenance::CopyReport report = faults.copyFile(from, to);
        if (report.result == maintenance::CopyResult::Copied) unflushed_.insert(inodeOf(to));
        return report;
    }
    bool syncFile(const fs::path& file) override {
        const bool synced = faults.syncFile(file);
        if (synced) unflushed_.erase(inodeOf(file));
        return synced;
    }
    bool syncFileSystem(const fs::path& path) override {
        const bool synced = faults.syncFileSystem(path);
        if (synced) unflushed_.clear();
        return synced;
    }
    bool hardLink(const fs::path& existing, const fs::path& link) override {
        return faults.hardLink(existing, link);
    }
    bool rename(const fs::path& from, const fs::path& to) override {
        return faults.rename(from, to);
    }
    bool removeTree(const fs::path& path, const fs::path& within) override {
        return faults.removeTree(path, within);
    }
    bool syncFolder(const fs::path& folder) override { return faults.syncFolder(folder); }

  private:
    static ino_t inodeOf(const fs::path& file) {
        struct stat st {};
        return ::lstat(file.c_str(), &st) == 0 ? st.st_ino : 0;
    }
    std::set<ino_t> unflushed_;
};

// A restore is on the disk when it says it is done: a power loss right after
// it takes nothing of the restored data, nor of the generation of the data it
// replaced, and backups go on as before.
TEST_F(InterruptedBackupTest, ARestoreSurvivesAPowerLossRightAfterIt) {
    const struct {
        const char* name;
        int chosen;  // of earlier_; the latest is 1
    } cases[] = {
        {"an older generation", 0},
        {"the latest", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        const auto& [chosenId, chosenData] = earlier_[static_cast<std::size_t>(c.chosen)];
        UnflushedCopies disk;
        const maintenance::RestoreOutcome outcome = maintenance::restoreKeepingTheData(
            disk, box_->run(), chosenId, {box_->clock().now() + 1, 3});
        ASSERT_EQ(outcome.result, RestoreResult::Restored);
        EXPECT_TRUE(outcome.leftoversRemoved);
        EXPECT_EQ(box_->liveData(), chosenData);
        EXPECT_EQ(disk.unflushedBelow(box_->at("")), std::set<std::string>{});
        disk.losePower(box_->at(""));

        maintenance::recoverInterruptedWork(ops_, box_->run());
        EXPECT_EQ(box_->liveData(), chosenData);
        EXPECT_EQ(box_->liveFilesInGenerations(), std::set<std::string>{});
        expectOnly({"backup", "books", "data"});
        expectHeld({{outcome.safetyId, current_}, earlier_[0], earlier_[1]});
        // Backups go on as before.
        EXPECT_TRUE(box_->backup(ops_, 3).complete);
    }
}

// A backup is on the disk before it is listed: a power loss right after it
// leaves it whole, and the oldest is removed only once it is.
TEST_F(InterruptedBackupTest, ABackupSurvivesAPowerLossRightAfterIt) {
    prepare();
    UnflushedCopies disk;
    const BackupOutcome outcome = box_->backup(disk, 2);
    ASSERT_TRUE(outcome.newGeneration);
    EXPECT_TRUE(outcome.olderRemoved);
    EXPECT_EQ(disk.unflushedBelow(box_->at("")), std::set<std::string>{});
    disk.losePower(box_->at(""));

    maintenance::recoverInterruptedWork(ops_, box_->run());
    EXPECT_EQ(box_->liveData(), current_);
    expectOnly({"backup", "books", "data"});
    EXPECT_EQ(idsOf(box_->generations(ops_)),
              (std::vector<std::string>{outcome.id, earlier_[1].first}));
    expectRestorable({earlier_[1], {outcome.id, current_}});
}

TEST_F(InterruptedBackupTest, AnInterruptedInitialisationIsFinishedOrNeverStarted) {
    for (const auto mode :
         {FaultyFolderOperations::Mode::Crash, FaultyFolderOperations::Mode::OneFailure}) {
        for (long step = 0;; ++step) {
            SCOPED_TRACE(::testing::Message()
                         << (mode == FaultyFolderOperations::Mode::Crash ? "crash" : "one failure")
                         << " at step " << step);
            prepare();
            FaultyFolderOperations faulty(step, mode);
            const maintenance::InitialiseResult result =
                maintenance::initialiseData(faulty, box_->run());
            maintenance::recoverInterruptedWork(ops_, box_->run());
            const Files live = box_->liveData();
            EXPECT_EQ(live.empty(), !box_->exists("books") && !box_->exists("data"));
            // Told as failed, nothing is gone; otherwise all is, after the next
            // run at the latest.
            EXPECT_EQ(live, result == maintenance::InitialiseResult::Failed ? current_ : Files{});
            // The generations are never touched.
            EXPECT_EQ(box_->generations(ops_).size(), 2u);
            expectOnly({"backup", "books", "data"});
            if (!faulty.failed() || HasFailure()) break;
        }
    }
}

// --- restore and initialisation --------------------------------------------------

TEST_F(GenerationsTest, RestoreCopiesTheChosenGenerationAndLeavesUserAndSettings) {
    box_.putData("1");
    const BackupOutcome first = box_.backup(ops_);
    box_.putData("2");
    box_.put("data/extra.edb", "only in the second");
    const BackupOutcome second = box_.backup(ops_);
    box_.putData("3");
    box_.put("user/user.edb", "login");
    box_.put("setup/system.ini", "[setup]\r\n");

    const struct {
        const char* name;
        std::string id;
        Files expected;
    } cases[] = {
        {"the latest by default", "", box_.generationData(box_.at("backup"))},
        {"an older one by id", first.id, box_.generationData(box_.at("backup-" + first.id))},
        {"the latest by id", second.id, box_.generationData(box_.at("backup"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(maintenance::restoreGeneration(ops_, box_.run(), c.id), RestoreResult::Restored);
        EXPECT_EQ(box_.liveData(), c.expected);
        // Flat, as the generation holds the files.
        EXPECT_TRUE(box_.exists("data/trip.edt"));
        EXPECT_EQ(box_.get("user/user.edb"), "login");
        EXPECT_EQ(box_.get("setup/system.ini"), "[setup]\r\n");
        // Copies: writing the restored files leaves the generation alone.
        EXPECT_NE(box_.inode("data/home.edb"), box_.inode("backup/data/home.edb"));
        // Nothing is left for a later run to do.
        EXPECT_EQ(box_.names(), (std::set<std::string>{"backup", "backup-" + first.id, "books",
                                                       "data", "setup", "user"}));
    }
    box_.putData("4");
    EXPECT_EQ(maintenance::restoreGeneration(ops_, box_.run(), "20990101-000000"),
              RestoreResult::NoSuchGeneration);
    EXPECT_EQ(box_.get("data/home.edb"), "home table 4");
}

// The settings (the item and member lists, the start date and initial
// amount, system.ini) are in every generation, and a restore puts them back;
// a generation made without them leaves the settings as they are.
TEST_F(GenerationsTest, GenerationsKeepTheSettingsAndARestorePutsThemBack) {
    const auto systemIni = [](int lastBackup, int kept) {
        return "[setup]\r\nlastbackup=" + std::to_string(lastBackup) +
               "\r\nbackupkeep=" + std::to_string(kept) + "\r\n";
    };
    box_.putData("1");
    box_.put("setup/szxm.ini", "items 1");
    box_.put("setup/csrqje.ini", "start 1");
    box_.put("setup/system.ini", systemIni(1, 5));
    const BackupOutcome first = box_.backup(ops_);
    ASSERT_TRUE(first.complete);
    EXPECT_EQ(box_.generationSettings(box_.at("backup")), (Files{{"csrqje.ini", "start 1"},
                                                                 {"szxm.ini", "items 1"},
                                                                 {"system.ini", systemIni(1, 5)}}));

    // The date a backup writes when it is done and the place of the main
    // window are no change of the settings; any other is.
    box_.put("setup/system.ini", systemIni(2, 5));
    EXPECT_FALSE(box_.backup(ops_).newGeneration);
    box_.put("setup/system.ini", systemIni(2, 5) + "winx = 40\r\nwinwidth=1024\r\nwinmax=1\r\n");
    EXPECT_FALSE(box_.backup(ops_).newGeneration);
    box_.put("setup/system.ini", systemIni(2, 5));
    box_.put("setup/system.ini", systemIni(2, 6));
    EXPECT_TRUE(box_.backup(ops_).newGeneration);
    box_.put("setup/szxm.ini", "items 2");
    EXPECT_TRUE(box_.backup(ops_).newGeneration);

    // A generation without settings, as one of an earlier release.
    std::filesystem::rename(box_.at("setup"), box_.at("setup.kept"));
    box_.putData("3");
    const BackupOutcome withoutSettings = box_.backup(ops_);
    ASSERT_TRUE(withoutSettings.newGeneration);
    EXPECT_FALSE(box_.exists("backup/setup"));
    std::filesystem::rename(box_.at("setup.kept"), box_.at("setup"));

    // Restoring the first brings its settings back, and the settings it
    // replaces are in the generation the restore makes of what was there.
    box_.put("user/user.edb", "login");
    const maintenance::RestoreOutcome restored = maintenance::restoreKeepingTheData(
        ops_, box_.run(), first.id, {box_.clock().now() + 1, 10});
    ASSERT_EQ(restored.result, RestoreResult::Restored);
    EXPECT_EQ(box_.get("setup/szxm.ini"), "items 1");
    EXPECT_EQ(box_.get("setup/csrqje.ini"), "start 1");
    EXPECT_EQ(box_.get("setup/system.ini"), systemIni(1, 5));
    EXPECT_EQ(box_.get("user/user.edb"), "login");
    EXPECT_EQ(box_.generationSettings(box_.at("backup"))["szxm.ini"], "items 2");
    // Nothing of the restore is left over.
    for (const std::string& name : box_.names()) {
        EXPECT_TRUE(name == "books" || name == "data" || name == "setup" || name == "user" ||
                    name == "backup" || name.starts_with("backup-"))
            << name;
    }

    // One without settings leaves them as they are.
    ASSERT_EQ(maintenance::restoreGeneration(ops_, box_.run(), withoutSettings.id),
              RestoreResult::Restored);
    EXPECT_EQ(box_.get("data/home.edb"), "home table 3");
    EXPECT_EQ(box_.get("setup/szxm.ini"), "items 1");
}

TEST_F(GenerationsTest, RestoreKeepsLiveFilesThatHoldTheSameBytesAndCopiesTheRest) {
    box_.putData("1");
    ASSERT_TRUE(box_.backup(ops_).complete);
    box_.put("data/home.edb", "home table X");  // changed
    // Damaged on the disk: the same size and time, other bytes.
    const fs::path registry = box_.at("books/books.edb");
    const auto time = fs::last_write_time(registry);
    box_.put("books/books.edb", "registry 9");
    fs::last_write_time(registry, time);
    box_.put("data/trip.edt", "trip pictures 1");  // flat, as the restore leaves it
    fs::remove_all(box_.at("data/trip"));
    const auto keptInode = box_.inode("data/trip.edt");

    ASSERT_EQ(maintenance::restoreGeneration(ops_, box_.run(), ""), RestoreResult::Restored);
    EXPECT_EQ(box_.liveData(), box_.generationData(box_.at("backup")));
    EXPECT_EQ(box_.get("books/books.edb"), "registry 1");
    EXPECT_EQ(box_.inode("data/trip.edt"), keptInode);
    EXPECT_NE(box_.inode("data/trip.edt"), box_.inode("backup/data/trip.edt"));
    EXPECT_NE(box_.inode("data/home.edb"), box_.inode("backup/data/home.edb"));
    EXPECT_NE(box_.inode("books/books.edb"), box_.inode("backup/books/books.edb"));
}

// The data a restore replaces becomes the new latest generation without being
// copied: only what is restored is copied (and, without hard links, the data
// kept as well).
TEST_F(GenerationsTest, RestoreKeepingTheDataCopiesOnlyWhatItRestores) {
    const struct {
        const char* name;
        bool changedSinceBackup;
        bool noHardLinks;
        int copies;
        int links;
        bool newGeneration;
    } cases[] = {
        // The three live files become the generation; the three restored are copied.
        {"every file changed", true, false, 3, 3, true},
        {"every file changed, no hard links", true, true, 6, 0, true},
        // The latest holds the data already: no generation is made, and the
        // live files that hold the restored bytes stay (trip.edt lives in a
        // subfolder, so it is copied flat).
        {"nothing changed", false, false, 1, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::MaintenanceSandbox box;
        box.putData("1");
        const BackupOutcome first = box.backup(ops_);
        ASSERT_TRUE(first.complete);
        if (c.changedSinceBackup) box.putData("2");
        const Files before = box.liveData();
        const auto liveInode = box.inode("data/home.edb");

        FaultyFolderOperations counting;
        counting.noHardLinks = c.noHardLinks;
        const maintenance::RestoreOutcome outcome =
            maintenance::restoreKeepingTheData(counting, box.run(), "", {box.clock().now() + 1, 5});
        ASSERT_EQ(outcome.result, RestoreResult::Restored);
        EXPECT_EQ(counting.copies(), c.copies);
        EXPECT_EQ(counting.links(), c.links);
        EXPECT_EQ(outcome.newGeneration, c.newGeneration);

        const auto generations = box.generations(ops_);
        EXPECT_EQ(box.liveData(), box.generationData(generations.back().folder));
        EXPECT_EQ(box.liveFilesInGenerations(), std::set<std::string>{});
        ASSERT_EQ(generations.size(), c.newGeneration ? 2u : 1u);
        EXPECT_EQ(generations.front().id, outcome.safetyId);
        EXPECT_EQ(box.generationData(generations.front().folder), before);
        EXPECT_EQ(generations.back().id, first.id);
        if (c.newGeneration && !c.noHardLinks) {
            // The file that was live is the generation's now.
            EXPECT_EQ(box.inode("backup/data/home.edb"), liveInode);
        }
    }
}

TEST_F(GenerationsTest, RestoreWithoutAnyBackupChangesNothing) {
    box_.putData("1");
    EXPECT_EQ(maintenance::restoreGeneration(ops_, box_.run(), ""),
              RestoreResult::NoSuchGeneration);
    EXPECT_EQ(box_.get("data/home.edb"), "home table 1");
    EXPECT_EQ(box_.names(), (std::set<std::string>{"books", "data"}));
}

TEST_F(GenerationsTest, InitialiseRemovesTheLedgersAndKeepsUserSettingsAndBackups) {
    box_.putData("1");
    ASSERT_TRUE(box_.backup(ops_).complete);
    box_.put("user/user.edb", "login");
    box_.put("setup/system.ini", "[setup]\r\n");
    ASSERT_EQ(maintenance::initialiseData(ops_, box_.run()),
              maintenance::InitialiseResult::Initialised);
    EXPECT_EQ(box_.names(), (std::set<std::string>{"backup", "setup", "user"}));
    EXPECT_EQ(box_.get("backup/data/home.edb"), "home table 1");
    // Nothing to remove is no failure.
    EXPECT_EQ(maintenance::initialiseData(ops_, box_.run()),
              maintenance::InitialiseResult::Initialised);
}

}  // namespace
}  // namespace qinghe
