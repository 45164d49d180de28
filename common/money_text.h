#pragma once

#include <initializer_list>
#include <string>

#include "common/number_text.h"

namespace qinghe {

// The one rounding of every money figure the program shows or hands out: the
// exact total to cents, half away from zero. A total of amounts typed in
// decimals stands for its first 15 significant digits (what a double holds);
// the binary remainder below them never decides a cent, so 21472.215 rounds
// to 21472.22 whichever way its double was summed. Beyond 10^13, where a
// double holds no cents, it is round(x, 2).
double roundMoney(double exact);

// An amount as every list and label shows it: roundMoney, then at most 13
// significant digits, no trailing zeros.
std::string moneyText(double amount);

// The exact sum of a figure's parts (the initial amount, incomes, expenses
// negated), rounded once to a double: a balance never carries the rounding of
// a subtraction into the cent it shows.
double exactTotal(std::initializer_list<double> parts);

}  // namespace qinghe
