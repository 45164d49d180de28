#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "tables/schemas.h"
#include "tests/store/known_table_bytes.h"
#include "tests/store/store_fixture.h"

namespace qinghe::store {
namespace {

namespace field = tables::field;
using tables::entryFields;
using tables::kStorePassword;
using tables::kUserAlias;
using tables::userStoreFields;

using testdata::kEncipheredTableBytes;
using testing::StoreFixture;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class CompanionTest : public StoreFixture {
  protected:
    const CompanionHeader& companion() { return store_->currentFile()->companion()->header(); }
    std::int32_t firstBlock() {
        const std::uint8_t* record = store_->currentFile()->record(store_->recordNumber() - 1);
        return loadI32(record + store_->currentFile()->fields()[2].offset);
    }
};

TEST_F(CompanionTest, ChainsGrowShrinkAndFreeTheirBlocks) {
    ASSERT_TRUE(store_->open(makeSmallTable(), "", ""));
    ASSERT_TRUE(store_->setPassword(kStorePassword));
    appendNumbers({1, 2});
    store_->goTo(1);
    const std::string big(1001, 'a');
    ASSERT_TRUE(store_->write("b", Bytes{big}));
    EXPECT_EQ(companion().blockCount, 4);  // header + 500 + 500 + 1
    auto chain = store_->currentFile()->companion()->chain(firstBlock());
    ASSERT_TRUE(chain);
    EXPECT_EQ(chain->size(), 3u);
    std::vector<std::int32_t> used;
    for (auto block : *chain)
        used.push_back(store_->currentFile()->companion()->readBlockHeader(block)->used);
    EXPECT_EQ(used, (std::vector<std::int32_t>{500, 500, 1}));

    // Record 2 takes a block behind them, so freed blocks are not at the end.
    store_->goTo(2);
    ASSERT_TRUE(store_->write("b", Bytes{"tail"}));
    store_->goTo(1);
    const std::int32_t first = firstBlock();
    ASSERT_TRUE(store_->write("b", Bytes{std::string(10, 'z')}));
    // A changed value takes new blocks; the old chain is freed in the same
    // change, so it stays whole on disk until the new one is there.
    EXPECT_NE(firstBlock(), first);
    EXPECT_EQ(companion().freeCount, 3);
    EXPECT_EQ(toBytes(*store_->read("b")), std::string(10, 'z'));

    ASSERT_TRUE(store_->write("b", Bytes{}));
    EXPECT_EQ(firstBlock(), 0);
    EXPECT_EQ(companion().freeCount, 3);  // its block was the last one: cut off
    EXPECT_EQ(companion().blockCount, 5);

    // Free blocks are reused before the file grows.
    ASSERT_TRUE(store_->write("b", Bytes{std::string(1400, 'q')}));
    EXPECT_EQ(companion().freeCount, 0);
    EXPECT_EQ(companion().blockCount, 5);
    store_->goTo(2);
    EXPECT_EQ(toBytes(*store_->read("b")), "tail");

    // Freeing the last blocks of the file cuts it.
    ASSERT_TRUE(store_->write("b", Bytes{}));
    EXPECT_EQ(companion().blockCount, 4);
    ASSERT_TRUE(store_->commit());

    // The files are written at the close.
    EXPECT_TRUE(store_->closeAll());
    EXPECT_EQ(std::filesystem::file_size(file("t.EDT")), 4u * 512);
    ASSERT_TRUE(store_->open(file("t.edb"), "", kStorePassword));
    EXPECT_EQ(toBytes(*store_->read("b")), std::string(1400, 'q'));
}

TEST_F(CompanionTest, PurgeFreesTheValuesOfDroppedRecords) {
    ASSERT_TRUE(store_->open(makeSmallTable(), "", ""));
    appendNumbers({1, 2, 3});
    for (int i = 1; i <= 3; ++i) {
        store_->goTo(i);
        ASSERT_TRUE(store_->write("b", Bytes{std::string(600, char('0' + i))}));
    }
    store_->goTo(1);
    ASSERT_TRUE(store_->remove());
    ASSERT_TRUE(store_->purge());
    EXPECT_EQ(companion().freeCount, 2);
    EXPECT_EQ(toBytes(*store_->read("b")), std::string(600, '2'));
    store_->goTo(2);
    EXPECT_EQ(toBytes(*store_->read("b")), std::string(600, '3'));
}

TEST_F(CompanionTest, ACompanionFileOfAnyCaseIsFound) {
    auto path = makeSmallTable();
    std::filesystem::rename(file("t.EDT"), file("t.edt"));
    EXPECT_TRUE(store_->open(path, "", ""));
    EXPECT_TRUE(store_->closeAll());
    std::filesystem::remove(file("t.edt"));
    EXPECT_FALSE(store_->open(path, "", ""));
}

TEST_F(CompanionTest, DamagedChainsReadEmptyInsteadOfLooping) {
    auto path = makeSmallTable();
    ASSERT_TRUE(store_->open(path, "", ""));
    appendNumbers({1});
    ASSERT_TRUE(store_->write("b", Bytes{std::string(1200, 'x')}));
    EXPECT_TRUE(store_->closeAll());
    // Point the last block of the chain back at the first one.
    std::string bytes = readFile(file("t.EDT"));
    storeI32(reinterpret_cast<std::uint8_t*>(bytes.data()) + 3 * 512 + 4, 1);
    writeFile(file("t.EDT"), bytes);
    ASSERT_TRUE(store_->open(path, "", ""));
    EXPECT_EQ(toBytes(*store_->read("b")), "");
    // Writing over it leaks the damaged chain but never reuses its blocks.
    ASSERT_TRUE(store_->write("b", Bytes{"fresh"}));
    EXPECT_EQ(toBytes(*store_->read("b")), "fresh");
}

class OpenCheckTest : public StoreFixture {};

TEST_F(OpenCheckTest, MagicAndPasswordMustAgree) {
    auto plain = makeSmallTable("plain.edb");
    auto ciphered = makeSmallTable("ciphered.edb");
    ASSERT_TRUE(store_->open(ciphered, "", ""));
    ASSERT_TRUE(store_->setPassword(kStorePassword));
    EXPECT_TRUE(store_->closeAll());
    struct Case {
        std::filesystem::path path;
        const char* password;
        bool ok;
    };
    for (const Case& c : std::vector<Case>{{plain, "", true},
                                           {plain, kStorePassword, false},
                                           {ciphered, "", false},
                                           {ciphered, "wrong", false},
                                           {ciphered, kStorePassword, true}}) {
        EXPECT_EQ(store_->open(c.path, "", c.password), c.ok) << c.path << " " << c.password;
        EXPECT_TRUE(store_->closeAll());
    }
    std::string bytes = readFile(plain);
    bytes[0] = 'X';
    writeFile(plain, bytes);
    EXPECT_FALSE(store_->open(plain, "", ""));
}

TEST_F(OpenCheckTest, SetPasswordRefusesAQuestionMarkAndCanGoBackToPlain) {
    auto path = makeSmallTable();
    EXPECT_FALSE(store_->setPassword("x"));  // no current table
    ASSERT_TRUE(store_->open(path, "", ""));
    appendNumbers({5});
    ASSERT_TRUE(store_->write("s", std::string("abc")));
    ASSERT_TRUE(store_->write("b", Bytes{std::string(700, 'k')}));
    EXPECT_FALSE(store_->setPassword("?"));
    ASSERT_TRUE(store_->setPassword("secret"));
    EXPECT_EQ(toText(*store_->read("s")), "abc");  // still usable
    EXPECT_TRUE(store_->closeAll());
    EXPECT_EQ(readFile(path).substr(0, 4), "WCDB");
    ASSERT_TRUE(store_->open(path, "", "secret"));
    EXPECT_EQ(toBytes(*store_->read("b")), std::string(700, 'k'));
    ASSERT_TRUE(store_->setPassword(""));
    EXPECT_TRUE(store_->closeAll());
    ASSERT_TRUE(store_->open(path, "", ""));
    EXPECT_EQ(toText(*store_->read("s")), "abc");
    EXPECT_EQ(toBytes(*store_->read("b")), std::string(700, 'k'));
}

TEST_F(OpenCheckTest, AFileThatEndsShortIsCutToItsWholeRecords) {
    auto path = makeSmallTable();
    ASSERT_TRUE(store_->open(path, "", ""));
    appendNumbers({1, 2, 3});
    const std::uint64_t recordSize = store_->currentFile()->header().recordSize;
    EXPECT_TRUE(store_->closeAll());
    const std::uint64_t recordsEnd = std::filesystem::file_size(path);

    std::filesystem::resize_file(path, recordsEnd - recordSize / 2);
    ASSERT_TRUE(store_->open(path, "", ""));
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(store_->closeAll());
    EXPECT_EQ(std::filesystem::file_size(path), recordsEnd - recordSize);

    // Bytes after the last counted record are dropped.
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100, '\x7f');
    ASSERT_TRUE(store_->open(path, "", ""));
    EXPECT_EQ(store_->recordCount(), 2);
    EXPECT_TRUE(store_->closeAll());
    EXPECT_EQ(std::filesystem::file_size(path), recordsEnd - recordSize);
}

TEST_F(OpenCheckTest, DamagedHeadersAndDescriptorsFailToOpen) {
    auto path = makeSmallTable();
    const std::string good = readFile(path);
    struct Case {
        const char* what;
        std::size_t offset;
        std::int32_t value;
    };
    const std::vector<Case> cases = {
        {"record size 0", 24, 0},
        {"negative count", 16, -1},
        {"next sequence 0", 20, 0},
        {"newer version", 4, 0x00020000},
        {"no fields", 112, 0},
        {"huge field count", 112, 0x7fffffff},
        {"type 13", 116 + 20, 13},
        {"negative offset", 116 + 24, -4},
        {"offset past the record", 116 + 24, 4000},
        {"text width 0", 116 + 72 + 28, 0},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        storeI32(reinterpret_cast<std::uint8_t*>(bytes.data()) + c.offset, c.value);
        writeFile(path, bytes);
        EXPECT_FALSE(store_->open(path, "", "")) << c.what;
        EXPECT_TRUE(store_->closeAll());
    }
    std::string unterminated = good;
    std::memset(unterminated.data() + 116, 'a', 17);
    writeFile(path, unterminated);
    EXPECT_FALSE(store_->open(path, "", ""));
}

// The expected bytes were computed independently (tests/store/make_known_table.py).
class KnownBytesTest : public StoreFixture {};

TEST_F(KnownBytesTest, ReadsATableEncipheredElsewhere) {
    auto path = file("user.edb");
    writeFile(path, std::string(kEncipheredTableBytes.begin(), kEncipheredTableBytes.end()));
    ASSERT_TRUE(store_->open(path, kUserAlias, kStorePassword));
    EXPECT_EQ(store_->recordCount(), 1);
    EXPECT_EQ(toText(*store_->read(field::kPass)), "470913");
    EXPECT_EQ(toInteger(*store_->read(field::kNeedPass)), 0);
    EXPECT_EQ(store_->currentSequence(), 1);
}

TEST_F(KnownBytesTest, WritesTheSameBytes) {
    clock_.set(42136.0);
    auto path = file("user.edb");
    ASSERT_TRUE(store_->create(path, userStoreFields()));
    ASSERT_TRUE(store_->open(path, kUserAlias, ""));
    ASSERT_TRUE(store_->setPassword(kStorePassword));
    ASSERT_TRUE(store_->append());
    ASSERT_TRUE(store_->write(field::kPass, std::string("470913")));
    ASSERT_TRUE(store_->write(field::kNeedPass, std::int32_t{0}));
    EXPECT_TRUE(store_->closeAll());
    EXPECT_EQ(readFile(path),
              std::string(kEncipheredTableBytes.begin(), kEncipheredTableBytes.end()));
}

class CacheTest : public StoreFixture {
  protected:
    // Room for two chunks only, so walks evict all the time.
    CacheTest() : StoreFixture(2 * TableFile::kChunkSize) {}
};

TEST_F(CacheTest, WalksAndWritesStayCorrectWhenChunksAreEvicted) {
    auto path = file("e.edb");
    ASSERT_TRUE(store_->create(path, entryFields()));
    ASSERT_TRUE(store_->open(path, "", ""));
    ASSERT_TRUE(store_->setPassword(kStorePassword));
    const int count = 2000;  // about 1.2 MB: many chunks, records across chunk edges
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(store_->append());
        ASSERT_TRUE(store_->write(field::kAmount, double(i)));
        ASSERT_TRUE(store_->write(field::kNote, std::string("note ") + std::to_string(i)));
    }
    EXPECT_LE(store_->cache().usedBytes(), 2 * TableFile::kChunkSize);
    for (int pass = 0; pass < 2; ++pass) {
        store_->first();
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(toDouble(*store_->read(field::kAmount)), double(i));
            ASSERT_EQ(toText(*store_->read(field::kNote)), "note " + std::to_string(i));
            store_->skip();
        }
    }
    store_->goTo(1000);
    ASSERT_TRUE(store_->remove());
    ASSERT_TRUE(store_->purge());
    store_->goTo(1000);
    EXPECT_EQ(toDouble(*store_->read(field::kAmount)), 1000.0);
    EXPECT_TRUE(store_->closeAll());
    ASSERT_TRUE(store_->open(path, "", kStorePassword));
    store_->goTo(count - 1);
    EXPECT_EQ(toText(*store_->read(field::kNote)), "note " + std::to_string(count - 1));
}

