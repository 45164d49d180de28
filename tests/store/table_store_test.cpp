#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "store/table_check.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"
#include "tests/store/store_fixture.h"

namespace qinghe::store {
namespace {

namespace field = tables::field;
using tables::entryFields;
using tables::kDataFolder;
using tables::kStorePassword;
using tables::newLedgerDataPath;
using tables::storedPathToFile;

using testing::StoreFixture;

class CursorTest : public StoreFixture {};

TEST_F(CursorTest, EmptyTableHasTheCursorAfterTheLastRecord) {
    auto path = makeSmallTable();
    ASSERT_TRUE(store_->open(path, "", ""));
    store_->first();
    EXPECT_EQ(store_->recordNumber(), 1);
    EXPECT_TRUE(store_->goTo(1));
    EXPECT_EQ(store_->recordNumber(), 1);
    EXPECT_EQ(toInteger(*store_->read("n")), 0);
    EXPECT_EQ(toText(*store_->read("s")), "");
    EXPECT_FALSE(store_->write("n", std::int32_t{5}));
    EXPECT_FALSE(store_->remove());
    EXPECT_FALSE(store_->skip(1));
    EXPECT_FALSE(store_->skip(-1));
    EXPECT_TRUE(store_->skip(0));
    EXPECT_EQ(user_.endCalls, 0);
}

TEST_F(CursorTest, SkipStopsOneBeyondEitherEnd) {
    ASSERT_TRUE(store_->open(makeSmallTable(), "", ""));
    appendNumbers({10, 20, 30});
    struct Step {
        int n;
        bool ok;
        int recordNumber;
    };
    store_->goTo(3);
    for (Step step : std::vector<Step>{{1, true, 4},
                                       {1, false, 4},
                                       {-2, true, 2},
                                       {-1, true, 1},
                                       {-1, true, 0},
                                       {-1, false, 0},
                                       {7, true, 4},
                                       {-9, true, 0}}) {
        EXPECT_EQ(store_->skip(step.n), step.ok) << "skip " << step.n;
        EXPECT_EQ(store_->recordNumber(), step.recordNumber) << "skip " << step.n;
    }
    // Off the records, reads are empty and nothing can be written.
    EXPECT_EQ(toInteger(*store_->read("n")), 0);
    EXPECT_FALSE(store_->write("n", std::int32_t{1}));
}

TEST_F(CursorTest, GoToClampsToTheRecords) {
    ASSERT_TRUE(store_->open(makeSmallTable(), "", ""));
    appendNumbers({10, 20, 30});
    struct Case {
        int n;
        int expected;
    };
    for (Case c : std::vector<Case>{{0, 10}, {-5, 10}, {1, 10}, {2, 20}, {3, 30}, {99, 30}}) {
        EXPECT_TRUE(store_->goTo(c.n));
        EXPECT_EQ(toInteger(*store_->read("n")), c.expected) << "goTo " << c.n;
    }
}

TEST_F(CursorTest, EachTableKeepsItsOwnCursor) {
    ASSERT_TRUE(store_->open(makeSmallTable("a.edb"), "a", ""));
    appendNumbers({1, 2, 3});
    store_->goTo(2);
    ASSERT_TRUE(store_->open(makeSmallTable("b.edb"), "b", ""));
    appendNumbers({7});
    ASSERT_TRUE(store_->select("a"));
    EXPECT_EQ(store_->recordNumber(), 2);
    EXPECT_EQ(toInteger(*store_->read("n")), 2);
}

class SequenceTest : public StoreFixture {};

TEST_F(SequenceTest, PurgeDropsMarkedRecordsAndNeverReusesTheirNumbers) {
    auto path = makeSmallTable();
    ASSERT_TRUE(store_->open(path, "", ""));
    appendNumbers({1, 2, 3, 4});
    store_->goTo(2);
    ASSERT_TRUE(store_->remove());
    EXPECT_EQ(store_->recordNumber(), 2);  // the cursor stays
    EXPECT_EQ(store_->recordCount(), 4);   // still counted and readable
    EXPECT_EQ(toInteger(*store_->read("n")), 2);
    EXPECT_LT(store_->currentSequence(), 0);  // marked deleted

    ASSERT_TRUE(store_->purge());
    EXPECT_EQ(store_->recordNumber(), 1);
    EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 4}));

    // Purging the last record does not give its number back either.
    store_->goTo(3);
    ASSERT_TRUE(store_->remove());
    ASSERT_TRUE(store_->purge());
    ASSERT_TRUE(store_->append());
    EXPECT_EQ(store_->currentSequence(), 5);

    EXPECT_TRUE(store_->closeAll());
    ASSERT_TRUE(store_->open(path, "", ""));
    EXPECT_EQ(numbers(), (std::vector<int>{1, 3, 0}));
    EXPECT_EQ(store_->currentFile()->header().nextSequence, 6);
}

