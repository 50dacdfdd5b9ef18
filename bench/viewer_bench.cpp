// The viewer on the offscreen backend against `wc -l` on the same corpus:
// layout at WrapByte 80 and at the window width, one page redraw on a tiny
// and on the whole file, and key and scroll-bar commands on the whole file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "bench/bench.h"
#include "bigview/BigView.h"
#include "platform/offscreen/backend.h"

namespace varlo::bench {
namespace {

// A viewer with a 600 x 480 client area (30 lines a page) in a host window.
struct Viewer {
  offscreen::OffscreenBackend backend;
  bool installed = (SetCurrentBackend(&backend), true);
  TWinControl host;
  TBigView view{&host};

  Viewer() {
    host.SetBounds(0, 0, 800, 600);
    view.SetBvStyle(0);
    view.SetScrollBar(ssVertical);
    view.SetScOver(true);
    view.SetWrapByte(80);
    view.SetBounds(0, 0, 600 + offscreen::kScrollBarSize, 480);
    view.HandleNeeded();
  }
};

Viewer& Big() {
  static Viewer* v = [] {
    auto* viewer = new Viewer;
    viewer->view.LoadFromFile(Corpus());
    return viewer;
  }();
  SetCurrentBackend(&v->backend);
  return *v;
}

// The first kilobyte of the corpus, whole lines.
Viewer& Small() {
  static Viewer* v = [] {
    auto* viewer = new Viewer;
    std::ifstream in(Corpus(), std::ios::binary);
    std::string text(1024, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(text.rfind("\r\n") + 2);
    std::istringstream stream(text);
    viewer->view.LoadFromStream(stream);
    return viewer;
  }();
  SetCurrentBackend(&v->backend);
  return *v;
}

void BM_LayoutWrap80(benchmark::State& state) {
  TBigView& view = Big().view;
  view.SetWordWrap(true);
  view.SetWrapByte(80);
  for (auto _ : state) view.BuildViewLines(0);
  state.counters["views"] = static_cast<double>(view.ViewCount());
}
BENCHMARK(BM_LayoutWrap80)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LayoutWidth(benchmark::State& state) {
  TBigView& view = Big().view;
  view.SetWrapByte(0);
  for (auto _ : state) view.BuildViewLines(0);
  state.counters["views"] = static_cast<double>(view.ViewCount());
  view.SetWrapByte(80);
}
BENCHMARK(BM_LayoutWidth)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same page on both: the first lines of the corpus, as many as the
// small file has (a client of 8 lines).
void Redraw(benchmark::State& state, Viewer& v) {
  v.view.SetBounds(0, 0, 600 + offscreen::kScrollBarSize, 8 * offscreen::kLineHeight);
  v.view.SetTopLine(0);
  for (auto _ : state) v.view.RedrawPage();
  v.view.SetBounds(0, 0, 600 + offscreen::kScrollBarSize, 480);
}
void BM_Redraw1K(benchmark::State& state) { Redraw(state, Small()); }
void BM_Redraw1G(benchmark::State& state) { Redraw(state, Big()); }
BENCHMARK(BM_Redraw1K)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Redraw1G)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_EndKey(benchmark::State& state) {
  Viewer& v = Big();
  Timed(
      state, [&] { v.view.SetTopLine(0); }, [&] { offscreen::WindowOf(v.view).KeyDown(vk::End); });
}
void BM_HomeKey(benchmark::State& state) {
  Viewer& v = Big();
  Timed(
      state, [&] { v.view.SetTopLine(v.view.ViewCount() - 1); },
      [&] { offscreen::WindowOf(v.view).KeyDown(vk::Home); });
}
void BM_PageDown(benchmark::State& state) {
  Viewer& v = Big();
  Timed(
      state, [&] { v.view.SetTopLine(v.view.ViewCount() / 3); },
      [&] { offscreen::WindowOf(v.view).KeyDown(vk::Next); });
}
void BM_ThumbMiddle(benchmark::State& state) {
  Viewer& v = Big();
  Timed(
      state, [&] { v.view.SetTopLine(0); },
      [&] {
        offscreen::WindowOf(v.view).Scroll(sbVertical, sb::ThumbTrack,
                                           static_cast<int>(v.view.ViewCount() / 2));
      });
}
BENCHMARK(BM_EndKey)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HomeKey)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageDown)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThumbMiddle)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Seconds of one load in a fresh process, as a program that has just
// started loads: of the store alone, or of the viewer with its layout at
// WrapByte `wrap` (0: the window width).
double FreshLoad(bool withLayout, int64_t wrap) {
  return InChild([&] {
    Viewer v;
    v.view.SetWrapByte(wrap);
    TBvStrings store;
    const auto start = std::chrono::steady_clock::now();
    if (withLayout) {
      v.view.LoadFromFile(Corpus());
    } else {
      store.LoadFromFile(Corpus());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  });
}

double MsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// F5 on a copy of the corpus: unchanged, and after 1 MiB of its lines was
// appended; against loading a file of that 1 MiB alone.
void ReloadFigures() {
  namespace fs = std::filesystem;
  const fs::path copy = Corpus().string() + ".grows", piece = Corpus().string() + ".1mib";
  fs::copy_file(Corpus(), copy, fs::copy_options::overwrite_existing);
  std::string added(size_t{1} << 20, '\0');
  {
    std::ifstream in(Corpus(), std::ios::binary);
    in.read(added.data(), static_cast<std::streamsize>(added.size()));
    added.resize(added.rfind("\r\n") + 2);
    std::ofstream(piece, std::ios::binary) << added;
  }
  std::vector<double> unchanged, appended, alone;
  {
    Viewer v;
    v.view.LoadFromFile(copy);
    v.view.SetTopLine(v.view.ViewCount() - 1);
    for (int i = 0; i < 21; ++i) unchanged.push_back(MsOf([&] { (void)v.view.FileChange(true); }));
    for (int i = 0; i < 7; ++i) {
      std::ofstream(copy, std::ios::binary | std::ios::app) << added;
      appended.push_back(MsOf([&] {
        if (v.view.FileChange(true) != TFileChange::Grew || !v.view.ExtendFromFile()) std::abort();
        v.view.CompleteIndex();
      }));
    }
  }
  for (int i = 0; i < 7; ++i) {
    Viewer v;
    v.view.SetIndexSizes({.InMemory = 0});
    alone.push_back(MsOf([&] { v.view.LoadFromFile(piece); }));
  }
  fs::remove(copy);
  fs::remove(piece);
  const Spread a = SpreadOf(appended), i = SpreadOf(alone);
  Print("reload_unchanged_ms", SpreadOf(unchanged), 3);
  Print("reload_append_1mib_ms", a, 3);
  Print("index_1mib_ms", i, 3);
  Print("reload_append_vs_index_1mib", a.median / i.median);
}

const Figures kFigures([] {
  const double wc = TimeCommand("wc -l < '" + Corpus().string() + "' > /dev/null", 5);
  // The layout a user waits for: the first, into memory never touched,
  // made while the file loads. Its cost is what the load with it takes
  // beyond the store's load alone, each in a fresh process, interleaved.
  std::vector<double> store, wrap80, width;
  for (int i = 0; i < 5; ++i) {
    store.push_back(FreshLoad(false, 0));
    wrap80.push_back(FreshLoad(true, 80));
    width.push_back(FreshLoad(true, 0));
  }
  const Spread s = SpreadOf(store), w80 = SpreadOf(wrap80), w = SpreadOf(width);
  Print("fresh_store_load_s", s);
  Print("fresh_view_load_wrap80_s", w80);
  Print("fresh_view_load_width_s", w);
  // What varlo.exe does to show the counts, without Wine and the window:
  // the floor under exe_open_vs_wc on this machine.
  Print("fresh_view_load_wrap80_vs_wc", w80.median / wc);
  Print("layout_wrap80_vs_wc", (w80.median - s.median) / wc);
  Print("layout_width_vs_wc", (w.median - s.median) / wc);
  // A rebuild of the whole layout in memory it has used before.
  Print("layout_wrap80_warm_vs_wc", Seconds("BM_LayoutWrap80/iterations:3/real_time") / wc);
  Print("layout_width_warm_vs_wc", Seconds("BM_LayoutWidth/iterations:3/real_time") / wc);
  Print("redraw_1g_vs_1k", Seconds("BM_Redraw1G/min_time:1.000/real_time") /
                               Seconds("BM_Redraw1K/min_time:1.000/real_time"));
  Viewer& v = Big();
  v.view.SetWrapByte(80);
  const double views = static_cast<double>(v.view.ViewCount());
  Print("layout_bytes_per_view_line", static_cast<double>(v.view.LayoutBytes()) / views);
  Print("layout_bytes_per_line",
        static_cast<double>(v.view.LayoutBytes()) / static_cast<double>(v.view.LineCount()));
  Print("end_key_ms", Seconds("BM_EndKey/iterations:200/manual_time") * 1000, 4);
  Print("home_key_ms", Seconds("BM_HomeKey/iterations:200/manual_time") * 1000, 4);
  Print("page_down_ms", Seconds("BM_PageDown/iterations:200/manual_time") * 1000, 4);
  Print("thumb_middle_ms", Seconds("BM_ThumbMiddle/iterations:200/manual_time") * 1000, 4);
  ReloadFigures();
});

}  // namespace
}  // namespace varlo::bench
