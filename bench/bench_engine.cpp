// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of one key release in the largest rules: parse the source text,
// run four factor chains, write four slots and format four display texts.
#include "engine/unitboxes.h"

#include <benchmark/benchmark.h>

namespace {

void keyUp(benchmark::State& state, int box, const char* typed)
{
    engine::UnitBoxes boxes(".");
    boxes.setText(box, typed);
    for (auto _ : state) {
        auto changed = boxes.keyUp(box);
        benchmark::DoNotOptimize(changed);
        benchmark::DoNotOptimize(boxes.text(changed.boxes[0]).data());
    }
}

void formatSlot(benchmark::State& state)
{
    const engine::NumberText numbers(".");
    for (auto _ : state) {
        auto text = numbers.format(std::string_view("0.00440296964451832"), 6);
        benchmark::DoNotOptimize(text.data());
    }
}

} // namespace

BENCHMARK_CAPTURE(keyUp, pressure_kgf_cm2, 21, "2.5");
BENCHMARK_CAPTURE(keyUp, pressure_mmHg, 35, "760.25");
BENCHMARK_CAPTURE(keyUp, length_m, 8, "1.234");
BENCHMARK_CAPTURE(keyUp, length_mil, 12, "39370.5");
BENCHMARK_CAPTURE(keyUp, failing_text, 21, "abc");
BENCHMARK(formatSlot);

BENCHMARK_MAIN();
