// Load time of the operator catalogue: the real converted file, and larger ones made from it
// whose copies cannot merge into each other, to show the load grows linearly with the rows.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "controller/apn_list.h"

namespace {

// Stands in for the real catalogue when the build has not made one (no provider database).
std::string SyntheticCatalogue() {
  std::string out;
  for (int row = 0; row < 1800; ++row) {
    out += "Operator " + std::to_string(row) + ";" + std::to_string(200 + row % 150) + ";" +
           std::to_string(row % 100) + ";internet." + std::to_string(row) + ".example;;;Country " +
           std::to_string(row % 150) + "\r\n";
  }
  return out;
}

const std::string& BaseCatalogue() {
  static const std::string content = [] {
    std::ifstream in(RODIDUZ_BINARY_DIR "/apnlist.csv", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in && !text.str().empty() ? text.str() : SyntheticCatalogue();
  }();
  return content;
}

// `copies` copies of the base catalogue; copy k ends every row's list prefix with " #k", so
// no row of one copy shares a merge key with a row of another.
std::string ScaledCatalogue(int copies, std::size_t& rows) {
  const std::string& base = BaseCatalogue();
  std::string out;
  out.reserve(base.size() * static_cast<std::size_t>(copies) * 11 / 10);
  rows = 0;
  for (int copy = 0; copy < copies; ++copy) {
    const std::string suffix = " #" + std::to_string(copy);
    std::size_t start = 0;
    for (std::size_t end; (end = base.find("\r\n", start)) != std::string::npos; start = end + 2) {
      out.append(base, start, end - start);
      out += suffix;
      out += "\r\n";
      ++rows;
    }
  }
  return out;
}

void BM_LoadRealCatalogue(benchmark::State& state) {
  const std::string& content = BaseCatalogue();
  for (auto _ : state) {
    TApnList list;
    LoadApnListFromContent(content, list);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}
BENCHMARK(BM_LoadRealCatalogue)->Unit(benchmark::kMicrosecond);

void BM_LoadScaledCatalogue(benchmark::State& state) {
  std::size_t rows = 0;
  const std::string content = ScaledCatalogue(static_cast<int>(state.range(0)), rows);
  std::size_t entries = 0;
  for (auto _ : state) {
    TApnList list;
    LoadApnListFromContent(content, list);
    entries = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.SetComplexityN(static_cast<std::int64_t>(rows));
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["entries"] = static_cast<double>(entries);
  state.counters["per_row"] = benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadScaledCatalogue)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
