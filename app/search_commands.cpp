// The main window's text commands: search with the dialog and again
// downward or upward, the jump to a line number, the line numbers notice,
// and the copy of a range of whole lines to the clipboard.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/main_form.h"
#include "dialogs/jump_form.h"
#include "dialogs/search_form.h"
#include "dialogs/search_pause_form.h"
#include "platform/backend.h"
#include "platform/convert.h"

namespace varlo {
namespace {

constexpr const char* kNoHit = "    検索文字はありませんでした。   ";
constexpr const char* kNoSearchText = "    検索文字が設定されていません。   ";
constexpr const char* kLineOutOfRange = "    行番号が範囲外です。   ";
constexpr const char* kRangeStartOutOfRange = "    選択開始の行番号が範囲外です。   ";
constexpr const char* kRangeEndOutOfRange = "    選択終了の行番号が範囲外です。   ";
constexpr const char* kRangeTooLong = "    コピーできる範囲は９９９行までです。   ";
constexpr const char* kCopying = "  クリップボードにコピー中です。 ";

// Line numbers the commands take: 1 to 999999.
constexpr int64_t kMaxLineNumber = 999999;
// A copied range spans fewer lines apart than this.
constexpr int64_t kMaxRangeDistance = 999;

bool InLineNumbers(int64_t n) { return n >= 1 && n <= kMaxLineNumber; }

// N and P: below or above the hit while the view has not moved since, else
// below or above the top line; the pause, then the view moves.
void SearchAgain(TForm1& f, bool upward) {
  TBigView& view = f.BigView1;
  TSearchMark& mark = f.SearchMark;
  mark.Hide();
  if (f.FFindStr[0].empty()) {
    f.ShowNotice(kNoSearchText);
    return;
  }
  // Downward the search needs the lines still being indexed.
  if (!upward && !f.WaitForLines(-1)) return;
  const int64_t top = view.TopLine(), step = upward ? -1 : 1;
  int64_t from = top + step;
  if (mark.Shown)
    from = f.FFindScroll >= mark.FoundLine ? mark.FoundLine - 1 + step : top + step + f.FFindScroll;
  // A view scrolled near the end after a hit can put an upward start past
  // the last line: it starts at the last line then.
  if (upward) from = std::min(from, view.ViewCount() - 1);
  const int64_t hit = f.SearchLine(from, upward);
  if (hit == 0) {
    f.ShowNotice(kNoHit);
    return;
  }
  {
    TSearchPause pause;
    pause.SetBounds(f.Left(), f.Top(), pause.Width(), pause.Height());
    pause.ShowModal();
  }
  f.ShowFoundLine(hit);
}

}  // namespace

int64_t TForm1::SearchLine(int64_t from, bool upward) {
  // Every view line from `from` on is tested, without fetching them one by
  // one: the viewer scans its text for the places a hit can start.
  const TSearchPattern pattern(FFindStr[0], FSearchUperLower);
  return BigView1.FindViewLine(pattern, from, upward) + 1;
}

void TForm1::ShowFoundLine(int64_t hit) {
  const int64_t v = hit - 1;
  BigView1.SetTopLine(std::max<int64_t>(v - FFindScroll, 0));
  // The first byte-wise occurrence, which may lie before the one the test
  // accepted (inside a double-byte character).
  const int64_t column =
      TSearchPattern(FFindStr[0], FSearchUperLower).Column(BigView1.GetViewLine(v));
  SearchMark.Show(hit, column);
  SetCaption(MainCaption(BigView1) + "  検索行 : " + std::to_string(hit) + " (" +
             std::to_string(BigView1.LineIndexOfView(v) + 1) + ")" +
             "  検索位置 : " + std::to_string(column));
}

void TForm1::MenuFindClick(TObject&) {
  FFindStr[0].clear();
  SearchMark.Clear();
  {
    TSearchDialog form(*this);
    form.Edit1().SetText(FFindStr[1]);
    form.CheckUperLower().SetChecked(FSearchUperLower);
    CenterOnScreen(form);
    form.ShowModal();
  }
  if (FFindStr[0].empty()) return;
  if (FFindPrior != sdUp && !WaitForLines(-1)) return;
  FSearched = true;
  // The top view line itself is tested first, in both directions.
  const int64_t hit = SearchLine(BigView1.TopLine(), FFindPrior == sdUp);
  if (hit > 0) {
    ShowFoundLine(hit);
  } else {
    ShowNotice(kNoHit);
  }
  // The repeated searches can be chosen now.
  UpdateMenus();
  FFindStr[1] = FFindStr[0];
}

void TForm1::MenuReFindClick(TObject&) { SearchAgain(*this, false); }

void TForm1::MenuReFindPriorClick(TObject&) { SearchAgain(*this, true); }

void TForm1::MenuJumpClick(TObject&) {
  FJumpLine[0].clear();
  {
    TJumpDialog form(*this);
    form.Edit1().SetText(FJumpLine[1]);
    CenterOnScreen(form);
    form.ShowModal();
  }
  const std::string& text = FJumpLine[0];
  if (text.empty()) return;
  // A minus sign anywhere, not only in front, is out of range.
  const std::optional<int32_t> n =
      text.find('-') == std::string::npos ? ParseInteger(text) : std::nullopt;
  if (!n || *n < 1) {
    ShowNotice(kLineOutOfRange);
    return;
  }
  if (!WaitForLines(*n - 1)) return;
  // The first view line of the line; past the last line, the view count.
  const int64_t v = BigView1.ViewIndexOfLine(*n - 1);
  if (v + 1 > kMaxLineNumber) {
    ShowNotice(kLineOutOfRange);
    return;
  }
  BigView1.SetTopLine(v);
  FJumpLine[1] = FJumpLine[0];
}

void TForm1::MenuLineNumDispClick(TObject&) {
  const int64_t top = BigView1.TopLine();
  ShowNotice("表示行 : " + std::to_string(top + 1) + "     " +
             "論理行 : " + std::to_string(BigView1.LineIndexOfView(top) + 1));
}

void TForm1::MenuSelectStartClick(TObject&) {
  FSelStartLine = BigView1.LineIndexOfView(BigView1.TopLine()) + 1;
  SetCaption(" 選択中です。 開始行は  " + std::to_string(FSelStartLine) + "  です。");
}

void TForm1::MenuSelectEndClick(TObject&) {
  FSelEndLine = BigView1.LineIndexOfView(BigView1.TopLine()) + 1;
  const char* problem = nullptr;
  // The start may lie in lines still being indexed.
  if (InLineNumbers(FSelStartLine) && FSelStartLine > BigView1.LineCount() &&
      !WaitForLines(FSelStartLine - 1)) {
    UpdateCaption();
    return;
  }
  // A start marked in a longer file shown before is no line of this one.
  if (!InLineNumbers(FSelStartLine) || FSelStartLine > BigView1.LineCount()) {
    problem = kRangeStartOutOfRange;
  } else if (!InLineNumbers(FSelEndLine)) {
    problem = kRangeEndOutOfRange;
  } else if (std::abs(FSelEndLine - FSelStartLine) >= kMaxRangeDistance) {
    problem = kRangeTooLong;
  }
  if (problem != nullptr) {
    ShowNotice(problem);
    UpdateCaption();
    return;
  }
  SetCaption(kCopying);
  try {
    // Whole lines, bytes as stored, each ended by CR LF.
    std::string text;
    for (int64_t k = std::min(FSelStartLine, FSelEndLine);
         k <= std::max(FSelStartLine, FSelEndLine); ++k) {
      text += BigView1.GetLine(k - 1);
      text += "\r\n";
    }
    CurrentBackend().SetClipboardText(text);
  } catch (...) {
    // The error is shown where it arrives; the caption must not go on
    // saying that a copy is under way.
    UpdateCaption();
    throw;
  }
  // About a second with the caption above and no messages handled.
  Backend& backend = CurrentBackend();
  const uint64_t first = backend.TickCount();
  for (uint64_t now = first; now >= first && now <= first + 1000; now = backend.TickCount())
    backend.WaitForInput(static_cast<int>(first + 1001 - now));
  UpdateCaption();
}

}  // namespace varlo