TEST_F(SequenceTest, PurgesOfEnciphered611ByteRecordsAcrossPagesKeepEveryLiveRecord) {
    // Records of 611 bytes straddle the 4096-byte pages of the cipher; marks
    // in every place of the table, known from this run or found by a look.
    const struct {
        const char* what;
        std::vector<int> marked;  // 0-based
        bool reopen;              // the marks made before the table was opened again
    } cases[] = {
        {"the first", {0}, false},
        {"the last", {199}, false},
        {"one in the middle", {97}, false},
        {"a run", {50, 51, 52, 53, 54, 55, 56}, false},
        {"scattered", {3, 40, 41, 120, 188, 199}, false},
        {"scattered, looked for", {3, 40, 41, 120, 188, 199}, true},
        {"all but one", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(store_->closeAll());
        const auto path = file("entries.edb");
        std::filesystem::remove(path);
        ASSERT_TRUE(store_->createTable(path, tables::entryFields(), tables::kStorePassword));
        ASSERT_TRUE(store_->open(path, "", tables::kStorePassword));
        for (int i = 0; i < 200; ++i) {
            ASSERT_TRUE(store_->append() && store_->write(tables::field::kAmount, i + 0.5) &&
                        store_->write(tables::field::kNote, std::string(1 + i % 500, 'n')));
        }
        ASSERT_TRUE(store_->commit());
        std::vector<int> marked = c.marked;
        if (marked.empty()) {
            for (int i = 0; i < 200; ++i)
                if (i != 137) marked.push_back(i);
        }
        for (int index : marked) {
            ASSERT_TRUE(store_->goTo(index + 1));
            ASSERT_TRUE(store_->remove());
        }
        if (c.reopen) {
            ASSERT_TRUE(store_->commit());
            EXPECT_TRUE(store_->closeAll());
            ASSERT_TRUE(store_->open(path, "", tables::kStorePassword));
        }
        ASSERT_TRUE(store_->purge());
        EXPECT_TRUE(store_->closeAll());
        ASSERT_TRUE(store_->open(path, "", tables::kStorePassword));
        std::vector<double> expected;
        for (int i = 0; i < 200; ++i) {
            if (std::find(marked.begin(), marked.end(), i) == marked.end())
                expected.push_back(i + 0.5);
        }
        std::vector<double> found;
        store_->first();
        for (int i = 0, n = store_->recordCount(); i < n; ++i) {
            found.push_back(store::toDouble(*store_->read(tables::field::kAmount)));
            const int original = static_cast<int>(found.back());
            EXPECT_EQ(store::toText(*store_->read(tables::field::kNote)),
                      std::string(1 + original % 500, 'n'));
            store_->skip();
        }
        EXPECT_EQ(found, expected);
        EXPECT_TRUE(store::checkTable(files_, path, tables::kStorePassword).problems.empty());
    }
}

TEST_F(SequenceTest, ZapEmptiesTheTableButKeepsTheNextNumber) {
    auto path = makeSmallTable();
    ASSERT_TRUE(store_->open(path, "", ""));
    appendNumbers({1, 2});
    ASSERT_TRUE(store_->write("b", Bytes{std::string(1200, 'x')}));
    ASSERT_TRUE(store_->zap());
    EXPECT_EQ(store_->recordCount(), 0);
    EXPECT_EQ(store_->currentFile()->companion()->header().blockCount, 1);
    ASSERT_TRUE(store_->append());
    EXPECT_EQ(store_->currentSequence(), 3);
}

class WriteTest : public StoreFixture {};

TEST_F(WriteTest, TextIsCutToItsWidthWithoutSplittingACharacter) {
    auto path = file("w.edb");
    ASSERT_TRUE(store_->create(path, {{"two", FieldType::Text, 2},
                                      {"three", FieldType::Text, 3},
                                      {"full", FieldType::Text, 20}}));
    ASSERT_TRUE(store_->open(path, "", ""));
    ASSERT_TRUE(store_->append());
    ASSERT_TRUE(store_->write("two", std::string("abc")));
    ASSERT_TRUE(store_->write("three", std::string("a\xC8\xD5\xC6\xDA")));  // a日期
    ASSERT_TRUE(store_->write("full", std::string("12345678901234567890")));
    EXPECT_EQ(toText(*store_->read("two")), "ab");
    EXPECT_EQ(toText(*store_->read("three")), "a\xC8\xD5");
    EXPECT_EQ(toText(*store_->read("full")), "12345678901234567890");
    // A shorter text overwrites the whole field.
    ASSERT_TRUE(store_->write("full", std::string("x")));
    EXPECT_EQ(toText(*store_->read("full")), "x");
}

TEST_F(WriteTest, ValuesAreConvertedOnlyBetweenNumbers) {
    auto path = file("v.edb");
    ASSERT_TRUE(store_->create(path, {{"i", FieldType::Integer, 0},
                                      {"d", FieldType::Double, 0},
                                      {"b", FieldType::Bool, 0},
                                      {"t", FieldType::DateTime, 0},
                                      {"s", FieldType::Short, 0},
                                      {"x", FieldType::Text, 10}}));
    ASSERT_TRUE(store_->open(path, "", ""));
    ASSERT_TRUE(store_->append());
    struct Case {
        const char* field;
        Value value;
        bool ok;
        Value expected;
    };
    const std::vector<Case> cases = {
        {"d", std::int32_t{7}, true, 7.0},
        {"d", std::string("7"), false, 7.0},
        {"i", 3.99, true, std::int32_t{3}},
        {"i", -3.99, true, std::int32_t{-3}},
        {"i", 1e20, true, std::int32_t{2147483647}},
        {"s", std::int32_t{70000}, true, std::int16_t{4464}},
        {"b", std::int32_t{1}, false, false},
        {"b", true, true, true},
        {"t", std::int32_t{42136}, false, DateTime{0}},
        {"t", 42136.0, false, DateTime{0}},
        {"t", DateTime{42136.25}, true, DateTime{42136.25}},
        {"x", 5.0, false, std::string{}},
        {"x", Bytes{"abc"}, false, std::string{}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store_->write(c.field, c.value), c.ok) << c.field;
        EXPECT_EQ(*store_->read(c.field), c.expected) << c.field;
    }
    EXPECT_FALSE(store_->write("missing", std::int32_t{1}));
}

TEST_F(WriteTest, DatesReadClampedToTheHandledYears) {
    auto path = file("c.edb");
    ASSERT_TRUE(store_->create(path, {{"t", FieldType::DateTime, 0}}));
    ASSERT_TRUE(store_->open(path, "", ""));
    ASSERT_TRUE(store_->append());
    ASSERT_TRUE(store_->write("t", DateTime{-1e9}));
    EXPECT_EQ(toDate(*store_->read("t")), -657434.0);
    ASSERT_TRUE(store_->write("t", DateTime{1e9}));
    EXPECT_EQ(toDate(*store_->read("t")), 2958465.0);
}

class TableListTest : public StoreFixture {};

TEST_F(TableListTest, OpeningAnOpenTableFailsAndKeepsTheCurrentTable) {
    auto a = makeSmallTable("a.edb");
    auto b = makeSmallTable("b.edb");
    ASSERT_TRUE(store_->open(a, "", ""));
    ASSERT_TRUE(store_->open(b, "", ""));
    auto upper = file("A.EDB");
    EXPECT_TRUE(store_->isOpen(upper));
    EXPECT_FALSE(store_->open(a, "again", ""));
    EXPECT_EQ(store_->currentFile()->path(), TableStore::fullPath(b));
}

TEST_F(TableListTest, NamesMatchAliasesFirstThenBaseNamesThenPaths) {
    // Table "x" carries alias "y", table "y" carries alias "x".
    auto x = makeSmallTable("x.edb");
    auto y = makeSmallTable("y.edb");
    ASSERT_TRUE(store_->open(x, "y", ""));
    ASSERT_TRUE(store_->open(y, "x", ""));
    ASSERT_TRUE(store_->select("X"));
    EXPECT_EQ(store_->currentFile()->path(), TableStore::fullPath(y));
    ASSERT_TRUE(store_->select(TableStore::fullPath(x).string()));
    EXPECT_EQ(store_->currentFile()->path(), TableStore::fullPath(x));
    EXPECT_FALSE(store_->select("z"));
    EXPECT_EQ(store_->currentFile()->path(), TableStore::fullPath(x));
}

TEST_F(TableListTest, PathsWithoutExtensionGetEdb) {
    EXPECT_EQ(TableStore::fullPath("/tmp/a").filename(), "a.EDB");
    EXPECT_EQ(TableStore::fullPath("/tmp/a.").filename(), "a.EDB");
    EXPECT_EQ(TableStore::fullPath("/tmp/a.edb").filename(), "a.edb");
}

TEST_F(TableListTest, ClosingAnotherTableKeepsTheCurrentOne) {
    ASSERT_TRUE(store_->open(makeSmallTable("a.edb"), "a", ""));
    ASSERT_TRUE(store_->open(makeSmallTable("b.edb"), "b", ""));
    EXPECT_TRUE(store_->close("a"));
    EXPECT_TRUE(store_->hasCurrentTable());
    EXPECT_FALSE(store_->select("a"));
    EXPECT_TRUE(store_->close("nothing"));
    EXPECT_TRUE(store_->hasCurrentTable());
}

TEST_F(TableListTest, CreateRefusesBadFieldLists) {
    struct Case {
        const char* what;
        std::vector<FieldDescription> fields;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"empty first name", {{"", FieldType::Integer, 0}, {"a", FieldType::Integer, 0}}},
        {"digit first", {{"1a", FieldType::Integer, 0}}},
        {"full stop first", {{".a", FieldType::Integer, 0}}},
        {"17 bytes", {{"abcdefghijklmnopq", FieldType::Integer, 0}}},
        {"repeated", {{"a", FieldType::Integer, 0}, {"A", FieldType::Integer, 0}}},
        {"type 0", {{"a", static_cast<FieldType>(0), 0}}},
        {"type 13", {{"a", static_cast<FieldType>(13), 0}}},
        {"text width 0", {{"a", FieldType::Text, 0}}},
        {"text width 1025", {{"a", FieldType::Text, 1025}}},
        {"full-width comma", {{"a\xA3\xAC", FieldType::Integer, 0}}},
        {"space", {{"a b", FieldType::Integer, 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(store_->create(file("bad.edb"), c.fields)) << c.what;
    }
    EXPECT_TRUE(store_->create(file("ok.edb"), {{"abcdefghijklmnop", FieldType::Integer, 0},
                                                {"\xC8\xD5\xC6\xDA_2", FieldType::Text, 1024}}));
}

// The store refuses a read without a current table or of a missing field;
// the program then shows why and ends.
class RefusedReadTest : public StoreFixture {};

TEST_F(RefusedReadTest, ReadAfterClosingTheCurrentTableEndsTheProgram) {
    ASSERT_TRUE(store_->open(makeSmallTable(), "", ""));
    ASSERT_TRUE(store_->close());
    EXPECT_FALSE(store_->hasCurrentTable());
    EXPECT_FALSE(store_->read("n"));
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_EQ(toText(tables::readField(*store_, user_, "n")), "");
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, tables::kNoCurrentTableMessage);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(user_.endCalls, 1);
}

TEST_F(RefusedReadTest, ReadOfAMissingFieldEndsTheProgram) {
    ASSERT_TRUE(store_->open(makeSmallTable(), "", ""));
    EXPECT_FALSE(store_->read("nope"));
    EXPECT_FALSE(store_->read(4));
    EXPECT_TRUE(store_->read("n"));
    EXPECT_TRUE(user_.messages.empty());
    tables::readField(*store_, user_, "nope");
    tables::readField(*store_, user_, 4);
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[0].text, tables::kNoSuchFieldMessage);
    EXPECT_EQ(user_.messages[1].text, tables::kNoSuchFieldMessage);
    EXPECT_EQ(user_.endCalls, 2);
}

class SchemaTest : public StoreFixture {};

TEST_F(SchemaTest, EntryRecordsTake611Bytes) {
    auto path = file("entries.edb");
    ASSERT_TRUE(store_->create(path, entryFields()));
    ASSERT_TRUE(store_->open(path, "", ""));
    ASSERT_TRUE(store_->setPassword(kStorePassword));
    EXPECT_EQ(store_->currentFile()->header().recordSize, 611);
    // No vouchers: no companion block in use.
    ASSERT_TRUE(store_->append());
    ASSERT_TRUE(store_->write(field::kHasVoucher, false));
    EXPECT_EQ(toBytes(*store_->read(field::kVouchers)), "");
    EXPECT_EQ(store_->currentFile()->companion()->header().blockCount, 1);
}

TEST_F(SchemaTest, NewLedgerFilesAreNumberedWithFullWidthParentheses) {
    RunDirectory run(folder_.path());
    std::filesystem::create_directories(folder_ / "data");
    auto exists = [](const std::filesystem::path& p) { return std::filesystem::exists(p); };
    std::vector<std::string> made;
    for (int i = 0; i < 3; ++i) {
        auto stored = newLedgerDataPath(run, "N", exists);
        ASSERT_TRUE(stored);
        made.push_back(*stored);
        auto target = storedPathToFile(run, *stored);
        ASSERT_TRUE(target);
        std::ofstream(*target) << "x";
    }
    EXPECT_EQ(made, (std::vector<std::string>{"\\data\\N.edb",
                                              "\\data\\N\xA3\xA8"
                                              "1\xA3\xA9.edb",
                                              "\\data\\N\xA3\xA8"
                                              "2\xA3\xA9.edb"}));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "data" / "N（2）.edb"));
}

TEST_F(SchemaTest, StoredPathsStayInsideTheirFolder) {
    RunDirectory run(folder_.path());
    EXPECT_EQ(storedPathToFile(run, "\\data\\a.edb", kDataFolder), folder_ / "data" / "a.edb");
    EXPECT_EQ(storedPathToFile(run, "/data/a.edb", kDataFolder), folder_ / "data" / "a.edb");
    EXPECT_FALSE(storedPathToFile(run, "\\data\\..\\user\\user.edb", kDataFolder));
    EXPECT_FALSE(storedPathToFile(run, "\\user\\user.edb", kDataFolder));
    EXPECT_FALSE(storedPathToFile(run, "\\data\\", kDataFolder));
}

}  // namespace
}  // namespace qinghe::store
