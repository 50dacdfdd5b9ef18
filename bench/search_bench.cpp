// The main window's search commands on the whole corpus, against grep and
// ripgrep on the same file: a search with no hit from the top (with and
// without case), one upward from the last line, the N key where a hit
// comes about every thousand lines, and the memory a search takes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "app/main_form.h"
#include "bench/bench.h"
#include "dialogs/search_form.h"
#include "platform/application.h"
#include "platform/offscreen/backend.h"

namespace varlo::bench {
namespace {

// Absent from the corpus in any case: in ASCII, and in Japanese (該当なし).
constexpr const char* kNoHit = "FATAL";
constexpr const char* kNoHitJapanese = "\x8a\x59\x93\x96\x82\xc8\x82\xb5";
// A date and hour that the corpus's time stamps hold about every 870 lines.
constexpr const char* kFrequent = "05-01 1";

// The main window with the corpus open; modal forms close at once, the
// search dialog after taking the text and the button given.
struct Window {
  offscreen::OffscreenBackend backend;
  bool installed = (SetCurrentBackend(&backend), true);
  std::unique_ptr<TForm1> form;
  std::string pattern;
  std::string button = "BtnSearch";

  Window() {
    backend.SetArguments({Corpus().string()});
    backend.OnShowModal = [this](TForm& f) {
      if (auto* d = dynamic_cast<TSearchDialog*>(&f)) {
        offscreen::WindowOf(d->Edit1()).Type(pattern);
        d->Control<TButton>(button).Press();
      }
    };
    form = std::make_unique<TForm1>();
    Application().SetMainForm(form.get());
    form->BigView1.CompleteIndex();
  }
  // A dialog search from this top line.
  void Find(const std::string& text, bool matchCase, bool upward, int64_t top) {
    form->ClearFoundMark();
    form->BigView1.SetTopLine(top);
    form->FSearchUperLower = matchCase;
    pattern = text;
    button = upward ? "BtnPriorSearch" : "BtnSearch";
    form->MenuFindClick(*form);
  }
};

Window& Main() {
  static Window* w = new Window;
  SetCurrentBackend(&w->backend);
  return *w;
}

void BM_SearchNoHit(benchmark::State& state) {
  Window& w = Main();
  Timed(
      state, [] {}, [&] { w.Find(kNoHit, true, false, 0); });
}
void BM_SearchINoHit(benchmark::State& state) {
  Window& w = Main();
  Timed(
      state, [] {}, [&] { w.Find(kNoHit, false, false, 0); });
}
void BM_SearchUpNoHit(benchmark::State& state) {
  Window& w = Main();
  Timed(
      state, [] {}, [&] { w.Find(kNoHit, true, true, w.form->BigView1.ViewCount() - 1); });
}
void BM_SearchJapaneseNoHit(benchmark::State& state) {
  Window& w = Main();
  Timed(
      state, [] {}, [&] { w.Find(kNoHitJapanese, true, false, 0); });
}
BENCHMARK(BM_SearchNoHit)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchJapaneseNoHit)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchINoHit)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchUpNoHit)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

int64_t gHits = 0, gViewsPassed = 0;

void BM_NextHit(benchmark::State& state) {
  Window& w = Main();
  w.Find(kFrequent, true, false, 0);
  gHits = 0;
  const int64_t first = w.form->SearchMark.FoundLine;
  Timed(
      state, [] { ++gHits; }, [&] { w.form->MenuReFindClick(*w.form); });
  gViewsPassed = w.form->SearchMark.FoundLine - first;
}
BENCHMARK(BM_NextHit)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMicrosecond);

const Figures kFigures([] {
  const std::string file = "'" + Corpus().string() + "'";
  const auto tool = [&](const std::string& command) {
    // No hit is exit status 1: only the time counts.
    return TimeCommand(command + " " + file + " > /dev/null; true", 3);
  };
  const double grep = tool(std::string("LC_ALL=C grep -c -F ") + kNoHit);
  const double grepJapanese = tool(std::string("LC_ALL=C grep -c -F ") + kNoHitJapanese);
  const double grepI = tool(std::string("LC_ALL=C grep -c -F -i ") + kNoHit);
  const double rgI = tool(std::string("rg -c -F -i -j1 ") + kNoHit);
  // The same reading the file as Varlo must, copied out of the page cache:
  // rg maps a single file when it may, and a mapped file cannot be cut.
  const double rgIRead = tool(std::string("rg -c -F -i -j1 --no-mmap ") + kNoHit);
  const double search = Seconds("BM_SearchNoHit/iterations:5/manual_time");
  const double searchI = Seconds("BM_SearchINoHit/iterations:5/manual_time");
  const double up = Seconds("BM_SearchUpNoHit/iterations:5/manual_time");
  Print("search_nohit_s", search, 3);
  Print("grep_nohit_s", grep, 3);
  Print("search_nohit_vs_grep", search / grep);
  const double japanese = Seconds("BM_SearchJapaneseNoHit/iterations:5/manual_time");
  Print("search_ja_nohit_s", japanese, 3);
  Print("grep_ja_nohit_s", grepJapanese, 3);
  Print("search_ja_nohit_vs_grep", japanese / grepJapanese);
  Print("search_i_nohit_s", searchI, 3);
  Print("rg_i_nohit_s", rgI, 3);
  Print("grep_i_nohit_s", grepI, 3);
  Print("search_i_nohit_vs_rg_i", searchI / rgI);
  Print("rg_i_read_nohit_s", rgIRead, 3);
  Print("search_i_nohit_vs_rg_i_read", searchI / rgIRead);
  Print("search_i_nohit_vs_grep_i", searchI / grepI);
  Print("search_up_nohit_s", up, 3);
  Print("search_up_nohit_vs_grep", up / grep);
  Print("next_hit_ms", Seconds("BM_NextHit/iterations:2000/manual_time") * 1000, 4);
  Print("next_hit_view_lines_apart",
        gHits > 0 ? static_cast<double>(gViewsPassed) / static_cast<double>(gHits) : NAN, 0);
  Window& w = Main();
  const double peak = PeakBytes([&] { w.Find(kNoHit, false, false, 0); });
  Print("search_peak_mib", peak / (1024.0 * 1024.0), 1);
});

}  // namespace
}  // namespace varlo::bench
