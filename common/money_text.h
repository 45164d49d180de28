#pragma once

#include <string>

#include "common/number_text.h"

namespace qinghe {

// An amount as every list and label shows it: rounded to cents, at most 13
// significant digits, no trailing zeros.
inline std::string moneyText(double amount) {
    return numberToText(round(amount, 2));
}

}  // namespace qinghe
