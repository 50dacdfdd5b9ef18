// Font metrics, the layout of logical lines into view lines, scroll ranges
// and the conversions between view and line positions.
#include <algorithm>
#include <exception>
#include <limits>
#include <thread>
#include <vector>

#include "bigview/big_view.h"
#include "bigview/file_text.h"
#include "bigview/sjis.h"
#include "platform/backend.h"
#include "platform/checked.h"

namespace varlo {
namespace {

// Scroll-bar values are 32-bit on the platform.
int BarValue(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, 0, std::numeric_limits<int>::max()));
}

}  // namespace

void TBigView::CalcFontMetrics() {
  HandleNeeded();
  const TTextMetric tm = Peer().FontMetrics(Font());
  // A font without height or width would stop every division below.
  FLineHeight = std::max(1, tm.Height + tm.ExternalLeading);
  FCharWidth = std::max<int>(
      1,
      tm.AveCharWidth + static_cast<int>(RoundHalfEven((tm.MaxCharWidth - tm.AveCharWidth) * 0.3)));
  const int client = ClientWidth();
  if (CheckedMul<int64_t>(FMaxChar, FCharWidth) < client)
    SetMaxChar(RoundHalfEven(static_cast<double>(client) / FCharWidth) + 1);
}

void TBigView::ResizeView() {
  CalcFontMetrics();
  FPageLines = WholePageLines();

  const bool byWidth = FWordWrap && FWrapByte == 0;
  int64_t top = -1;
  TPoint a, b;
  if (byWidth) {
    top = LineIndexOfView(FTopLine);
    if (top >= 0) {
      a = ViewToLinePos(FSelStart);
      b = ViewToLinePos(FSelEnd);
      BuildViewLines(0);
    }
  }
  UpdateScrollRanges();
  const TSize before{FBitmap.Width(), FBitmap.Height()};
  ResizePage();
  if (byWidth && top >= 0) {
    SetSelStart(LineToViewPos(a));
    SetSelEnd(LineToViewPos(b));
    SetTopLine(ViewIndexOfLine(top));
  }
  if (ViewCount() > FPageLines) SetBottomLine(FTopLine + FPageLines - 1);
  // A page bitmap of a new size holds nothing yet: render it, so that a
  // window grown wider or taller shows its text.
  if (before != TSize{FBitmap.Width(), FBitmap.Height()}) RedrawPage();
}

int64_t TBigView::WholePageLines() const {
  // From the control's outer height, less a horizontal bar and a caption.
  int64_t h = Height();
  if (FScrollBar == ssHorizontal || FScrollBar == ssBoth)
    h -= CurrentBackend().SystemMetric(TSystemMetric::CyHScroll);
  if (BvIn(bvCaption, FBvStyle)) h -= CurrentBackend().SystemMetric(TSystemMetric::CyCaption);
  return h < 0 ? 0 : h / FLineHeight;
}

int64_t TBigView::PageWidth() const {
  const int64_t full = CheckedMul<int64_t>(CheckedAdd<int64_t>(FMaxChar, 1), FCharWidth);
  // A long unwrapped line does not make a giant bitmap: past this width the
  // page covers the visible columns only.
  const int64_t cap = std::clamp<int64_t>(3 * int64_t{ClientWidth()}, 2048, 16384);
  return std::min(full, cap);
}

int64_t TBigView::WantedOrigin() const {
  const int64_t full = CheckedMul<int64_t>(CheckedAdd<int64_t>(FMaxChar, 1), FCharWidth);
  if (full <= PageWidth()) return 0;
  return CheckedMul<int64_t>(FHScrollPos, FCharWidth);
}

void TBigView::ResizePage() {
  const auto width = static_cast<int>(PageWidth());
  const int height = static_cast<int>(std::min<int64_t>(
      CheckedMul<int64_t>(FPageLines, FLineHeight), std::numeric_limits<int>::max()));
  if (width != FBitmap.Width() || height != FBitmap.Height()) FBitmap.SetSize(width, height);
}

int64_t TBigView::ClientColumns() const { return ClientWidth() / FCharWidth; }

