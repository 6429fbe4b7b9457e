// CString on Shift-JIS text: trimming, reversing and searching walk the
// string character by character, so their cost is linear in its length.
// Each benchmark reports bytes per second on a path-sized string (260 bytes)
// and on a long line (64 KiB).
//
//   build/host/bench/cstring_bench
#include <benchmark/benchmark.h>

#include <string>

#include "platform/CString.h"

namespace {

// Japanese folder names with trail bytes 0x5C (ソ, 表), a half-width name,
// separators and white space at both ends; repeated to the wanted length.
std::string ShiftJisText(std::size_t bytes) {
  const std::string piece =
      "\x83\x5C\x83\x74\x83\x67\\\x95\x5C\x8E\x86\\\xB6\xDE\xD1\\images\\"
      "\x83\x51\x81\x5B\x83\x80 01.html\t";
  std::string text = " \t";
  while (text.size() + piece.size() + 3 <= bytes) text += piece;
  text.resize(bytes - 3, 'x');
  text += " \r\n";
  return text;
}

void SetBytes(benchmark::State& state, const std::string& text) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_Trim(benchmark::State& state) {
  const std::string text = ShiftJisText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    CString s(text);
    s.TrimLeft();
    s.TrimRight();
    benchmark::DoNotOptimize(s.GetLength());
  }
  SetBytes(state, text);
}

void BM_MakeReverse(benchmark::State& state) {
  const std::string text = ShiftJisText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    CString s(text);
    s.MakeReverse();
    benchmark::DoNotOptimize(s.GetLength());
  }
  SetBytes(state, text);
}

void BM_FindChar(benchmark::State& state) {
  const CString s(ShiftJisText(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.Find('\r'));  // near the end: a full walk
  }
  SetBytes(state, s.str());
}

void BM_ReverseFind(benchmark::State& state) {
  const CString s(ShiftJisText(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.ReverseFind('\\'));
  }
  SetBytes(state, s.str());
}

void BM_FindString(benchmark::State& state) {
  const CString s(ShiftJisText(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.Find("../../../program/"));  // absent: a full walk
  }
  SetBytes(state, s.str());
}

void BM_MakeLower(benchmark::State& state) {
  const std::string text = ShiftJisText(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    CString s(text);
    s.MakeLower();
    benchmark::DoNotOptimize(s.GetLength());
  }
  SetBytes(state, text);
}

BENCHMARK(BM_Trim)->Arg(260)->Arg(64 << 10);
BENCHMARK(BM_MakeReverse)->Arg(260)->Arg(64 << 10);
BENCHMARK(BM_FindChar)->Arg(260)->Arg(64 << 10);
BENCHMARK(BM_ReverseFind)->Arg(260)->Arg(64 << 10);
BENCHMARK(BM_FindString)->Arg(260)->Arg(64 << 10);
BENCHMARK(BM_MakeLower)->Arg(260)->Arg(64 << 10);

}  // namespace

BENCHMARK_MAIN();
