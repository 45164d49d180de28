#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "entry/entry_vouchers.h"
#include "entry/voucher_files.h"
#include "entry/voucher_strip.h"
#include "entry/voucher_texts.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tables/schemas.h"
#include "tests/support/image_files.h"
#include "tests/support/ledger_data.h"
#include "tests/support/sample_photo.h"
#include "tests/support/scripted_user.h"

// The voucher strip's list and position: adding, deleting and browsing by
// their rules, the questions they ask, and the entry fields they end in.

namespace qinghe::entry {
namespace {

namespace fs = std::filesystem;

VoucherList letters(int count) {
    VoucherList list;
    for (int i = 0; i < count; ++i) list.push_back(std::string(1, static_cast<char>('A' + i)));
    return list;
}

// The list as one string, the position's image in brackets: "A[C]D".
std::string state(const VoucherStripModel& strip) {
    std::string text;
    for (int i = 1; i <= strip.count(); ++i) {
        const std::string& image = strip.vouchers()[static_cast<std::size_t>(i - 1)];
        text += i == strip.position() ? "[" + image + "]" : image;
    }
    return text.empty() ? "(" + std::to_string(strip.position()) + ")" : text;
}

// A strip of `count` letters showing the one at `position`.
void showAt(VoucherStripModel& strip, int count, int position) {
    strip.reset(letters(count));
    while (strip.position() != position) strip.browse(-1);
}

TEST(VoucherStripTest, DeletingShowsTheImageTwoFurtherOrTheLast) {
    struct Case {
        int count;
        int position;
        std::string after;
    };
    const std::vector<Case> cases = {
        {4, 2, "AC[D]"},                                    // B goes, D shows: what was two further
        {4, 1, "B[C]D"}, {4, 3, "AB[D]"}, {4, 4, "AB[C]"},  // the new last
        {2, 1, "[B]"},   {1, 1, "(1)"},                     // empty, back to 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " at " + std::to_string(c.position));
        VoucherStripModel strip;
        showAt(strip, c.count, c.position);
        strip.removeAtPosition();
        EXPECT_EQ(state(strip), c.after);
        EXPECT_EQ(strip.shown(),
                  c.after == "(1)" ? "" : std::string(1, c.after[c.after.find('[') + 1]));
    }
}

TEST(VoucherStripTest, BrowsingStepsAndWrapsWithTwoOrMoreImages) {
    struct Case {
        int count;
        int position;
        int step;
        std::string after;
        bool moved;
    };
    const std::vector<Case> cases = {
        {3, 1, +1, "AB[C]", true},  // +1 goes back, from the first to the last
        {3, 3, +1, "A[B]C", true},
        {3, 3, -1, "[A]BC", true},  // -1 goes forward, from the last to
                                    // the first
        {3, 1, -1, "A[B]C", true},
        {1, 1, +1, "[A]", false},
        {1, 1, -1, "[A]", false},
        {0, 1, +1, "(1)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " at " + std::to_string(c.position) + " step " +
                     std::to_string(c.step));
        VoucherStripModel strip;
        showAt(strip, c.count, c.position);
        EXPECT_EQ(strip.browse(c.step), c.moved);
        EXPECT_EQ(state(strip), c.after);
    }
}

TEST(VoucherStripTest, ListeningMayEndBeforeOrAfterTheList) {
    int heard = 0;
    VoucherStripModel::Listening outlives;
    {
        VoucherStripModel strip(letters(1));
        outlives = strip.listen([&] { ++heard; });
        {
            auto brief = strip.listen([&] { heard += 10; });
            strip.append("B");
        }
        strip.append("C");
    }
    EXPECT_EQ(heard, 12);
    outlives.stop();  // the list is gone: nothing to do, nothing touched
}

TEST(VoucherStripTest, BothStripsHearOfEveryChange) {
    VoucherStripModel strip(letters(2));
    int heard = 0;
    auto listening = strip.listen([&] { ++heard; });
    const std::uint64_t before = strip.revision();
    strip.append("C");
    EXPECT_EQ(state(strip), "AB[C]");
    strip.browse(1);
    strip.removeAtPosition();
    strip.reset({"X"});
    EXPECT_EQ(state(strip), "[X]");
    EXPECT_EQ(heard, 4);
    EXPECT_EQ(strip.revision(), before + 4);
    listening.stop();
    strip.append("Y");
    EXPECT_EQ(heard, 4);
    EXPECT_EQ(strip.joined(), "X|||Y");
    EXPECT_TRUE(strip.hasVouchers());
}

class VoucherFlowsTest : public ::testing::Test {
  protected:
    fs::path file(const std::string& name, const std::string& bytes) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    TemporaryFolder folder_;
    testing::ScriptedUser user_;
};

TEST_F(VoucherFlowsTest, AddingReadsTheChosenFilesWholeAndShowsTheLast) {
    VoucherStripModel strip(letters(1));
    const std::string photo = testing::phoneJpeg(testing::samplePhoto(64, 48));
    const std::string drawing = testing::pngBytes(8, 8, testing::checkerboard());
    // Named for another format: the content decides.
    user_.fileChoices.push_back({file("收据.jpg", photo), file("note.bmp", drawing)});
    EXPECT_EQ(addVouchers(user_, strip), 2);
    ASSERT_EQ(strip.count(), 3);
    EXPECT_EQ(strip.vouchers()[1], photo);
    EXPECT_EQ(strip.vouchers()[2], drawing);
    EXPECT_EQ(strip.position(), 3);
    EXPECT_TRUE(user_.messages.empty());

    // Cancelled: nothing changes.
    EXPECT_EQ(addVouchers(user_, strip), 0);
    EXPECT_EQ(strip.count(), 3);

    // The dialog "打开一个凭证图片" with its three filters, JPG first.
    ASSERT_EQ(user_.openFilesRequests.size(), 2u);
    EXPECT_EQ(user_.openFilesRequests[0].title, kOpenVoucherTitle);
    EXPECT_EQ(user_.openFilesRequests[0].filters,
              (std::vector<std::string>{kJpgFilter, kBmpFilter, kPngFilter}));
    EXPECT_EQ(std::string(kJpgFilter).rfind(testing::gbk("JPG图片（*.jpg）"), 0), 0u);
}

TEST_F(VoucherFlowsTest, AddingTellsOfFilesItCannotTake) {
    const fs::path unreadable = file("locked.jpg", "xyz");
    fs::permissions(unreadable, fs::perms::none);
    const bool rootReads = std::ifstream(unreadable).good();  // root reads anything
    struct Case {
        const char* what;
        fs::path path;
        std::string message;
    };
    // Opened, a FIFO would wait for a writer for ever.
    const fs::path fifo = folder_ / "fifo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string noPicture(4000, '\x5A');
    noPicture.replace(0, 3, "\xFF\xD8\xFF");  // a JPEG's first bytes, and then nothing of one
    std::vector<Case> cases = {
        {"missing", folder_ / "gone.jpg", kUnreadableFile},
        {"a folder", folder_.path(), kUnreadableFile},
        {"a FIFO", fifo, kUnreadableFile},
        {"a device", "/dev/zero", kUnreadableFile},
        {"empty", file("empty.jpg", ""), kEmptyFile},
        {"random bytes", file("random.jpg", "\x01\x02 random bytes"), kNotAPictureFile},
        {"a JPEG's signature only", file("fake.jpg", noPicture), kNotAPictureFile},
        {"a PNG cut in its header",
         file("cut.png", testing::pngBytes(4, 4, testing::checkerboard()).substr(0, 20)),
         kNotAPictureFile},
    };
    if (!rootReads) cases.push_back({"not readable", unreadable, kUnreadableFile});
    const std::string bitmap = testing::bmpBytes(3, 2, testing::checkerboard());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VoucherStripModel strip;
        user_.messages.clear();
        user_.fileChoices.push_back({c.path, file("ok.bmp", bitmap)});
        EXPECT_EQ(addVouchers(user_, strip), 1);
        EXPECT_EQ(state(strip), "[" + bitmap + "]");
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(user_.messages[0].text.rfind(c.message, 0), 0u) << c.what;
    }
}

TEST_F(VoucherFlowsTest, DeletingAsksFirstAndOnlyWhenAnImageShows) {
    struct Case {
        const char* what;
        VoucherList list;
        std::vector<MessageAnswer> answers;
        bool removed;
        int questions;
    };
    const std::vector<Case> cases = {
        {"OK removes", letters(3), {MessageAnswer::Ok}, true, 1},
        {"Cancel keeps", letters(3), {MessageAnswer::Cancel}, false, 1},
        {"an empty list asks nothing", {}, {}, false, 0},
        {"an empty image shows nothing: nothing asked", {""}, {}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VoucherStripModel strip(c.list);
        testing::ScriptedUser user;
        user.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(deleteShownVoucher(user, strip), c.removed);
        ASSERT_EQ(static_cast<int>(user.messages.size()), c.questions);
        if (c.questions) {
            EXPECT_EQ(user.messages[0].text, kDeleteVoucherQuestion);
            EXPECT_EQ(user.messages[0].title, kDeleteTitle);
            EXPECT_EQ(user.messages[0].icon, MessageIcon::Warning);
            EXPECT_EQ(user.messages[0].buttons, MessageButtons::OkCancel);
        }
        EXPECT_EQ(strip.count(), static_cast<int>(c.list.size()) - (c.removed ? 1 : 0));
    }
}

TEST_F(VoucherFlowsTest, WrittenFilesHoldTheBytesAndFailuresLeaveNothing) {
    const std::string bytes(70000, '\x01');
    ASSERT_TRUE(writeVoucherFile(folder_ / "1.jpg", bytes));
    EXPECT_EQ(readVoucherFile(folder_ / "1.jpg").bytes, bytes);
    EXPECT_FALSE(writeVoucherFile(folder_ / "missing" / "1.jpg", bytes));
    EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST(EntryVouchersTest, TheListIsStoredJoinedWithItsFlagAndReadBack) {
    TemporaryFolder run;
    store::PosixFileSystem files;
    FixedClock clock(42136);
    testing::ScriptedUser user;
    AppState state(RunDirectory(run.path()), files, clock, user);
    const fs::path table = run / "ledger.edb";
    // Made as a new ledger's table is: plain, then enciphered.
    ASSERT_TRUE(state.tables.create(table, tables::entryFields()));
    ASSERT_TRUE(state.tables.open(table, "", ""));
    ASSERT_TRUE(state.tables.setPassword(tables::kStorePassword));
    ASSERT_TRUE(testing::appendEntries(state, table, {{}, {}}));

    const VoucherList images = {"\xFF\xD8\xFF one", "\x89PNG two"};
    ASSERT_TRUE(state.tables.goTo(2));
    ASSERT_TRUE(writeEntryVouchers(state.tables, images));
    ASSERT_TRUE(state.tables.commit());
    EXPECT_TRUE(state.tables.closeAll());

    struct Case {
        std::int32_t record;
        std::optional<StoredVouchers> stored;
    };
    for (const Case& c :
         {Case{1, StoredVouchers{false, ""}}, Case{2, StoredVouchers{true, joinVouchers(images)}},
          Case{3, std::nullopt}, Case{0, std::nullopt}}) {
        SCOPED_TRACE(c.record);
        const auto stored = readEntryVouchers(state, table, c.record);
        ASSERT_EQ(stored.has_value(), c.stored.has_value());
        if (!stored) continue;
        EXPECT_EQ(stored->flag, c.stored->flag);
        EXPECT_EQ(stored->value, c.stored->value);
    }
    // Emptying the list clears both fields.
    ASSERT_TRUE(state.tables.goTo(2));
    ASSERT_TRUE(writeEntryVouchers(state.tables, {}));
    const auto cleared = readEntryVouchers(state, table, 2);
    ASSERT_TRUE(cleared);
    EXPECT_FALSE(cleared->flag);
    EXPECT_EQ(cleared->value, "");
}

}  // namespace
}  // namespace qinghe::entry