// The real disk, telling which offsets of the files have been read, by any
// thread, and able to hold the reads of other threads than the test's.
class WatchedFileSystem final : public FileSystem {
  public:
    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override {
        auto file = real_.open(path, mode);
        return file ? std::make_unique<WatchedFile>(std::move(file), *this) : nullptr;
    }
    bool exists(const std::filesystem::path& path) override { return real_.exists(path); }
    bool remove(const std::filesystem::path& path) override { return real_.remove(path); }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return real_.rename(from, to);
    }
    bool syncFolder(const std::filesystem::path& folder) override {
        return real_.syncFolder(folder);
    }

    // Waits until a read from `offset` has finished; false when none comes.
    bool waitForRead(std::uint64_t offset) {
        std::unique_lock lock(mutex_);
        return read_.wait_for(lock, std::chrono::seconds(10),
                              [&] { return offsets_.count(offset) > 0; });
    }

    // From now on reads on other threads wait until release(), or give up
    // after a long while: nothing of the test's must wait for them.
    void holdOtherThreads() {
        std::lock_guard lock(mutex_);
        holder_ = std::this_thread::get_id();
        holding_ = true;
    }
    // Lets the held reads go; false when one gave up waiting.
    bool release() {
        {
            std::lock_guard lock(mutex_);
            holding_ = false;
        }
        released_.notify_all();
        std::lock_guard lock(mutex_);
        return !gaveUp_;
    }

  private:
    class WatchedFile final : public File {
      public:
        WatchedFile(std::unique_ptr<File> real, WatchedFileSystem& owner)
            : real_(std::move(real)), owner_(owner) {}
        bool readAt(std::uint64_t offset, void* data, std::size_t length) override {
            owner_.waitIfHeld();
            bool ok = real_->readAt(offset, data, length);
            owner_.wasRead(offset);
            return ok;
        }
        std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                              std::size_t length) override {
            owner_.waitIfHeld();
            auto got = real_->readSomeAt(offset, data, length);
            owner_.wasRead(offset);
            return got;
        }
        bool writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
            return real_->writeAt(offset, data, length);
        }
        std::optional<std::uint64_t> size() override { return real_->size(); }
        bool truncate(std::uint64_t length) override { return real_->truncate(length); }
        bool reserve(std::uint64_t length) override { return real_->reserve(length); }
        bool sync() override { return real_->sync(); }

      private:
        std::unique_ptr<File> real_;
        WatchedFileSystem& owner_;
    };

    void waitIfHeld() {
        std::unique_lock lock(mutex_);
        if (!holding_ || std::this_thread::get_id() == holder_) return;
        if (!released_.wait_for(lock, std::chrono::seconds(30), [&] { return !holding_; }))
            gaveUp_ = true;
    }

    void wasRead(std::uint64_t offset) {
        {
            std::lock_guard lock(mutex_);
            offsets_.insert(offset);
        }
        read_.notify_all();
    }

    PosixFileSystem real_;
    std::mutex mutex_;
    std::condition_variable read_;
    std::set<std::uint64_t> offsets_;
    std::condition_variable released_;
    std::thread::id holder_;
    bool holding_ = false;
    bool gaveUp_ = false;
};

