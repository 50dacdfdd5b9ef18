// Construction, published properties and the content operations.
#include "bigview/big_view.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

#include "bigview/sjis.h"
#include "platform/backend.h"
#include "platform/checked.h"
#include "platform/errors.h"

namespace varlo {

TBigView::TBigView(TWinControl* parent)
    : TCustomControl(parent), FLines(std::make_unique<TBvStrings>()) {
  SetBounds(Left(), Top(), 65, 65);
  SetColor(clWindow);
  FScrollBar = ssNone;
  FScrollSense = 1;
  FScOver = false;
  FScrollStep = 1;
  FScrollRun = 0;
  FMaxChar = 255;
  // Provisional metrics until the window exists.
  FBitmap.Canvas().SetFont(Font());
  FLineHeight = std::abs(Font().Height) + 2;
  FCharWidth = std::max(1, FBitmap.Canvas().TextWidth("x"));
  FPageLines = Height() / FLineHeight;
  ResizePage();
  FSelStart = FSelEnd = {0, 0};
  FSelect = true;
  FViewTabStop = 8;
  FClickKind = ckSingle;
  FCaret = false;
  FCaretPos = {0, 0};
  FBvStyle = BvSet({bvClientLow});
  FLastScrollTick = CurrentBackend().TickCount();
  FUpdating = false;
  FWrapByte = 0;
  FWordWrap = true;
  ClearPage();
}

TBigView::~TBigView() {
  StopIndexer();
  FViewLines.Clear();
  FLines.reset();
}

// --- Properties. ---

void TBigView::SetBvStyle(TBvStyle value) {
  if (value == FBvStyle) return;
  if (OnBvStyleChanging) OnBvStyleChanging(*this, value);
  FBvStyle = value;
  RecreateWnd();
  if (OnBvStyleChanged) OnBvStyleChanged(*this);
}

std::string TBigView::GetCaption() const { return std::string(FCaption.data()); }

void TBigView::SetCaption(std::string_view value) {
  // Kept up to the first zero byte and to 255 bytes, never splitting a
  // double-byte character.
  value = value.substr(0, std::min(value.find('\0'), value.size()));
  size_t n = std::min<size_t>(value.size(), FCaption.size() - 1);
  if (n < value.size() && n > 0 &&
      sjis::ByteKind(value, static_cast<int64_t>(n)) == sjis::kLeadByte)
    --n;
  value = value.substr(0, n);
  if (value == GetCaption()) return;
  FCaption.fill(0);
  std::memcpy(FCaption.data(), value.data(), value.size());
  RecreateWnd();
}

void TBigView::SetMaxChar(int64_t value) {
  if (value < 1) value = 1;
  if (value == FMaxChar) return;
  FMaxChar = value;
  ResizeView();
}

void TBigView::SetPCanLimit(int value) { FPCanLimit = value < 0 ? 0 : value; }

void TBigView::SetScOver(bool value) {
  FScOver = value;
  UpdateScrollRanges();
}

void TBigView::SetScrollBar(TScrollStyle value) {
  if (value == FScrollBar) return;
  FScrollBar = value;
  RecreateWnd();
  UpdateScrollRanges();
  FPageLines = WholePageLines();
}

void TBigView::SetScrollSense(int value) {
  if (value >= 1 && value <= 10) FScrollSense = value;
}

void TBigView::SetViewTabStop(int value) {
  if (value < 0 || value == FViewTabStop) return;
  FViewTabStop = value;
  RedrawPage();
}

void TBigView::SetWrapByte(int64_t value) {
  if (value < 0 || value == FWrapByte) return;
  FWrapByte = value;
  BuildViewLines(0);
  RedrawPage();
}

void TBigView::SetWordWrap(bool value) {
  if (value == FWordWrap) return;
  FWordWrap = value;
  BuildViewLines(0);
  RedrawPage();
}

// --- Content and queries. ---

void TBigView::CheckViewIndex(int64_t viewIndex) const {
  if (viewIndex < 0 || viewIndex >= ViewCount()) throw Exception(kViewIndexError);
}

int64_t TBigView::ViewLineLength(const ViewLines::Place& at, int64_t viewIndex) const {
  const int64_t start = FViewLines.Start(at, viewIndex);
  if (start == 0) return 0;
  if (viewIndex < at.first + at.extra) return FViewLines.Start(at, viewIndex + 1) - start;
  return static_cast<int64_t>(FLines->Length(at.line)) - start + 1;
}

int64_t TBigView::ViewLineLength(int64_t viewIndex) const {
  return ViewLineLength(FViewLines.Locate(viewIndex), viewIndex);
}

int64_t TBigView::ViewLineSize(int64_t viewIndex) const {
  CheckViewIndex(viewIndex);
  return ViewLineLength(viewIndex);
}

std::string TBigView::GetViewLine(int64_t viewIndex) const {
  CheckViewIndex(viewIndex);
  const ViewLines::Place at = FViewLines.Locate(viewIndex);
  const int64_t start = FViewLines.Start(at, viewIndex);
  if (start == 0) return {};
  return FLines->Bytes(at.line, static_cast<size_t>(start - 1),
                       static_cast<size_t>(ViewLineLength(at, viewIndex)));
}

TViewLineRec TBigView::ViewLine(int64_t viewIndex) const {
  CheckViewIndex(viewIndex);
  const ViewLines::Place at = FViewLines.Locate(viewIndex);
  TViewLineRec rec;
  rec.Line = at.line;
  rec.Start = FViewLines.Start(at, viewIndex);
  rec.Part = viewIndex - at.first;
  rec.Last = viewIndex == at.first + at.extra;
  if (rec.Start == 0) return rec;
  if (!FWordWrap) {
    rec.Len = static_cast<int64_t>(FLines->Length(rec.Line));
  } else if (!rec.Last) {
    rec.Len = FViewLines.Start(at, viewIndex + 1) - rec.Start;
  } else {
    // The last piece keeps the length the layout gave it, which may reach
    // past the line's end.
    const std::string line = FLines->Get(rec.Line);
    int64_t fitted = FWrapByte;
    if (fitted == 0) {
      auto& self = const_cast<TBigView&>(*this);
      self.EnsureMeasure();
      TextMeasure::Meter meter;
      fitted = FitToWidth(line, ClientWidth(), FMeasure.Width("x"), 2 * int64_t{FCharWidth},
                          FMeasure, meter);
    }
    rec.Len = PieceLength(line, rec.Start, fitted);
  }
  return rec;
}

void TBigView::PutViewLine(int64_t viewIndex, std::string_view s) {
  CompleteIndex();
  CheckViewIndex(viewIndex);
  const ViewLines::Place at = FViewLines.Locate(viewIndex);
  const int64_t line = at.line;
  const int64_t start = FViewLines.Start(at, viewIndex);
  std::string text;
  if (start == 0) {
    text = s;
  } else {
    text = FLines->Get(line);
    text.replace(static_cast<size_t>(start - 1), static_cast<size_t>(ViewLineLength(at, viewIndex)),
                 s);
  }
  FLines->Put(line, text);
  BuildViewLines(line);
  UpdateScrollRanges();
  if (FTopLine <= viewIndex && viewIndex <= FBottomLine) RedrawPage();
}

void TBigView::BottomLineStep() {
  if (FTopLine + FPageLines - 1 > FBottomLine) SetBottomLine(FTopLine + FPageLines - 1);
}

int64_t TBigView::Add(std::string_view s) {
  CompleteIndex();
  FLines->Add(s);
  BuildViewLines(LineCount() - 1);
  const int64_t views = ViewCount();
  FUpdating = true;
  UpdateMaxChar(views - 1, 1);
  UpdateScrollRanges();
  FUpdating = false;
  BottomLineStep();
  return ViewCount();
}

void TBigView::AddStrings(const StringListRef& source) {
  CompleteIndex();
  const int64_t first = LineCount();
  FLines->AddStrings(source);
  BuildViewLines(first);
  const int64_t n = source.Count();
  FUpdating = true;
  UpdateMaxChar(ViewCount() - n, n);
  UpdateScrollRanges();
  FUpdating = false;
  BottomLineStep();
}

void TBigView::Assign(const StringListRef& source) {
  CompleteIndex();
  FLines->Assign(source);
  BuildViewLines(0);
  const int64_t n = source.Count();
  FUpdating = true;
  UpdateMaxChar(ViewCount() - n, n);
  UpdateScrollRanges();
  FUpdating = false;
  SetTopLine(0);
  SetSelStart({0, 0});
  SetSelEnd(FSelStart);
  BottomLineStep();
}

void TBigView::Clear() {
  StopIndexer();
  FLines->Clear();
  BuildViewLines(0);
  UpdateScrollRanges();
  SetSelStart({0, 0});
  SetSelEnd(FSelStart);
  SetTopLine(0);
  ClearPage();
}

void TBigView::AssignTo(StringListSinkRef dest) const {
  const_cast<TBigView&>(*this).CompleteIndex();
  FLines->AssignTo(dest);
}

void TBigView::Delete(int64_t viewIndex) {
  CompleteIndex();
  CheckViewIndex(viewIndex);
  const int64_t line = FViewLines.Line(viewIndex);
  FLines->Delete(line);
  BuildViewLines(line);
  UpdateScrollRanges();
  SetSelStart({0, 0});
  SetSelEnd(FSelStart);
  if (ViewCount() - 1 < FTopLine) SetTopLine(ViewCount() - 1);
  if (FTopLine <= viewIndex && viewIndex <= FBottomLine) RedrawPage();
}

void TBigView::Exchange(int64_t viewIndex1, int64_t viewIndex2) {
  CompleteIndex();
  CheckViewIndex(viewIndex1);
  CheckViewIndex(viewIndex2);
  FLines->Exchange(FViewLines.Line(viewIndex1), FViewLines.Line(viewIndex2));
  BuildViewLines(FViewLines.Line(std::min(viewIndex1, viewIndex2)));
  const auto visible = [&](int64_t v) { return FTopLine <= v && v <= FBottomLine; };
  if (visible(viewIndex1) || visible(viewIndex2)) RedrawPage();
}

bool TBigView::Find(std::string_view s, int64_t& x, int64_t& y) {
  CompleteIndex();
  TPoint p = ViewToLinePos({x, y});
  const bool found = FLines->Find(s, p.Y, p.X);
  const TPoint q = LineToViewPos(p);
  x = q.X;
  y = q.Y;
  return found;
}

int64_t TBigView::IndexOf(std::string_view s) const {
  const_cast<TBigView&>(*this).CompleteIndex();
  const int64_t line = FLines->IndexOf(s);
  return line < 0 ? -1 : ViewIndexOfLine(line);
}

void TBigView::Insert(int64_t viewIndex, std::string_view s) {
  CompleteIndex();
  CheckViewIndex(viewIndex);
  const int64_t line = FViewLines.Line(viewIndex);
  FLines->Insert(line, s);
  BuildViewLines(line);
  FUpdating = true;
  UpdateMaxChar(viewIndex, 1);
  UpdateScrollRanges();
  FUpdating = false;
  if (viewIndex <= FBottomLine) RedrawPage();
}

void TBigView::EmptyAfterFailure() {
  // Whatever went wrong, the view must not show lines the store no longer
  // holds: start over from an empty store and layout.
  FUpdating = false;
  StopIndexer();
  FLines->Clear();
  FViewLines.Clear();
  FTopLine = FBottomLine = 0;
  FSelStart = FSelEnd = FCaretPos = {0, 0};
  try {
    UpdateScrollRanges();
    SetTopLine(0);
    ClearPage();
  } catch (...) {
    // Showing the empty view is best effort; the first error is the one to report.
  }
}

void TBigView::LoadFromFile(const std::filesystem::path& fileName) {
  BeginLoadFromFile(fileName);
  try {
    CompleteIndex();
  } catch (...) {
    EmptyAfterFailure();
    throw;
  }
}

void TBigView::BeginLoadFromFile(const std::filesystem::path& fileName) {
  StopIndexer();
  // The page it has is shown as it is until the first lines are in.
  FUpdating = true;
  // A file that changes while it is being opened is opened again: nothing
  // of it is on view yet.
  for (int tries = 1;; ++tries) {
    try {
      FLines->OpenFile(fileName, FIndexSizes);
      FViewLines.Clear();
      FViewLines.Reserve(FLines->Capacity());
      FIndexLongest = 0;
      FTextEnd = -1;
      FFirstPageShown = false;
      FOpenLine.clear();
      FOpenLineWhole = true;
      StartIndexer(true);
      // The lines of the first page; all of them for a small file.
      while (FIndexer != nullptr && ViewCount() < FPageLines + 1) MergeReady(100, 0);
      // Drawn within the tries: its lines are read again as it is drawn.
      FUpdating = false;
      FFirstPageShown = true;
      if (FIndexer == nullptr) GrowMaxChar(FIndexLongest);
      FUpdating = true;
      UpdateScrollRanges();
      FRangesTick = CurrentBackend().TickCount();
      FUpdating = false;
      ShowFromTop();
      break;
    } catch (const TextChangedError&) {
      EmptyAfterFailure();
      if (tries == 3) throw;
      FUpdating = true;
    } catch (...) {
      EmptyAfterFailure();
      throw;
    }
  }
  // A file indexed already is let go once its page is drawn.
  if (FIndexer == nullptr && FLines->Text() != nullptr) FLines->Text()->ReleaseFile();
}

void TBigView::StartIndexer(bool keepACore) {
  if (!FLines->Indexing()) return;
  FIndexRule = CurrentRule();
  const LayoutRule rule = FIndexRule;
  // The threads measure with a copy of the widths: the font may change
  // while they run.
  auto measure = rule.byWidth ? std::make_shared<const TextMeasure>(FMeasure) : nullptr;
  TLineIndexer::Plan plan = FLines->IndexPlan(FIndexSizes);
  if (keepACore) plan.Held = 1;
  // The threads that wait for the window to merge what they found take the
  // fresh pages the merges will write.
  std::vector<std::shared_ptr<platform::PagesAhead>> ahead;
  FLines->ShareAhead(ahead);
  FViewLines.ShareAhead(ahead);
  FIndexer = std::make_unique<TLineIndexer>(
      FLines->IndexFile(), FLines->IndexMemory(), plan,
      [rule, measure](TLineIndexer::Chunk& chunk, const char* bytes) {
        LayoutChunk(chunk, bytes, rule, measure ? *measure : TextMeasure());
      },
      [ahead = std::move(ahead)] {
        bool touched = false;
        for (const auto& pages : ahead) touched = pages->TouchNext() || touched;
        return touched;
      });
}

void TBigView::StopIndexer() {
  if (FIndexer == nullptr) return;
  FIndexer->Stop();
  FIndexer.reset();
  FLines->StopAhead();
  FViewLines.StopAhead();
}

bool TBigView::MergeReady(int waitMs, int budgetMs) {
  bool merged = false;
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(std::max(waitMs, budgetMs));
  while (FIndexer != nullptr) {
    TLineIndexer::Chunk* chunk = FIndexer->Next(waitMs);
    if (chunk != nullptr) {
      MergeChunk(*chunk);
      merged = true;
    }
    if (FIndexer != nullptr && FIndexer->Finished()) {
      // The text is all in.
      StopIndexer();
      const int64_t from = LineCount();
      FLines->FinishIndex(FTextEnd);
      if (LineCount() > from)
        FIndexLongest = std::max(
            FIndexLongest, FOpenLineWhole ? LayoutOpenLine()
                                          : LayoutLines(FViewLines, from, LineCount(), FIndexRule));
      // A file rewritten while it was indexed shows in a few of its blocks,
      // read while it is still held (PumpIndex lets it go once the page
      // is drawn).
      if (TFileText* text = FLines->Text()) text->CheckSample(kSampleBlocks);
      return true;
    }
    // The window waits meanwhile: the chunks that come within the budget
    // are taken now, the others in a later turn.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (chunk == nullptr || budgetMs == 0 || left <= 0) break;
    waitMs = static_cast<int>(left);
  }
  return merged;
}

void TBigView::MergeChunk(TLineIndexer::Chunk& chunk) {
  struct Give {
    TLineIndexer* indexer;
    TLineIndexer::Chunk* chunk;
    ~Give() {
      if (indexer != nullptr) indexer->Release(chunk);
    }
  } give{FIndexer.get(), &chunk};
  if (chunk.Short && !FFirstPageShown) {
    // Cut before anything was shown: the text is what could be read.
    FLines->CutIndex(chunk.Begin + static_cast<int64_t>(chunk.Size));
    chunk.Short = false;
  }
  if (chunk.Error || chunk.Short) {
    // The lines in so far stay; a file cut after they were shown may have
    // been rewritten as well.
    const std::exception_ptr error = chunk.Error;
    give.indexer->Release(&chunk);
    give.indexer = nullptr;
    StopIndexer();
    FLines->AbandonIndex();
    if (error) std::rethrow_exception(error);
    throw TextChangedError();
  }
  if (chunk.TextEnd >= 0) FTextEnd = chunk.Begin + chunk.TextEnd;
  const int64_t first = LineCount();
  // The open line's bytes in this chunk: after its CR LF's LF, if that is
  // here.
  const int64_t open = FLines->OpenLineStart();
  const std::string_view head =
      std::string_view(chunk.Head)
          .substr(static_cast<size_t>(std::clamp<int64_t>(
              open - chunk.HeadFrom, 0, static_cast<int64_t>(chunk.Head.size()))));
  FLines->Merge(chunk);
  const int64_t last = LineCount();
  if (last == first) {
    FOpenLineWhole = FOpenLineWhole && chunk.HeadWhole &&
                     FOpenLine.size() + head.size() <= TLineIndexer::kEdgeBytes;
    if (FOpenLineWhole) {
      FOpenLine += head;
    } else {
      FOpenLine.clear();
    }
    if (OnLoadProgress) OnLoadProgress(IndexedBytes(), TextSize());
    return;
  }
  // The first line began in an earlier chunk: laid out here, from the bytes
  // the chunks brought, else reading it when its layout needs its bytes.
  // The others were laid out with the chunk.
  if (FOpenLineWhole && chunk.HeadWhole) {
    FOpenLine += head;
    FIndexLongest = std::max(FIndexLongest, LayoutOpenLine());
  } else {
    FIndexLongest = std::max(FIndexLongest, LayoutLines(FViewLines, first, first + 1, FIndexRule));
  }
  FOpenLine = chunk.Tail;
  FOpenLineWhole = chunk.TailWhole;
  if (chunk.LaidOut) {
    FViewLines.Append(chunk.Layout);
    FIndexLongest = std::max(FIndexLongest, chunk.Longest);
  } else {
    FIndexLongest = std::max(FIndexLongest, LayoutLines(FViewLines, first + 1, last, FIndexRule));
  }
  if (OnLoadProgress) OnLoadProgress(IndexedBytes(), TextSize());
}

int64_t TBigView::LayoutOpenLine() {
  const std::string_view text = FOpenLine;
  const auto tabs =
      static_cast<unsigned>(std::min<ptrdiff_t>(std::count(text.begin(), text.end(), '\t'), 255));
  ViewLines::Cursor c = FViewLines.Begin();
  TextMeasure::Meter meter;
  const int64_t longest =
      LayoutLine(FViewLines, c, FIndexRule, FMeasure, text.size(), tabs, text, meter);
  FViewLines.End(c);
  return longest;
}

void TBigView::PumpIndex(int waitMs, int budgetMs) {
  if (FIndexer == nullptr) return;
  FIndexer->Wake();
  const int64_t views = ViewCount();
  bool merged = false;
  FUpdating = true;
  try {
    merged = MergeReady(waitMs, budgetMs);
  } catch (const TooManyLinesError&) {
    EmptyAfterFailure();
    throw;
  } catch (const std::bad_alloc&) {
    EmptyAfterFailure();
    throw;
  } catch (...) {
    FUpdating = false;
    // What came in before the failure is shown as it is.
    UpdateScrollRanges();
    if (FTopLine + FPageLines > views) RedrawPage();
    throw;
  }
  FUpdating = false;
  if (merged) ShowMerged(views);
}

void TBigView::ShowMerged(int64_t views) {
  // In window-width wrapping a wider page would lay every line out again:
  // that waits for the end.
  if (FIndexer == nullptr || !FIndexRule.byWidth) GrowMaxChar(FIndexLongest);
  const uint32_t now = CurrentBackend().TickCount();
  if (FIndexer == nullptr || now - FRangesTick >= kProgressMs) {
    FRangesTick = now;
    FUpdating = true;
    UpdateScrollRanges();
    FUpdating = false;
  }
  // Rows that came into the page are drawn.
  if (FTopLine + FPageLines > views) RedrawPage();
  if (FIndexer == nullptr && FLines->Text() != nullptr) FLines->Text()->ReleaseFile();
}

bool TBigView::ExtendFromFile() {
  if (FIndexer != nullptr) return true;
  if (!FLines->ReopenIndex()) return false;
  if (!FLines->Indexing()) return true;
  // The last line's rows go until it is laid out again; the page is drawn
  // once they are back.
  FUpdating = true;
  FViewLines.TruncateAt(LineCount());
  const int64_t views = ViewCount();
  FTextEnd = -1;
  FOpenLine.clear();
  FOpenLineWhole = false;
  try {
    StartIndexer();
    // What a writer adds between two looks is in before anything is drawn.
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::milliseconds(kExtendWaitMs);
    for (auto now = Clock::now(); FIndexer != nullptr && now < until; now = Clock::now())
      MergeReady(static_cast<int>(
                     std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count()) +
                     1,
                 kMergeBudgetMs);
  } catch (const TooManyLinesError&) {
    EmptyAfterFailure();
    throw;
  } catch (...) {
    // The caller loads the file anew.
    StopIndexer();
    FLines->AbandonIndex();
    FUpdating = false;
    throw;
  }
  FUpdating = false;
  ShowMerged(views);
  return true;
}

void TBigView::CompleteIndex() {
  while (FIndexer != nullptr) PumpIndex(100);
}

void TBigView::LoadFromStream(std::istream& stream) {
  StopIndexer();
  try {
    FLines->LoadFromStream(stream);
  } catch (...) {
    EmptyAfterFailure();
    throw;
  }
  Loaded(0, 0);
}

void TBigView::ShowFromTop() {
  SetSelStart({0, 0});
  SetSelEnd(FSelStart);
  if (FTopLine != 0) {
    ClearPage();
    SetTopLine(0);
  } else {
    RedrawPage();
  }
}

void TBigView::Loaded(int64_t from, int64_t longest) {
  BuildViewLines(from);
  FUpdating = true;
  // What UpdateMaxChar(0, ViewCount()) finds, known from the layout.
  GrowMaxChar(std::max(longest, FBuiltLongest));
  UpdateScrollRanges();
  FUpdating = false;
  ShowFromTop();
}

void TBigView::SaveToFile(const std::filesystem::path& fileName) const {
  const_cast<TBigView&>(*this).CompleteIndex();
  FLines->SaveToFile(fileName);
}

void TBigView::SaveToStream(std::ostream& stream) const {
  const_cast<TBigView&>(*this).CompleteIndex();
  FLines->SaveToStream(stream);
}

}  // namespace varlo
