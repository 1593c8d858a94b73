// Load time of the operator catalogue: the real converted file, and larger ones made from it
// whose copies cannot merge into each other, to show the load grows linearly with the rows.
// The reference beside each size is a deep copy of the loaded list: the same allocations and
// the same memory, without reading or merging, so it shows what the memory hierarchy alone
// adds as the list outgrows the caches.
#include <benchmark/benchmark.h>
#include <time.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "controller/catalogue.h"

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

// Nanoseconds per row of each workload at 1 copy, for the growth ratios of the larger sizes.
std::map<std::string, double>& PerRowAtOneCopy() {
  static std::map<std::string, double> figures;
  return figures;
}

// Per-row time, and its growth against the 1-copy run of the same workload when that ran.
void ReportPerRow(benchmark::State& state, const std::string& workload, std::size_t rows, double seconds) {
  const double per_row =
      seconds * 1e9 / (static_cast<double>(rows) * static_cast<double>(state.iterations()));
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["ns_per_row"] = per_row;
  if (state.range(0) == 1) PerRowAtOneCopy()[workload] = per_row;
  const auto base = PerRowAtOneCopy().find(workload);
  if (base != PerRowAtOneCopy().end()) state.counters["x_per_row_vs_1x"] = per_row / base->second;
}

void BM_LoadRealCatalogue(benchmark::State& state) {
  const std::string& content = BaseCatalogue();
  for (auto _ : state) {
    Catalogue list;
    LoadCatalogueFromContent(content, list);
    benchmark::DoNotOptimize(list.data());
    // The list is freed when the program ends, not while the catalogue loads.
    state.PauseTiming();
    list.clear();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}
BENCHMARK(BM_LoadRealCatalogue)->Unit(benchmark::kMicrosecond)->UseRealTime();

// This thread's CPU time: other programs on a busy machine do not stretch it, page faults do.
double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times `body` per iteration in CPU time, leaving out the freeing of its list.
template <typename Body>
double TimeWithoutFreeing(benchmark::State& state, Body body) {
  double seconds = 0;
  for (auto _ : state) {
    Catalogue list;
    const double start = ThreadCpuSeconds();
    body(list);
    const double elapsed = ThreadCpuSeconds() - start;
    benchmark::DoNotOptimize(list.data());
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  return seconds;
}

void BM_LoadScaledCatalogue(benchmark::State& state) {
  std::size_t rows = 0;
  const std::string content = ScaledCatalogue(static_cast<int>(state.range(0)), rows);
  std::size_t entries = 0;
  const double seconds = TimeWithoutFreeing(state, [&](Catalogue& list) {
    LoadCatalogueFromContent(content, list);
    entries = list.size();
  });
  state.counters["entries"] = static_cast<double>(entries);
  ReportPerRow(state, "load", rows, seconds);
}
BENCHMARK(BM_LoadScaledCatalogue)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The reference: a deep copy of the loaded list, entry by entry into a growing list, as the
// load builds it.
void BM_CopyLoadedList(benchmark::State& state) {
  std::size_t rows = 0;
  Catalogue loaded;
  LoadCatalogueFromContent(ScaledCatalogue(static_cast<int>(state.range(0)), rows), loaded);
  const double seconds = TimeWithoutFreeing(state, [&](Catalogue& list) {
    for (const auto& entry : loaded) list.push_back(std::make_unique<CatalogueEntry>(*entry));
  });
  ReportPerRow(state, "copy", rows, seconds);
}
BENCHMARK(BM_CopyLoadedList)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();

// The second reference: one look-up per row in a table the size of the load's merge index
// (8-byte slots, at most half full), each depending on the one before as the rows' look-ups
// do, so every miss costs its full latency. Its growth is what the caches charge any hashed
// merge of that many rows.
void BM_ProbeIndexSizedTable(benchmark::State& state) {
  std::size_t rows = 0;
  ScaledCatalogue(static_cast<int>(state.range(0)), rows);
  std::vector<std::uint64_t> table(std::bit_ceil(rows * 2));
  const std::size_t mask = table.size() - 1;
  double seconds = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    std::uint64_t carry = 0;
    for (std::size_t row = 0; row < rows; ++row) {
      std::uint64_t& slot = table[std::hash<std::uint64_t>{}(row * 0x9E3779B97F4A7C15ULL + carry) & mask];
      carry = slot & 1;
      slot += row;
    }
    seconds += ThreadCpuSeconds() - start;
    state.SetIterationTime(ThreadCpuSeconds() - start);
    benchmark::DoNotOptimize(table.data());
  }
  ReportPerRow(state, "probe", rows, seconds);
}
BENCHMARK(BM_ProbeIndexSizedTable)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