// Walks read the chunks ahead of them on a second thread. Whatever a walk
// changes meanwhile, it must read what the file holds, and so must the store
// that opens the table next.
class ReadAheadTest : public StoreFixture {
  protected:
    static constexpr int kCount = 2000;  // about 19 chunks
    static constexpr std::size_t kSmallBudget = 2 * TableFile::kChunkSize;

    // The store's worker reads through watched_: it goes first.
    ~ReadAheadTest() override { store_.reset(); }

    // A new enciphered entry table, amounts 0 .. kCount - 1, open in a new
    // store with the given budget and nothing loaded.
    void makeTable(const std::string& name, std::size_t budget) {
        path_ = file(name);
        password_ = kStorePassword;
        budget_ = budget;
        ASSERT_TRUE(store_->create(path_, entryFields()));
        ASSERT_TRUE(store_->open(path_, "", ""));
        ASSERT_TRUE(store_->setPassword(password_));
        amounts_.clear();
        for (int i = 0; i < kCount; ++i) {
            ASSERT_TRUE(store_->append());
            ASSERT_TRUE(store_->write(field::kAmount, double(i)));
            amounts_.push_back(i);
        }
        reopen();
    }

    void reopen() {
        store_.reset();
        watched_ = std::make_unique<WatchedFileSystem>();
        store_ = std::make_unique<TableStore>(*watched_, clock_, budget_);
        ASSERT_TRUE(store_->open(path_, "", password_));
    }

