#include <benchmark/benchmark.h>

#include <string>

#include "common/gbk.h"
#include "common/money_text.h"
#include "common/number_text.h"
#include "common/ole_date.h"

namespace {

// Amount and date conversions run once per list row; they must stay cheap
// next to the store walk.
void BM_RoundAmount(benchmark::State& state) {
    double x = 1234.565;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qinghe::round(x, 2));
        x += 0.001;
    }
}
BENCHMARK(BM_RoundAmount);

// The rounding of every shown money figure, and the text a list cell shows.
void BM_RoundMoney(benchmark::State& state) {
    double x = 1234.565;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qinghe::roundMoney(x));
        x += 0.001;
    }
}
BENCHMARK(BM_RoundMoney);

void BM_MoneyText(benchmark::State& state) {
    double x = 1234.56;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qinghe::moneyText(x));
        x += 0.01;
    }
}
BENCHMARK(BM_MoneyText);

void BM_NumberToText(benchmark::State& state) {
    double x = 1234.56;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qinghe::numberToText(x));
        x += 0.01;
    }
}
BENCHMARK(BM_NumberToText);

void BM_DateToText(benchmark::State& state) {
    double day = 42136;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qinghe::dateToText(day));
        day += 1;
    }
}
BENCHMARK(BM_DateToText);

void BM_GbkToUtf8(benchmark::State& state) {
    const std::string note = "\xC2\xF2\xB2\xCB\xA3\xAC\xB3\xAC\xCA\xD0";  // 买菜，超市
    for (auto _ : state) benchmark::DoNotOptimize(qinghe::gbkToUtf8(note));
}
BENCHMARK(BM_GbkToUtf8);

}  // namespace