void TBigView::UpdateScrollRanges() {
  const int64_t views = ViewCount();
  if (FScrollBar == ssVertical || FScrollBar == ssBoth) {
    int64_t m = FScOver ? views - 1 : views - FPageLines;
    if (m >= views) m = views - 1;
    if (m < 1) m = 1;
    if (m < FVScrollPos) SetVScrollPos(m);
    if (HandleAllocated()) Peer().SetScrollRange(sbVertical, 0, BarValue(m), true);
    FUpdating = true;
    SetTopLine(FTopLine);
    FUpdating = false;
  }
  if (FScrollBar == ssHorizontal || FScrollBar == ssBoth) {
    if (HandleAllocated())
      Peer().SetScrollRange(sbHorizontal, 0, BarValue(FMaxChar - ClientColumns()), true);
  }
}

bool TBigView::UpdateMaxChar(int64_t first, int64_t count) {
  if (first < 0) {
    count += first;
    first = 0;
  }
  if (count < 1) return false;
  int64_t longest = FMaxChar;
  const int64_t end = std::min(CheckedAdd(first, count), ViewCount());
  // Line by line, in order, from the index alone: the one view line of a
  // line that is not wrapped is the whole line.
  if (first < end) {
    const ViewLines::Place from = FViewLines.Locate(first);
    const int64_t to = FViewLines.Line(end - 1) + 1;
    int64_t lineFirst = from.first;
    for (int64_t line = from.line; line < to; ++line) {
      const ViewLines::Place at{line, lineFirst, FViewLines.Extra(line)};
      lineFirst += at.extra + 1;
      if (at.extra == 0) {
        longest = std::max(longest, static_cast<int64_t>(FLines->Length(line)));
        continue;
      }
      for (int64_t v = std::max(first, at.first); v < end && v <= at.first + at.extra; ++v)
        longest = std::max(longest, ViewLineLength(at, v));
    }
  }
  return GrowMaxChar(longest);
}

bool TBigView::GrowMaxChar(int64_t longest) {
  if (longest <= FMaxChar) return false;
  SetMaxChar(longest);
  FUpdating = true;
  UpdateScrollRanges();
  FUpdating = false;
  return true;
}

int64_t TBigView::FitToWidth(std::string_view text, int64_t width, int64_t xWidth, int64_t slack,
                             const TextMeasure& measure, TextMeasure::Meter& meter) {
  const auto len = static_cast<int64_t>(text.size());
  int64_t w = width;
  int64_t lw = meter.Measure(measure, text);
  if (lw <= w) return len;
  if (w < xWidth) w = xWidth;
  // A line narrower than its byte count (below one pixel a byte) must not
  // divide by zero.
  const int64_t avg = std::max<int64_t>(1, lw / len);
  int64_t n = w / avg;
  if (meter.Widening() && slack > 0) {
    // Where the steps below end, when every byte widens a prefix: one step
    // back, then back while wider than the window, then one forward when
    // that went below the slack.
    n = std::clamp<int64_t>(n - 1, 1, len);
    if (n == len) return len;
    n = std::min(n, static_cast<int64_t>(meter.FitIn(w)));
    if (n < 1) return 1;
    return meter.Prefix(static_cast<size_t>(n)) <= w - slack ? n + 1 : n;
  }
  bool grew = false, shrank = false;
  while (!(w - slack < lw && lw < w)) {
    if (w - slack >= lw) ++n;
    if (lw > w) --n;
    if (n < 1) n = 1;
    if (n > len) n = len;
    const int64_t prev = lw;
    lw = meter.Prefix(static_cast<size_t>(n));
    if (lw > prev) {
      grew = true;
    } else {
      shrank = true;
    }
    if (lw == prev || (grew && shrank)) break;
  }
  return n;
}