    std::uint32_t chunkOf(int record) const {
        const TableFile& table = *store_->currentFile();
        return static_cast<std::uint32_t>(
            (table.recordsOffset() + std::uint64_t(record) * table.header().recordSize) /
            TableFile::kChunkSize);
    }

    // Waits until the read-ahead has read the chunk after the one under the
    // cursor and the one after that.
    void waitForReadAhead() {
        const std::uint32_t ahead = chunkOf(store_->recordNumber() - 1) + 2;
        ASSERT_TRUE(watched_->waitForRead(std::uint64_t(ahead) * TableFile::kChunkSize))
            << "chunk " << ahead << " is not read ahead";
    }

    // Reads records from the first up to `end`, leaving the cursor there.
    void walkTo(std::size_t end, const std::string& when) {
        ASSERT_LE(end, amounts_.size());
        ASSERT_EQ(store_->recordCount(), static_cast<std::int32_t>(amounts_.size())) << when;
        store_->first();
        for (std::size_t i = 0; i < end; ++i) {
            ASSERT_EQ(toDouble(*store_->read(field::kAmount)), amounts_[i])
                << when << ", record " << i;
            store_->skip();
        }
    }

    std::unique_ptr<WatchedFileSystem> watched_;
    std::filesystem::path path_;
    std::string password_;
    std::size_t budget_ = 0;
    std::vector<double> amounts_;
};

