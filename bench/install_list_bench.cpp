// Reading "install.dat" must take one pass in linear time, also for a file
// that is a single line of 100 MB: the reported bytes per second stay level
// as the size grows by tenfold steps.
//
//   build/host/bench/install_list_bench
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "installer/InstallList.h"
#include "platform/TextFile.h"

namespace {

std::string OneLongLine(std::size_t bytes) { return std::string(bytes, 'a') + "\r\n"; }

std::string ManyLines(std::size_t bytes) {
  std::string out;
  out.reserve(bytes + 64);
  while (out.size() < bytes) out += "images\\picture.jpg\r\n";
  return out;
}

void Read(benchmark::State& state, std::string (*make)(std::size_t)) {
  const std::string content = make(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    CTextFile file(std::make_unique<StringFileStream>(content), FileOpenMode::Read);
    InstallList list = ReadInstallList(file);
    benchmark::DoNotOptimize(list.GetCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(content.size()));
}

void BM_ReadSingleLine(benchmark::State& state) { Read(state, OneLongLine); }
void BM_ReadManyLines(benchmark::State& state) { Read(state, ManyLines); }

BENCHMARK(BM_ReadSingleLine)->RangeMultiplier(10)->Range(1'000'000, 100'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadManyLines)->RangeMultiplier(10)->Range(1'000'000, 100'000'000)->Unit(benchmark::kMillisecond);

void BM_MapEntry(benchmark::State& state) {
  const CString entry = "images\\picture.jpg\n";
  for (auto _ : state) {
    InstallAction action = MapInstallEntry(entry, "Q", "C:\\Program Files\\Harborlit\\Drama1", "images\\");
    benchmark::DoNotOptimize(action.destination.GetLength());
  }
}
BENCHMARK(BM_MapEntry);

}  // namespace

BENCHMARK_MAIN();
