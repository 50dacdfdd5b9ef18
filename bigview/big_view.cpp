// Construction, published properties and the content operations.
#include "bigview/big_view.h"

#include <cstdlib>
#include <cstring>

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
  return static_cast<int64_t>(FLines->Get(at.line).size()) - start + 1;
}

int64_t TBigView::ViewLineLength(int64_t viewIndex) const {
  return ViewLineLength(FViewLines.Locate(viewIndex), viewIndex);
}

std::string_view TBigView::GetViewLine(int64_t viewIndex) const {
  CheckViewIndex(viewIndex);
  const ViewLines::Place at = FViewLines.Locate(viewIndex);
  const int64_t start = FViewLines.Start(at, viewIndex);
  if (start == 0) return {};
  const std::string_view line = FLines->Get(at.line);
  return line.substr(static_cast<size_t>(start - 1),
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
  const std::string_view line = FLines->Get(rec.Line);
  if (!FWordWrap) {
    rec.Len = static_cast<int64_t>(line.size());
  } else if (!rec.Last) {
    rec.Len = FViewLines.Start(at, viewIndex + 1) - rec.Start;
  } else {
    // The last piece keeps the length the layout gave it, which may reach
    // past the line's end.
    int64_t fitted = FWrapByte;
    if (fitted == 0) {
      auto& self = const_cast<TBigView&>(*this);
      self.EnsureMeasure();
      TextMeasure::Meter meter;
      fitted = FitToWidth(line, ClientWidth(), FMeasure.Width("x"), meter);
    }
    rec.Len = PieceLength(line, rec.Start, fitted);
  }
  return rec;
}

void TBigView::PutViewLine(int64_t viewIndex, std::string_view s) {
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
  FLines->Clear();
  BuildViewLines(0);
  UpdateScrollRanges();
  SetSelStart({0, 0});
  SetSelEnd(FSelStart);
  SetTopLine(0);
  ClearPage();
}

void TBigView::AssignTo(StringListSinkRef dest) const { FLines->AssignTo(dest); }

void TBigView::Delete(int64_t viewIndex) {
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
  CheckViewIndex(viewIndex1);
  CheckViewIndex(viewIndex2);
  FLines->Exchange(FViewLines.Line(viewIndex1), FViewLines.Line(viewIndex2));
  BuildViewLines(FViewLines.Line(std::min(viewIndex1, viewIndex2)));
  const auto visible = [&](int64_t v) { return FTopLine <= v && v <= FBottomLine; };
  if (visible(viewIndex1) || visible(viewIndex2)) RedrawPage();
}

bool TBigView::Find(std::string_view s, int64_t& x, int64_t& y) {
  TPoint p = ViewToLinePos({x, y});
  const bool found = FLines->Find(s, p.Y, p.X);
  const TPoint q = LineToViewPos(p);
  x = q.X;
  y = q.Y;
  return found;
}

int64_t TBigView::IndexOf(std::string_view s) const {
  const int64_t line = FLines->IndexOf(s);
  return line < 0 ? -1 : ViewIndexOfLine(line);
}

void TBigView::Insert(int64_t viewIndex, std::string_view s) {
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
  // The lines are laid out as they come in, while the next ones are still
  // being read (each line's layout depends on that line alone); what is
  // left once the whole file is in is laid out after, shared out to threads
  // when there is much.
  const LayoutRule rule = CurrentRule();
  int64_t laidOut = -1;
  int64_t longest = 0;
  // The progress may let the window paint: the page it has is shown as it
  // is until the load is done.
  FUpdating = true;
  try {
    FLines->LoadFromFile(fileName, [&](int64_t lines, int64_t done, int64_t read, int64_t size) {
      if (laidOut < 0) {
        FViewLines.TruncateAt(0);
        FViewLines.Reserve(FLines->Capacity());
        laidOut = 0;
      }
      if (read < size || lines < kLinesPerThread) {
        longest = std::max(longest, LayoutLines(FViewLines, laidOut, lines, rule));
        laidOut = lines;
      }
      if (OnLoadProgress) OnLoadProgress(done, size);
    });
  } catch (...) {
    EmptyAfterFailure();
    throw;
  }
  FUpdating = false;
  Loaded(std::max<int64_t>(laidOut, 0), longest);
}

void TBigView::LoadFromStream(std::istream& stream) {
  try {
    FLines->LoadFromStream(stream);
  } catch (...) {
    EmptyAfterFailure();
    throw;
  }
  Loaded(0, 0);
}

void TBigView::Loaded(int64_t from, int64_t longest) {
  BuildViewLines(from);
  FUpdating = true;
  // What UpdateMaxChar(0, ViewCount()) finds, known from the layout.
  GrowMaxChar(std::max(longest, FBuiltLongest));
  UpdateScrollRanges();
  FUpdating = false;
  SetSelStart({0, 0});
  SetSelEnd(FSelStart);
  if (FTopLine != 0) {
    ClearPage();
    SetTopLine(0);
  } else {
    RedrawPage();
  }
}

void TBigView::SaveToFile(const std::filesystem::path& fileName) const {
  FLines->SaveToFile(fileName);
}

void TBigView::SaveToStream(std::ostream& stream) const { FLines->SaveToStream(stream); }

}  // namespace varlo
