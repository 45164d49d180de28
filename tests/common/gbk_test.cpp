#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/gbk.h"

namespace {

// 青禾 in GBK and UTF-8.
const std::string kQingheGbk = "\xC7\xE0\xBA\xCC";
const std::string kQingheUtf8 = "\xE9\x9D\x92\xE7\xA6\xBE";

TEST(GbkConversion, RoundTrip) {
    const std::string mixed = "a" + kQingheGbk +
                              "\x80"
                              "1\xA3\xAE";  // euro sign, full-width stop
    const std::optional<std::string> utf8 = qinghe::gbkToUtf8(mixed);
    ASSERT_TRUE(utf8);
    EXPECT_EQ(*utf8, "a" + kQingheUtf8 +
                         "\xE2\x82\xAC"
                         "1\xEF\xBC\x8E");
    EXPECT_EQ(qinghe::utf8ToGbk(*utf8), mixed);

    // Embedded NUL bytes pass through both ways.
    const std::string withNul(
        "x\0"
        "\xC7\xE0",
        4);
    const std::optional<std::string> nulUtf8 = qinghe::gbkToUtf8(withNul);
    ASSERT_TRUE(nulUtf8);
    EXPECT_EQ(*nulUtf8, std::string("x\0"
                                    "\xE9\x9D\x92",
                                    5));
    EXPECT_EQ(qinghe::utf8ToGbk(*nulUtf8), withNul);

    EXPECT_EQ(qinghe::gbkToUtf8(""), "");
    EXPECT_EQ(qinghe::utf8ToGbk(""), "");
}

TEST(GbkConversion, LongTextNeedsMoreThanOneBuffer) {
    std::string gbk;
    std::string utf8;
    for (int i = 0; i < 5000; ++i) {
        gbk += kQingheGbk;
        utf8 += kQingheUtf8;
    }
    EXPECT_EQ(qinghe::gbkToUtf8(gbk), utf8);
    EXPECT_EQ(qinghe::utf8ToGbk(utf8), gbk);
}

TEST(GbkConversion, UnconvertibleTextGivesNothing) {
    const std::vector<std::string> badUtf8 = {
        "\xF0\x9F\x98\x80",    // emoji: not in GBK
        "ok\xF0\x9F\x98\x80",  // ... also after convertible text
        "\xC3\x28",            // broken sequence
        "\xE9\x9D",            // truncated at the end
        "\xFF",
    };
    for (const std::string& text : badUtf8) EXPECT_EQ(qinghe::utf8ToGbk(text), std::nullopt);

    const std::vector<std::string> badGbk = {
        "\xFF",                // never a GBK byte
        "\xA2\xA0",            // unassigned double-byte code
        "\xC7",                // lead byte cut off at the end
        "ab\xC7\xE0\x81\x20",  // lead byte with a trail byte out of range
    };
    for (const std::string& text : badGbk) EXPECT_EQ(qinghe::gbkToUtf8(text), std::nullopt);
}

TEST(GbkConversion, LossyReplacesOnlyWhatIsBroken) {
    const std::string replacement = "\xEF\xBF\xBD";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {kQingheGbk, kQingheUtf8},
        {"a\xFF"
         "b",
         "a" + replacement + "b"},
        // An unassigned pair is one character.
        {"\xA2\xA0" + kQingheGbk, replacement + kQingheUtf8},
        // A lead byte before an ASCII byte takes only itself.
        {"\x81 " + kQingheGbk, replacement + " " + kQingheUtf8},
        {kQingheGbk + "\xC7", kQingheUtf8 + replacement},
        {"\xFF\xFF", replacement + replacement},
    };
    for (const auto& [gbk, utf8] : cases) EXPECT_EQ(qinghe::gbkToUtf8Lossy(gbk), utf8);
}

TEST(CutGbk, NeverEndsInHalfACharacter) {
    const std::string text = "a" + kQingheGbk + "b";  // a 青 禾 b: bytes 1 + 2 + 2 + 1
    const std::vector<std::pair<std::size_t, std::string>> cases = {
        {0, ""},   {1, "a"},    {2, "a"}, {3, "a\xC7\xE0"}, {4, "a\xC7\xE0"}, {5, "a" + kQingheGbk},
        {6, text}, {100, text},
    };
    for (const auto& [width, expected] : cases) EXPECT_EQ(qinghe::cutGbk(text, width), expected);

    // The trail byte of 埃 (B0 A3) is a lead byte value: only walking from the start
    // tells that "\xB0\xA3\xB1\xB2" is two characters.
    EXPECT_EQ(qinghe::cutGbk("\xB0\xA3\xB1\xB2", 3), "\xB0\xA3");
    // A lead byte with nothing after it counts as one byte.
    EXPECT_EQ(qinghe::cutGbk("ab\xC7", 3), "ab\xC7");
    EXPECT_EQ(qinghe::gbkCharLength("ab\xC7", 2), 1u);
    EXPECT_EQ(qinghe::gbkCharLength(kQingheGbk, 0), 2u);
}

}  // namespace

TEST(GbkText, TheProgramsOwnTextsConvertOnceAndAnUnconvertibleOneEndsTheProgram) {
    EXPECT_EQ(qinghe::gbkText("还原完成！"), "\xBB\xB9\xD4\xAD\xCD\xEA\xB3\xC9\xA3\xA1");
    EXPECT_DEATH(qinghe::gbkText("表情\xF0\x9F\x98\x80"), "not GBK");
}
