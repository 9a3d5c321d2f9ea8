// Readers on hostile sizes: a 10 MB NC line of G words, a 1 MB post-processor of newlines, a section
// of 200,000 keys listed and looked up; and number texts, whose ties now take a second look.
#include <benchmark/benchmark.h>

#include <string>

#include "machining/nc_reader.h"
#include "platform/ini_file.h"
#include "platform/numbers.h"

namespace {

void BM_ParseNcLineOfTenMegabytes(benchmark::State& state) {
  const std::string line = "G1" + std::string(size_t(10) << 20, 'G') + "X5";
  const machining::NcReaderSyntax iso;
  for (auto _ : state) {
    machining::NcReaderState reader;
    machining::ResetNcReader(reader, "2");
    machining::NcLineMotion values;
    benchmark::DoNotOptimize(machining::ParseNcLine(reader, iso, line, values));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ParseNcLineOfTenMegabytes)->Unit(benchmark::kMillisecond);

void BM_IniOfOneMegabyteOfNewlines(benchmark::State& state) {
  const std::string text = "[Default]\nDialect=ISO\n" + std::string((size_t(1) << 20) - 32, '\n');
  for (auto _ : state) {
    platform::IniFile ini;
    ini.LoadFromText(text);
    benchmark::DoNotOptimize(ini.ReadString("Default", "Dialect", ""));
    benchmark::DoNotOptimize(ini.ReadString("End_of_file", "30", ""));
  }
}
BENCHMARK(BM_IniOfOneMegabyteOfNewlines)->Unit(benchmark::kMillisecond);

void BM_IniSectionOf200000Keys(benchmark::State& state) {
  // Keys built by appending: "k" + std::to_string(i) sets off a false -Wrestrict in GCC 12 at -O3.
  auto key = [](int i) { return std::string(1, 'k').append(std::to_string(i)); };
  std::string text = "[Keys]\n";
  for (int i = 0; i < 200000; ++i) text.append(key(i)).append("=1\n");
  for (auto _ : state) {
    platform::IniFile ini;
    ini.LoadFromText(text);
    benchmark::DoNotOptimize(ini.ReadSection("keys").size());
    int sum = 0;
    for (int i = 0; i < 200000; i += 97) sum += ini.ReadInteger("Keys", key(i), 0);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_IniSectionOf200000Keys)->Unit(benchmark::kMillisecond);

void BM_NumberTextsWithTies(benchmark::State& state) {
  double value = 0.0625;
  for (auto _ : state) {
    benchmark::DoNotOptimize(platform::FormatPrintf("%0.3f", value));
    benchmark::DoNotOptimize(platform::FormatPrintf("%0.3f", value + 0.001));
  }
}
BENCHMARK(BM_NumberTextsWithTies);

}  // namespace

BENCHMARK_MAIN();