TEST_F(ReadAheadTest, AWalkReadsWhatWasWrittenAheadOfIt) {
    struct Case {
        std::size_t budget;
        std::uint32_t distance;  // chunks between the one read and the one written
    };
    int table = 0;
    for (Case c : std::vector<Case>{{ChunkPool::kDefaultBudget, 1},
                                    {ChunkPool::kDefaultBudget, 2},
                                    {ChunkPool::kDefaultBudget, TableFile::kReadAheadChunks},
                                    {kSmallBudget, 1},
                                    {kSmallBudget, 2}}) {
        const std::string when =
            "distance " + std::to_string(c.distance) + ", budget " + std::to_string(c.budget);
        makeTable("w" + std::to_string(table++) + ".edb", c.budget);
        store_->first();
        for (int i = 0; i < kCount; ++i) {
            ASSERT_EQ(toDouble(*store_->read(field::kAmount)), amounts_[i])
                << when << ", record " << i;
            // On entering a chunk, once the read-ahead has read the one to be
            // written, a record wholly inside that one changes.
            const std::uint32_t target = chunkOf(i) + c.distance;
            if (i > 0 && chunkOf(i) != chunkOf(i - 1) && chunkOf(kCount) > target) {
                int written = i;
                while (chunkOf(written) < target) ++written;
                ++written;
                ASSERT_TRUE(watched_->waitForRead(std::uint64_t(target) * TableFile::kChunkSize))
                    << when << ", chunk " << target << " is not read ahead";
                store_->goTo(written + 1);
                ASSERT_TRUE(store_->write(field::kAmount, -double(i)));
                amounts_[written] = -i;
                store_->goTo(i + 1);
            }
            store_->skip();
        }
        reopen();
        walkTo(amounts_.size(), when + ", opened again");
    }
}

