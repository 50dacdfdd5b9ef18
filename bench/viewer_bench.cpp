// The viewer on the offscreen backend against `wc -l` on the same corpus:
// layout at WrapByte 80 and at the window width, one page redraw on a tiny
// and on the whole file, and key and scroll-bar commands on the whole file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

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

const Figures kFigures([] {
  const double wc = TimeCommand("wc -l < '" + Corpus().string() + "' > /dev/null", 5);
  Print("layout_wrap80_vs_wc", Seconds("BM_LayoutWrap80/iterations:3/real_time") / wc);
  Print("layout_width_vs_wc", Seconds("BM_LayoutWidth/iterations:3/real_time") / wc);
  Print("redraw_1g_vs_1k", Seconds("BM_Redraw1G/min_time:1.000/real_time") /
                               Seconds("BM_Redraw1K/min_time:1.000/real_time"));
  Viewer& v = Big();
  v.view.SetWrapByte(80);
  const double views = static_cast<double>(v.view.ViewCount());
  Print("layout_bytes_per_view_line", static_cast<double>(v.view.LayoutBytes()) / views);
  // The budget: 12 bytes a view line and 4 a logical line.
  Print("layout_bytes_budget", 12 + 4 * static_cast<double>(v.view.LineCount()) / views);
  Print("end_key_ms", Seconds("BM_EndKey/iterations:200/manual_time") * 1000, 4);
  Print("home_key_ms", Seconds("BM_HomeKey/iterations:200/manual_time") * 1000, 4);
  Print("page_down_ms", Seconds("BM_PageDown/iterations:200/manual_time") * 1000, 4);
  Print("thumb_middle_ms", Seconds("BM_ThumbMiddle/iterations:200/manual_time") * 1000, 4);
});

}  // namespace
}  // namespace varlo::bench
