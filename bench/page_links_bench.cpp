// Rewriting a page's links must take time linear in the page's size, for a
// page of many short lines as for one long line (read in 8,191-byte pieces):
// the reported bytes per second stay level as the size grows tenfold.
//
//   build/host/bench/page_links_bench
#include <benchmark/benchmark.h>

#include <string>

#include "installer/PageLinks.h"

namespace {

std::string ManyLinks(std::size_t bytes) {
  std::string out;
  out.reserve(bytes + 64);
  while (out.size() < bytes) out += "<a href=\"../../../program/update/setup.exe\">setup</a>\r\n";
  return out;
}

// One line that nearly matches everywhere: the worst case for the search.
std::string OneLongLine(std::size_t bytes) {
  std::string out;
  out.reserve(bytes + 64);
  while (out.size() < bytes) out += "../../../program";
  return out + "\r\n";
}

void Rewrite(benchmark::State& state, std::string (*make)(std::size_t)) {
  const std::string page = make(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::string written = RewritePageBytes(page, kProgramLinkPrefix);
    benchmark::DoNotOptimize(written.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}

void BM_RewriteManyLinks(benchmark::State& state) { Rewrite(state, ManyLinks); }
void BM_RewriteOneLongLine(benchmark::State& state) { Rewrite(state, OneLongLine); }

BENCHMARK(BM_RewriteManyLinks)
    ->RangeMultiplier(10)
    ->Range(100'000, 10'000'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteOneLongLine)
    ->RangeMultiplier(10)
    ->Range(100'000, 10'000'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