int64_t TBigView::LayoutLine(ViewLines& out, ViewLines::Cursor& c, const LayoutRule& rule,
                             const TextMeasure& measure, size_t len, unsigned tabs,
                             std::string_view text, TextMeasure::Meter& meter) {
  // A line no longer than the wrap, or narrower than the window whatever
  // its bytes, is one view line without a cut.
  if (!NeedsBytes(rule, len, tabs)) return LayoutWhole(out, c, len);
  c.BeginLine(out);
  const auto n = static_cast<int64_t>(len);
  const int64_t fitted = rule.byWidth
                             ? FitToWidth(text, rule.width, rule.xWidth, rule.slack, measure, meter)
                             : rule.wrap;
  int64_t longest = 0;
  int64_t more = 0;
  int64_t start = 1;
  for (int64_t next = 1 + PieceLength(text, 1, fitted); next <= n;
       next += PieceLength(text, next, fitted)) {
    c.Add(out, next);
    ++more;
    longest = std::max(longest, next - start);
    start = next;
  }
  c.EndLine(out, false, more);
  return std::max(longest, n - start + 1);
}

int64_t TBigView::LayoutLines(ViewLines& out, int64_t fromLine, int64_t toLine,
                              const LayoutRule& rule) const {
  ViewLines::Cursor c = out.Begin();
  int64_t longest = 0;
  TextMeasure::Meter meter;
  try {
    // Only the lines whose layout depends on their bytes are read.
    FLines->VisitLines(
        fromLine, toLine, [&](size_t len, unsigned tabs) { return NeedsBytes(rule, len, tabs); },
        [&](int64_t, size_t len, unsigned tabs, std::string_view text) {
          longest = std::max(longest, LayoutLine(out, c, rule, FMeasure, len, tabs, text, meter));
        });
  } catch (...) {
    out.End(c);
    throw;
  }
  out.End(c);
  return longest;
}

void TBigView::LayoutChunk(TLineIndexer::Chunk& chunk, const char* bytes, const LayoutRule& rule,
                           const TextMeasure& measure) {
  ViewLines& out = chunk.Layout;
  out.TruncateAt(0);
  out.ReserveTaken(static_cast<int64_t>(chunk.Breaks.size()));
  ViewLines::Cursor c = out.Begin();
  TextMeasure::Meter meter;
  int64_t longest = 0;
  // In locals: the layout's byte stores would make the chunk's vectors be
  // read again at every line.
  const uint32_t* const breaks = chunk.Breaks.data();
  const uint8_t* const tabs = chunk.Tabs.data();
  const size_t lines = chunk.Breaks.size() - (chunk.Breaks.empty() ? 0 : 1);
  for (size_t k = 0; k < lines; ++k) {
    const size_t start = TChunkScan::StartAfter(breaks[k]),
                 end = TChunkScan::BreakOf(breaks[k + 1]);
    const std::string_view text(bytes + start, end - start);
    // Most lines need no call.
    longest =
        std::max(longest, NeedsBytes(rule, text.size(), tabs[k])
                              ? LayoutLine(out, c, rule, measure, text.size(), tabs[k], text, meter)
                              : LayoutWhole(out, c, text.size()));
  }
  out.End(c);
  chunk.Longest = longest;
  chunk.LaidOut = true;
}

TBigView::LayoutRule TBigView::CurrentRule() {
  LayoutRule rule;
  rule.wordWrap = FWordWrap;
  rule.wrap = FWrapByte;
  rule.byWidth = FWordWrap && FWrapByte == 0;
  if (rule.byWidth) {
    EnsureMeasure();
    rule.width = ClientWidth();
    rule.xWidth = FMeasure.Width("x");
    rule.cell = FMeasure.WidestByte();
    rule.tabCell = FMeasure.WidestTab();
    rule.slack = 2 * int64_t{FCharWidth};
  }
  return rule;
}

void TBigView::BuildViewLines(int64_t fromLine) {
  // While the file is still being indexed, the lines in so far are laid out
  // by the rule of now, and the indexing goes on by that rule.
  const bool indexing = FIndexer != nullptr;
  if (indexing) StopIndexer();
  try {
    RebuildLayout(fromLine);
  } catch (...) {
    if (indexing && FLines->Indexing()) StartIndexer();
    throw;
  }
  if (indexing) StartIndexer();
}

