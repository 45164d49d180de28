#pragma once

#include <optional>
#include <string_view>

#include "common/ole_date.h"

namespace qinghe::entry {

// A date typed whole into a date box: year, month and day as digits joined by
// "-", "/" or "." (2025-01-01, 2025-1-5, 2025/1/5), within 0100-01-01 ..
// 9999-12-31, the dates a box can show.
enum class TypedDateState {
    Impossible,  // no more typing makes it a date a box can show: refused where typed
    Partial,     // the beginning of one
    Complete,    // a whole date
};
TypedDateState typedDateState(std::string_view text);

// The date a typed text sets when the typing ends: a whole date exactly; a
// year, or a year and month, with the rest of `before` (its day, or the last
// day of a shorter month). Nothing for anything else: the box keeps `before`.
std::optional<CivilDate> committedTypedDate(std::string_view text, const CivilDate& before);

}  // namespace qinghe::entry
