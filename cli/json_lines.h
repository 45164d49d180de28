#pragma once

#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "common/gbk.h"

namespace qinghe::cli {

// Objects keep their keys in the order they were put in, so lines read as the
// columns of the list they print.
using JsonLine = nlohmann::ordered_json;

// A stored text (GBK) for printing; damaged bytes show as U+FFFD.
inline std::string shownText(std::string_view gbk) {
    return gbkToUtf8Lossy(gbk);
}

inline void printLine(const JsonLine& line) {
    std::cout << line.dump() << "\n";
}

}  // namespace qinghe::cli
