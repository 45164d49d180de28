#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include "common/clock.h"
#include "common/run_directory.h"
#include "common/temporary_folder.h"
#include "config/settings.h"
#include "maintenance/backup.h"

namespace {

namespace fs = std::filesystem;
using qinghe::RunDirectory;
using Names = std::set<std::string>;

// A backup as the tool makes it: the real disk and clock, the generations
// system.ini asks for. True when the data is in a complete generation.
bool runBackup(const RunDirectory& run) {
    qinghe::maintenance::PosixFolderOperations ops;
    qinghe::SystemClock clock;
    return qinghe::maintenance::makeBackup(ops, run, clock, qinghe::readBackupsKept(run)).complete;
}

// A run directory of its own with small file helpers; paths are relative to it.
class Sandbox {
  public:
    const RunDirectory& run() const { return run_; }
    fs::path at(const std::string& relative) const { return temp_.path() / relative; }

    void put(const std::string& relative, const std::string& bytes) const {
        fs::create_directories(at(relative).parent_path());
        std::ofstream(at(relative), std::ios::binary) << bytes;
    }
    std::string get(const std::string& relative) const {
        std::ifstream in(at(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The names in a folder; empty when it is missing.
    Names names(const std::string& relative = "") const {
        Names result;
        std::error_code ec;
        for (fs::directory_iterator it(at(relative), ec), end; !ec && it != end; it.increment(ec)) {
            result.insert(it->path().filename().string());
        }
        return result;
    }

    // A complete earlier backup whose contents the tests recognise.
    void putOldBackup(const std::string& folder = "backup") const {
        put(folder + "/books/books.edb", "old registry");
        put(folder + "/data/old.edb", "old table");
    }
    // Something that cannot be backed up: the registry is a folder.
    void breakRegistry() const { fs::create_directories(at("books/books.edb")); }

  private:
    qinghe::TemporaryFolder temp_;
    RunDirectory run_{temp_.path()};
};

// Bytes of every value, longer than any copy buffer, so that a copy that loses or
// shifts a piece shows.
std::string binaryBytes(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    return bytes;
}

// Writes beyond a size fail (EFBIG) while this lives, as on a full disk; it holds
// for root as well, unlike file permissions.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    void (*handler_)(int);
};

TEST(Backup, NothingToCopyStillGivesBothFolders) {
    struct Case {
        const char* name;
        bool registry;
        bool dataFolder;
    };
    const Case cases[] = {
        {"empty data folder", false, true},
        {"no data folder", false, false},
        {"registry only", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        if (c.registry) box.put("books/books.edb", "registry");
        if (c.dataFolder) fs::create_directories(box.at("data"));

        EXPECT_TRUE(runBackup(box.run()));
        EXPECT_TRUE(fs::is_directory(box.at("backup/books")));
        EXPECT_TRUE(fs::is_directory(box.at("backup/data")));
        EXPECT_EQ(box.names("backup"), (Names{"books", "data", "manifest.txt"}));
        EXPECT_EQ(box.names("backup/books"), c.registry ? Names{"books.edb"} : Names{});
        EXPECT_EQ(box.names("backup/data"), Names{});
    }
}

TEST(Backup, CopiesRegistryAndFlattensEveryDataFile) {
    Sandbox box;
    const std::string large = binaryBytes(700 * 1024 + 13);
    box.put("books/books.edb", "registry");
    box.put("data/a.edb", "a");
    box.put("data/x/b.edt", large);
    box.put("data/x/y/c.edb", "");
    // Two files of one name: the later in path order replaces the earlier copy.
    box.put("data/p/same.edb", "first");
    box.put("data/q/same.edb", "second");

    ASSERT_TRUE(runBackup(box.run()));
    EXPECT_EQ(box.get("backup/books/books.edb"), "registry");
    EXPECT_EQ(box.names("backup/data"), (Names{"a.edb", "b.edt", "c.edb", "same.edb"}));
    EXPECT_EQ(box.get("backup/data/a.edb"), "a");
    EXPECT_EQ(box.get("backup/data/b.edt"), large);
    EXPECT_EQ(fs::file_size(box.at("backup/data/c.edb")), 0u);
    EXPECT_EQ(box.get("backup/data/same.edb"), "second");
    // The sources are untouched.
    EXPECT_EQ(box.get("data/x/b.edt"), large);
    EXPECT_EQ(box.get("books/books.edb"), "registry");
}

TEST(Backup, LeavesOutLinksAndPipesWithoutWaiting) {
    Sandbox box;
    box.put("elsewhere/outside.edb", "outside");
    box.put("data/table.edb", "table");
    fs::create_symlink(box.at("elsewhere/outside.edb"), box.at("data/link.edb"));
    fs::create_directory_symlink(box.at("elsewhere"), box.at("data/linked"));
    // Opening a pipe for reading would block until a writer comes.
    ASSERT_EQ(::mkfifo(box.at("data/pipe.edb").c_str(), 0600), 0);

    ASSERT_TRUE(runBackup(box.run()));
    EXPECT_EQ(box.names("backup/data"), Names{"table.edb"});
}

TEST(Backup, KeepsTheChangeLogsOfTablesWithThem) {
    // A log left by a crash holds changes its data file does not have yet:
    // without it the generation, and a restore's safety generation, would
    // lose them.
    Sandbox box;
    box.put("data/a.edb", "table");
    box.put("data/a.edb-log", "log");
    box.put("data/x/b.edb-log", "log");
    box.put("data/a.edb-log.stale", "set aside");

    ASSERT_TRUE(runBackup(box.run()));
    EXPECT_EQ(box.names("backup/data"),
              (Names{"a.edb", "a.edb-log", "a.edb-log.stale", "b.edb-log"}));
}

TEST(Backup, LeavesOutWhatAFailedChangeLeft) {
    // An empty log (its making cut short by a full disk) and a table being
    // built with its log are no part of the data.
    Sandbox box;
    box.put("data/a.edb", "table");
    box.put("data/a.edb-log", "");
    box.put("data/a.edb.new", "half a table");
    box.put("data/a.edb.new-log", "");
    box.put("data/b.edb-log", "log");

    ASSERT_TRUE(runBackup(box.run()));
    EXPECT_EQ(box.names("backup/data"), (Names{"a.edb", "b.edb-log"}));
}

// The names beside the live folders that hold older generations.
Names olderGenerations(const Sandbox& box) {
    Names older;
    for (const std::string& name : box.names()) {
        if (name.starts_with("backup-")) older.insert(name);
    }
    return older;
}

TEST(Backup, ReplacesTheLatestAndKeepsThePreviousOneBesideIt) {
    Sandbox box;
    box.putOldBackup();
    box.put("backup/stray/file", "stray");
    box.put("books/books.edb", "new registry");
    box.put("data/new.edb", "new table");

    ASSERT_TRUE(runBackup(box.run()));
    EXPECT_EQ(box.names("backup"), (Names{"books", "data", "manifest.txt"}));
    EXPECT_EQ(box.get("backup/books/books.edb"), "new registry");
    EXPECT_EQ(box.names("backup/data"), Names{"new.edb"});
    // The one before is kept whole under a dated name; nothing of the swap is left.
    const Names older = olderGenerations(box);
    ASSERT_EQ(older.size(), 1u);
    const std::string previous = *older.begin();
    EXPECT_EQ(box.get(previous + "/books/books.edb"), "old registry");
    EXPECT_EQ(box.get(previous + "/data/old.edb"), "old table");
    EXPECT_EQ(box.get(previous + "/stray/file"), "stray");
    EXPECT_EQ(box.names(), (Names{"backup", previous, "books", "data"}));

    // Without a registry the next backup has none either.
    fs::remove(box.at("books/books.edb"));
    ASSERT_TRUE(runBackup(box.run()));
    EXPECT_EQ(box.names("backup/books"), Names{});
    EXPECT_EQ(olderGenerations(box).size(), 2u);
}

TEST(Backup, FailureKeepsThePreviousBackupAndLeavesNothingBehind) {
    struct Case {
        const char* name;
        std::function<void(const Sandbox&)> breakSources;
        bool diskFull;
    };
    const Case cases[] = {
        {"registry cannot be copied", [](const Sandbox& box) { box.breakRegistry(); }, false},
        // a.edb is copied before b.edb runs out of space: the failure is half-way.
        {"disk full during a data file",
         [](const Sandbox& box) {
             box.put("books/books.edb", "new registry");
             box.put("data/a.edb", "small");
             box.put("data/b.edb", binaryBytes(256 * 1024));
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        box.putOldBackup();
        box.put("data/new.edb", "new table");
        c.breakSources(box);

        std::optional<FileSizeLimit> limit;
        if (c.diskFull) limit.emplace(64 * 1024);
        EXPECT_FALSE(runBackup(box.run()));
        limit.reset();
        EXPECT_EQ(box.names("backup"), (Names{"books", "data"}));
        EXPECT_EQ(box.get("backup/books/books.edb"), "old registry");
        EXPECT_EQ(box.names("backup/data"), Names{"old.edb"});
        EXPECT_EQ(box.get("backup/data/old.edb"), "old table");
        EXPECT_EQ(box.names(), (Names{"backup", "books", "data"}));
    }
}

TEST(Backup, ClearsUpAfterAnInterruptedRun) {
    struct Case {
        const char* name;
        std::function<void(const Sandbox&)> leftovers;
        bool newBackupFails;
        const char* expectedRegistry;  // in the backup afterwards
        const char* olderRegistry;     // in the one older generation, if any
    };
    const Case cases[] = {
        // Stopped between moving the latest aside under its id and moving the
        // new one in.
        {"latest moved aside, new one fails",
         [](const Sandbox& box) { box.putOldBackup("backup-20150512-180000"); }, true,
         "old registry", nullptr},
        {"latest moved aside, new one succeeds",
         [](const Sandbox& box) { box.putOldBackup("backup-20150512-180000"); }, false,
         "new registry", "old registry"},
        // Stopped while building, or while removing an older generation.
        {"half-built and half-removed backups",
         [](const Sandbox& box) {
             box.putOldBackup();
             box.put("backup.new-1/books/books.edb", "half");
             box.put("backup.new-99999999", "not even a folder");
             box.put("backup.removed-20150512-180000/data/old.edb", "half removed");
         },
         true, "old registry", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox box;
        fs::create_directories(box.at("data"));
        c.leftovers(box);
        if (c.newBackupFails) {
            box.breakRegistry();
        } else {
            box.put("books/books.edb", "new registry");
        }

        EXPECT_EQ(runBackup(box.run()), !c.newBackupFails);
        EXPECT_EQ(box.get("backup/books/books.edb"), c.expectedRegistry);
        const Names older = olderGenerations(box);
        Names expected{"backup", "books", "data"};
        if (c.olderRegistry != nullptr) {
            ASSERT_EQ(older.size(), 1u);
            EXPECT_EQ(box.get(*older.begin() + "/books/books.edb"), c.olderRegistry);
            expected.insert(*older.begin());
        }
        EXPECT_EQ(box.names(), expected);
    }
}

}  // namespace
