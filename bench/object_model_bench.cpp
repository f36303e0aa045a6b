// Cost of making and dropping the platform's value objects: the JSON
// decoder makes millions of these per second.
#include "foundation/objects/Number.h"
#include "foundation/objects/String.h"

#include <benchmark/benchmark.h>

using namespace foundation;

static void StringCreateRelease(benchmark::State& state)
{
    const std::string_view text = "canonical_version";
    for (auto _ : state) {
        Ref<String> string = String::create(text);
        benchmark::DoNotOptimize(string.get());
    }
}
BENCHMARK(StringCreateRelease);

static void StringCreateUncheckedRelease(benchmark::State& state)
{
    const std::string_view text = "canonical_version";
    for (auto _ : state) {
        Ref<String> string = String::createUnchecked(text);
        benchmark::DoNotOptimize(string.get());
    }
}
BENCHMARK(StringCreateUncheckedRelease);

static void NumberCreateRelease(benchmark::State& state)
{
    std::int64_t value = 0;
    for (auto _ : state) {
        Ref<Number> number = Number::withSigned(++value);
        benchmark::DoNotOptimize(number.get());
    }
}
BENCHMARK(NumberCreateRelease);

static void RetainRelease(benchmark::State& state)
{
    Ref<String> string = str("shared");
    for (auto _ : state) {
        Ref<String> copy = string;
        benchmark::DoNotOptimize(copy.get());
    }
}
BENCHMARK(RetainRelease);

BENCHMARK_MAIN();