void TBigView::RebuildLayout(int64_t fromLine) {
  // Lines before fromLine keep their view lines. A layout from the first
  // line is made aside, so that a file that cannot be read meanwhile
  // leaves the one there is.
  const int64_t from = std::clamp<int64_t>(fromLine, 0, FViewLines.LineCount());
  ViewLines fresh;
  ViewLines& out = from == 0 ? fresh : FViewLines;
  try {
    const TFileText::Hold hold(FLines->Text());
    if (from > 0) FViewLines.TruncateAt(from);
    out.Reserve(FLines->Capacity());
    FBuiltLongest = LayoutParts(out, from, CurrentRule());
  } catch (const TextReadError&) {
    if (from > 0) EmptyAfterFailure();
    throw;
  } catch (const TextChangedError&) {
    if (from > 0) EmptyAfterFailure();
    throw;
  } catch (...) {
    EmptyAfterFailure();
    throw;
  }
  if (from == 0) FViewLines = std::move(fresh);
}

int64_t TBigView::LayoutParts(ViewLines& out, int64_t from, const LayoutRule& rule) const {
  const int64_t lines = FLines->Count();
  // Every line's layout depends on that line alone, so a large rebuild is
  // shared out: the first part is laid out here, the others on their own
  // threads, then appended in order. The threads only read.
  const auto cores = static_cast<int64_t>(std::max(1u, std::thread::hardware_concurrency()));
  const int64_t parts =
      std::clamp<int64_t>((lines - from) / kLinesPerThread, 1, std::min<int64_t>(cores, 8));
  if (parts == 1) return LayoutLines(out, from, lines, rule);
  // The parts after the first start on a sample step of the layout.
  constexpr int64_t kStep = int64_t{1} << ViewLines::kSampleShift;
  std::vector<int64_t> bounds;
  for (int64_t k = 0; k <= parts; ++k) {
    const int64_t at = from + (lines - from) * k / parts;
    bounds.push_back(k == 0 || k == parts ? at : at / kStep * kStep);
  }
  std::vector<ViewLines> rest(static_cast<size_t>(parts - 1));
  for (size_t k = 0; k < rest.size(); ++k) rest[k].Reserve(bounds[k + 2] - bounds[k + 1]);
  std::vector<std::exception_ptr> errors(rest.size());
  std::vector<int64_t> longest(rest.size() + 1);
  std::vector<std::thread> workers;
  for (size_t k = 0; k < rest.size(); ++k) {
    workers.emplace_back([&, k] {
      try {
        longest[k + 1] = LayoutLines(rest[k], bounds[k + 1], bounds[k + 2], rule);
      } catch (...) {
        errors[k] = std::current_exception();
      }
    });
  }
  std::exception_ptr first;
  try {
    longest[0] = LayoutLines(out, bounds[0], bounds[1], rule);
  } catch (...) {
    first = std::current_exception();
  }
  for (std::thread& t : workers) t.join();
  if (first) std::rethrow_exception(first);
  for (const std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
  for (const ViewLines& part : rest) out.Append(part);
  return *std::max_element(longest.begin(), longest.end());
}

int TBigView::ByteKind(std::string_view s, int64_t index) const { return sjis::ByteKind(s, index); }

int64_t TBigView::ViewIndexOfLine(int64_t lineIndex) const {
  if (lineIndex < 0) throw Exception(kViewIndexError);
  return FViewLines.First(lineIndex);
}

int64_t TBigView::LineIndexOfView(int64_t viewIndex) const {
  if (viewIndex < 0 || viewIndex >= ViewCount()) return -1;
  return FViewLines.Line(viewIndex);
}

TPoint TBigView::LineToViewPos(TPoint pos) const {
  const int64_t first = ViewIndexOfLine(pos.Y);
  if (first == ViewCount()) return {1, first};
  // The last view line of this logical line that starts at or before X.
  const ViewLines::Place at = FViewLines.At(pos.Y);
  int64_t lo = first + 1, hi = first + 1 + at.extra;
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (FViewLines.Start(at, mid) <= pos.X) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  const int64_t view = lo - 1;
  const int64_t column = pos.X - FViewLines.Start(at, view) + 1;
  if (column < 1) return {0, 0};
  return {column, view};
}

TPoint TBigView::ViewToLinePos(TPoint pos) const {
  if (pos.Y < 0 || pos.Y >= ViewCount()) return {0, 0};
  const ViewLines::Place at = FViewLines.Locate(pos.Y);
  return {FViewLines.Start(at, pos.Y) - 1 + pos.X, at.line};
}

}  // namespace varlo
