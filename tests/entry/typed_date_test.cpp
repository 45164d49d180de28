#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "entry/typed_date.h"

namespace qinghe {
namespace {

using entry::TypedDateState;

TEST(TypedDate, TellsAWholeDateFromItsBeginningAndFromWhatCanBeNone) {
    struct Case {
        const char* text;
        TypedDateState state;
    };
    const Case cases[] = {
        {"", TypedDateState::Partial},
        {"2", TypedDateState::Partial},
        {"0", TypedDateState::Partial},  // 0100 .. 0999 still come
        {"00", TypedDateState::Impossible},
        {"2025", TypedDateState::Partial},
        {"20250", TypedDateState::Impossible},
        {"2025-", TypedDateState::Partial},
        {"50-", TypedDateState::Impossible},  // no year before 0100
        {"2025-0", TypedDateState::Partial},
        {"2025-1", TypedDateState::Partial},
        {"2025-13", TypedDateState::Impossible},
        {"2025-00", TypedDateState::Impossible},
        {"2025-01-", TypedDateState::Partial},
        {"2025-01-0", TypedDateState::Partial},
        {"2025-01-01", TypedDateState::Complete},
        {"2025-1-5", TypedDateState::Complete},
        {"2025/3/9", TypedDateState::Complete},
        {"2025.12.31", TypedDateState::Complete},
        {"2025-02-3", TypedDateState::Complete},
        {"2025-02-30", TypedDateState::Impossible},
        {"2024-02-29", TypedDateState::Complete},
        {"2025-02-29", TypedDateState::Impossible},
        {"0100-01-01", TypedDateState::Complete},
        {"9999-12-31", TypedDateState::Complete},
        {"2025-01-01-", TypedDateState::Impossible},
        {"2025-01-011", TypedDateState::Impossible},
        {"2025--1", TypedDateState::Impossible},
        {"-2025", TypedDateState::Impossible},
        {"2025-01-01 ", TypedDateState::Impossible},
        {"２０２５", TypedDateState::Impossible},
    };
    for (const Case& c : cases)
        EXPECT_EQ(entry::typedDateState(c.text), c.state) << "\"" << c.text << "\"";
}

TEST(TypedDate, SetsExactlyTheDateTypedAndKeepsTheRestOfTheOldOneForAYearOrMonth) {
    const CivilDate before{2026, 12, 11};
    const CivilDate leapDay{2024, 2, 29};
    struct Case {
        const char* text;
        CivilDate before;
        std::optional<CivilDate> set;
    };
    const Case cases[] = {
        {"2025-01-01", before, CivilDate{2025, 1, 1}},  // never the old year
        {"2025-1-5", before, CivilDate{2025, 1, 5}},
        {"0999-06-30", before, CivilDate{999, 6, 30}},
        {"2025", before, CivilDate{2025, 12, 11}},
        {"2025-", before, CivilDate{2025, 12, 11}},
        {"2025-3", before, CivilDate{2025, 3, 11}},
        {"2025-2-", CivilDate{2026, 1, 31}, CivilDate{2025, 2, 28}},  // the month's last day
        {"2025", leapDay, CivilDate{2025, 2, 28}},
        {"2025-0", before, std::nullopt},
        {"2025-01-0", before, std::nullopt},
        {"2025-02-30", before, std::nullopt},
        {"0050-01-01", before, std::nullopt},
        {"99", before, std::nullopt},
        {"", before, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(entry::committedTypedDate(c.text, c.before), c.set) << "\"" << c.text << "\"";
}

}  // namespace
}  // namespace qinghe
