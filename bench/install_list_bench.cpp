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
    CTextFile file(std::make_unique<ViewStream>(content), FileOpenMode::Read);
    InstallList list = ReadInstallList(file);
    benchmark::DoNotOptimize(list.GetCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(content.size()));
}

void BM_ReadSingleLine(benchmark::State& state) { Read(state, OneLongLine); }
void BM_ReadManyLines(benchmark::State& state) { Read(state, ManyLines); }

BENCHMARK(BM_ReadSingleLine)
    ->RangeMultiplier(10)
    ->Range(1'000'000, 100'000'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadManyLines)
    ->RangeMultiplier(10)
    ->Range(1'000'000, 100'000'000)
    ->Unit(benchmark::kMillisecond);

void BM_MapEntry(benchmark::State& state) {
  const CString entry = "images\\picture.jpg\n";
  for (auto _ : state) {
    InstallAction action = MapInstallEntry(entry, "Q", "C:\\Program Files\\Harborlit\\Drama1", "images\\");
    benchmark::DoNotOptimize(action.destination.GetLength());
  }
}
BENCHMARK(BM_MapEntry);

// A realistic install list: folder lines every 40 lines, file lines, a
// copy-as and an outside-file line now and then, Shift-JIS names, CR LF.
std::string RealisticList(std::size_t lines) {
  std::string out;
  for (std::size_t i = 0; i < lines; ++i) {
    if (i % 40 == 0) {
      out += "*\\images\\\x83\x5C\x83\x74\x83\x67" + std::to_string(i / 40) + "\r\n";
    } else if (i % 17 == 0) {
      out += "title" + std::to_string(i) + ".jpg\t\tlogo" + std::to_string(i) + ".jpg\r\n";
    } else if (i % 29 == 0) {
      out += "..\\program\\update\\viewer" + std::to_string(i) + ".exe\r\n";
    } else {
      out += "\x95\x5C\x8E\x86" + std::to_string(i) + ".html\r\n";
    }
  }
  return out;
}

// Reading the whole list and mapping every entry, as the copy loop does
// before each copy: lines per second.
void BM_ReadAndMapLines(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  const std::string content = RealisticList(lines);
  const CString drive = "Q";
  const CString dest = "C:\\Program Files\\Harborlit\\Drama1";
  for (auto _ : state) {
    CTextFile file(std::make_unique<ViewStream>(content), FileOpenMode::Read);
    InstallList list = ReadInstallList(file);
    CString prefix;
    std::size_t total = 0;
    while (!list.IsEmpty()) {
      InstallAction action = MapInstallEntry(list.RemoveHead(), drive, dest, prefix);
      total += static_cast<std::size_t>(action.destination.GetLength());
      prefix = std::move(action.prefix);
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(lines));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(content.size()));
}
BENCHMARK(BM_ReadAndMapLines)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