TEST_F(ReadAheadTest, AChangeOfTheWholeTableDuringAWalkIsReadByTheNext) {
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Case> cases = {
        {"remove and purge",
         [&] {
             store_->goTo(600);
             ASSERT_TRUE(store_->remove());
             ASSERT_TRUE(store_->purge());
             amounts_.erase(amounts_.begin() + 599);
         }},
        {"append",
         [&] {
             ASSERT_TRUE(store_->append());
             ASSERT_TRUE(store_->write(field::kAmount, 9999.0));
             amounts_.push_back(9999.0);
         }},
        {"new password",
         [&] {
             password_ = "another";
             ASSERT_TRUE(store_->setPassword(password_));
         }},
        {"zap",
         [&] {
             ASSERT_TRUE(store_->zap());
             amounts_.clear();
         }},
        {"open again", [&] { reopen(); }},
    };
    int table = 0;
    for (std::size_t budget : {ChunkPool::kDefaultBudget, kSmallBudget}) {
        for (const Case& c : cases) {
            const std::string when = std::string(c.name) + ", budget " + std::to_string(budget);
            makeTable("c" + std::to_string(table++) + ".edb", budget);
            walkTo(250, when + ", before");
            waitForReadAhead();
            c.change();
            walkTo(amounts_.size(), when);
            reopen();
            walkTo(amounts_.size(), when + ", opened again");
        }
    }
}

// A worker kept off the processor must not hold the walk up: the walk makes
// the chunk the worker is on itself, and drops the worker's copy later.
TEST_F(ReadAheadTest, AWalkGoesOnWhileTheWorkerIsHeld) {
    makeTable("held.edb", kSmallBudget);
    watched_->holdOtherThreads();
    walkTo(amounts_.size(), "worker held");
    ASSERT_TRUE(watched_->release()) << "the walk waited for the worker";
    for (int i = 0; i < kCount; i += 50) {
        store_->goTo(i + 1);
        ASSERT_TRUE(store_->write(field::kAmount, -double(i)));
        amounts_[i] = -i;
    }
    walkTo(amounts_.size(), "after writes");
    reopen();
    walkTo(amounts_.size(), "opened again");
}

}  // namespace
}  // namespace qinghe::store
