#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "common/gbk.h"

namespace qinghe {
namespace {

using namespace std::string_literals;

// 工资 (wages) and 工 alone, in GBK.
const std::string kWages = gbkText("工资");
const std::string kWork = gbkText("工");

std::string toCrlf(const std::string& lf) {
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// One file exercising the reading rules; each case is looked up in its LF and
// its CRLF form.
const std::string kSample =
    "stray=before any section\n"
    "[setup]\n"
    "; qsy=commented out\n"
    "qsy=1\n"
    "  Padded  =  spaced value  \t\n"
    "formula=a=b=c\n"
    "double=\"  quoted  \"\n"
    "single='x'\n"
    "lonequote=\"abc\n"
    "mixed=\"abc'\n"
    "empty=\n"
    "no equals sign here\n"
    "qsy=second occurrence\n"
    "[ Other ] text after the bracket\n"
    "qsy=other\n"
    "[SETUP]\n"
    "late=in the repeated section\n"
    "[list1]\n"
    "1=" +
    kWages +
    "\n"
    "[" +
    kWork +
    "]\n"
    "name=gbk section\n";

struct LookupCase {
    const char* what;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

class IniLookupTest : public ::testing::TestWithParam<bool> {};

TEST_P(IniLookupTest, FindsValuesByTheReadingRules) {
    const IniDocument document = IniDocument::parse(GetParam() ? toCrlf(kSample) : kSample);
    const std::vector<LookupCase> cases = {
        {"plain", "setup", "qsy", "1"},
        {"names ignore letter case", "SeTuP", "QSY", "1"},
        {"white space trimmed", "setup", "padded", "spaced value"},
        {"value keeps later =", "setup", "formula", "a=b=c"},
        {"double quotes stripped, inside kept", "setup", "double", "  quoted  "},
        {"single quotes stripped", "setup", "single", "x"},
        {"unmatched quote kept", "setup", "lonequote", "\"abc"},
        {"different quotes kept", "setup", "mixed", "\"abc'"},
        {"empty value exists", "setup", "empty", ""},
        {"line without = is no key", "setup", "no equals sign here", std::nullopt},
        {"comment is no key", "setup", "; qsy", std::nullopt},
        {"key before any section ignored", "", "stray", std::nullopt},
        {"repeated section is not searched", "setup", "late", std::nullopt},
        {"header trimmed, text after ] ignored", "other", "qsy", "other"},
        {"missing key", "setup", "nothing", std::nullopt},
        {"missing section", "nothing", "qsy", std::nullopt},
        {"gbk value", "list1", "1", kWages},
        {"gbk section", kWork, "name", "gbk section"},
    };
    for (const LookupCase& c : cases) {
        EXPECT_EQ(document.value(c.section, c.key), c.expected) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniLookupTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Crlf" : "Lf"; });

TEST(IniGbkNames, TrailBytesAreNotCaseFolded) {
    // 0x81 0x41 and 0x81 0x61 are two different characters; folding the trail
    // byte as if it were 'A' would make them one key.
    const std::string upper = "\x81\x41";
    const std::string lower = "\x81\x61";
    IniDocument document;
    ASSERT_TRUE(document.set("list", upper, "first"));
    ASSERT_TRUE(document.set("list", lower, "second"));
    EXPECT_EQ(document.value("list", upper), "first");
    EXPECT_EQ(document.value("list", lower), "second");
    EXPECT_EQ(document.keys("list"), (std::vector<std::string>{upper, lower}));
}

TEST(IniGbkNames, BracketAsTrailByteDoesNotCloseTheHeader) {
    // 0x81 0x5D ends in the byte of ']'.
    const std::string section =
        "a\x81\x5D"
        "b";
    IniDocument document;
    ASSERT_TRUE(document.set(section, "k", "v"));
    EXPECT_EQ(document.text(), "[" + section + "]\r\nk=v\r\n");
    EXPECT_EQ(document.value(section, "k"), "v");
    EXPECT_EQ(document.value("a\x81", "k"), std::nullopt);
}

TEST(IniValueBuffer, LongValuesAreCutOnCharacterBoundaries) {
    const std::size_t limit = kIniValueBuffer - 1;
    struct Case {
        const char* what;
        std::string value;
        std::size_t expectedSize;
    };
    std::string doubleBytes;
    while (doubleBytes.size() < limit + 1) doubleBytes += kWork;
    const std::vector<Case> cases = {
        {"exactly the limit", std::string(limit, 'a'), limit},
        {"one byte over", std::string(limit + 1, 'a'), limit},
        {"far over", std::string(3 * limit, 'a'), limit},
        {"character straddles the limit", std::string(limit - 1, 'a') + kWork, limit - 1},
        {"double-byte text of even length", doubleBytes, limit - 1},
    };
    for (const Case& c : cases) {
        const IniDocument document = IniDocument::parse("[s]\nk=" + c.value + "\n");
        const std::optional<std::string> value = document.value("s", "k");
        ASSERT_TRUE(value) << c.what;
        EXPECT_EQ(*value, c.value.substr(0, c.expectedSize)) << c.what;
    }
}

TEST(IniKeys, ListsEachKeyOnceInFileOrder) {
    const IniDocument document = IniDocument::parse(
        "[list]\r\n"
        "number=3\r\n"
        "2=b\r\n"
        "1=a\r\n"
        "=no name\r\n"
        "Number=repeated, other case\r\n"
        "3='c'\r\n"
        "[next]\r\n"
        "4=d\r\n");
    EXPECT_EQ(document.keys("LIST"), (std::vector<std::string>{"number", "2", "1", "3"}));
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(document.entries("list"),
              (Entries{{"number", "3"}, {"2", "b"}, {"1", "a"}, {"3", "c"}}));
    EXPECT_TRUE(document.keys("missing").empty());
    EXPECT_TRUE(document.entries("missing").empty());
}

struct SetCase {
    const char* what;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

TEST(IniSet, ChangesOnlyWhatItMust) {
    const std::vector<SetCase> cases = {
        {"empty document", "", "setup", "qsy", "1", "[setup]\r\nqsy=1\r\n"},
        {"replace keeps spelling, spacing and line ends of everything else",
         "; top\n[Setup]\r\n  QSY = 0  \r\nsjzd=1\n", "setup", "qsy", "1",
         "; top\n[Setup]\r\n  QSY = 1\r\nsjzd=1\n"},
        {"replace only the first of a repeated key", "[s]\nk=1\nk=2\n", "s", "k", "9",
         "[s]\nk=9\nk=2\n"},
        {"replace in the first of a repeated section", "[s]\nk=1\n[s]\nk=2\n", "s", "k", "9",
         "[s]\nk=9\n[s]\nk=2\n"},
        {"replace an empty value", "[s]\nk=\n", "s", "k", "v", "[s]\nk=v\n"},
        {"replace on a last line without line end", "[s]\nk=old", "s", "k", "new", "[s]\nk=new"},
        {"new key after the last key, before blank and comment of the next section",
         "[a]\nx=1\n\n; about b\n[b]\ny=2\n", "a", "z", "3",
         "[a]\nx=1\nz=3\r\n\n; about b\n[b]\ny=2\n"},
        {"new key right after a header with no keys", "[a]\n\n[b]\n", "a", "k", "v",
         "[a]\nk=v\r\n\n[b]\n"},
        {"new key in a last section without final line end", "[a]\nx=1", "a", "k", "v",
         "[a]\nx=1\r\nk=v\r\n"},
        {"new key under a header that ends the file", "[a]", "a", "k", "v", "[a]\r\nk=v\r\n"},
        {"new section after text without final line end", "[a]\nx=1", "b", "k", "v",
         "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
        {"new section after a lone CR", "[a]\nx=1\r", "b", "k", "v", "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
        {"value with = and quotes written as given", "", "s", "k", "\"a=b\"",
         "[s]\r\nk=\"a=b\"\r\n"},
    };
    for (const SetCase& c : cases) {
        IniDocument document = IniDocument::parse(c.before);
        EXPECT_TRUE(document.set(c.section, c.key, c.value)) << c.what;
        EXPECT_EQ(document.text(), c.after) << c.what;
    }
}

TEST(IniSet, RefusesWhatWouldNotReadBack) {
    struct Case {
        const char* what;
        std::string section;
        std::string key;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"empty section", "", "k", "v"},
        {"empty key", "s", "", "v"},
        {"line break in value", "s", "k", "a\r\nb=c"},
        {"line feed in key", "s", "k\nx", "v"},
        {"CR in section", "s\r", "k", "v"},
        {"= in key", "s", "a=b", "v"},
        {"] in section", "a]b", "k", "v"},
        {"section ending in a lone lead byte", "a\x81", "k", "v"},
        {"key with surrounding space", "s", " k", "v"},
        {"section with surrounding tab", "s\t", "k", "v"},
        {"key that reads as a comment", "s", ";k", "v"},
        {"key that reads as a header", "s", "[k]", "v"},
    };
    const std::string before = "[s]\nk=old\n";
    for (const Case& c : cases) {
        IniDocument document = IniDocument::parse(before);
        EXPECT_FALSE(document.set(c.section, c.key, c.value)) << c.what;
        EXPECT_EQ(document.text(), before) << c.what;
    }
}

TEST(IniSet, WhatIsWrittenReadsBack) {
    IniDocument document;
    const std::vector<std::pair<std::string, std::string>> written = {
        {"1", kWages}, {kWork, "x"}, {"k", "a=b"}, {"nul", "a\0b"s}, {"e", ""}};
    for (const auto& [key, value] : written) ASSERT_TRUE(document.set("s", key, value)) << key;
    const IniDocument reread = IniDocument::parse(document.text());
    for (const auto& [key, value] : written) EXPECT_EQ(reread.value("s", key), value) << key;
}

// A section appended whole reads as the same keys set one by one would, and
// leaves out (and reports) exactly what set refuses.
TEST(IniAppendSection, MatchesSettingKeyByKey) {
    const std::vector<std::pair<std::string, std::string>> written = {
        {"1", kWages}, {kWork, "x"}, {"k", "a=b"}, {"nul", "a\0b"s}, {"e", ""}};
    IniDocument byKey = IniDocument::parse("[first]\nx=1");
    IniDocument whole = byKey;
    for (const auto& [key, value] : written) ASSERT_TRUE(byKey.set("s", key, value)) << key;
    ASSERT_TRUE(whole.appendSection("s", written));
    EXPECT_EQ(whole.text(), byKey.text());

    IniDocument refused;
    EXPECT_FALSE(refused.appendSection("s", {{"a", "1"}, {"b=c", "2"}, {"d", "3\n4"}, {"e", "5"}}));
    const IniDocument reread = IniDocument::parse(refused.text());
    EXPECT_EQ(reread.keys("s"), (std::vector<std::string>{"a", "e"}));
    IniDocument badSection;
    EXPECT_FALSE(badSection.appendSection("a]b", {{"k", "v"}}));
    EXPECT_EQ(badSection.text(), "");
}

TEST(IniMalformed, OddLinesGiveSensibleResults) {
    const IniDocument document = IniDocument::parse(
        "[a]\n"
        "k=v\0w\n"s
        "=value without key\n"
        "[broken\n"
        "x=still in a\n"
        "[broken=y\n"
        "\0\0\0\n"s
        "[]\n"
        "e=in the unnamed section\r");  // a lone CR ends the file
    EXPECT_EQ(document.value("a", "k"), "v\0w"s);
    EXPECT_EQ(document.value("a", ""), std::nullopt);
    EXPECT_EQ(document.value("a", "x"), "still in a");
    EXPECT_EQ(document.value("a", "[broken"), "y");
    EXPECT_EQ(document.value("broken", "x"), std::nullopt);
    EXPECT_EQ(document.value("", "e"), "in the unnamed section");
    EXPECT_EQ(document.keys("a"), (std::vector<std::string>{"k", "x", "[broken"}));
}

TEST(IniMalformed, RandomBytesNeitherCrashNorHideLaterSections) {
    std::mt19937 random(20150512);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(4096, '\0');
        for (char& c : garbage) c = static_cast<char>(byte(random));
        // Square brackets and '=' made common so headers and keys turn up.
        for (std::size_t i = 0; i < garbage.size(); i += 7) garbage[i] = "[]=\n;"[i % 5];
        IniDocument document = IniDocument::parse(garbage + "\n[zz tail]\nkey=found\n");
        EXPECT_EQ(document.value("ZZ TAIL", "key"), "found");
        ASSERT_TRUE(document.set("zz tail", "key", "changed"));
        EXPECT_EQ(IniDocument::parse(document.text()).value("zz tail", "key"), "changed");
    }
}

TEST(IniLarge, ManySectionsAndLongLines) {
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "[section" + std::to_string(i) + "]\r\n";
        for (int k = 0; k < 10; ++k)
            text += std::to_string(k) + "=item " + std::to_string(i) + "\r\n";
    }
    text += "[long]\r\nk=" + std::string(1'000'000, 'x') + "\r\n";
    text += std::string(2'000'000, '\n');
    text += "[list]\r\n";
    for (int k = 1; k <= 100000; ++k) text += std::to_string(k) + "=n\r\n";
    ASSERT_GT(text.size(), std::size_t{5'000'000});

    IniDocument document = IniDocument::parse(text);
    EXPECT_EQ(document.value("section19999", "9"), "item 19999");
    EXPECT_EQ(document.value("long", "k")->size(), kIniValueBuffer - 1);
    EXPECT_EQ(document.entries("list").size(), std::size_t{100000});
    ASSERT_TRUE(document.set("list", "100001", "last"));
    EXPECT_EQ(document.value("list", "100001"), "last");
}

}  // namespace
}  // namespace qinghe
