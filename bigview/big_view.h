// TBigView: the viewer control. It owns the line store, lays its logical
// lines out into view lines (display rows), keeps an off-screen page of the
// visible rows, scrolls with acceleration, and handles its own keys, caret
// and mouse selection.
//
// The implementation is split by concern: big_view.cpp (construction,
// properties, content operations), layout.cpp, paint.cpp, scroll.cpp,
// mouse.cpp, view_search.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bigview/line_indexer.h"
#include "bigview/line_store.h"
#include "bigview/search.h"
#include "bigview/sjis.h"
#include "bigview/text_measure.h"
#include "bigview/view_lines.h"
#include "platform/bitmap.h"
#include "platform/control.h"
#include "platform/menu.h"
#include "platform/string_list.h"
#include "platform/types.h"

namespace varlo {

enum TBvStyles : uint8_t { bvCaption, bvVResize, bvHResize, bvMove, bvClientLow, bvDblFrame };
// A set of TBvStyles, bit n for value n.
using TBvStyle = uint8_t;
constexpr TBvStyle BvSet(std::initializer_list<TBvStyles> styles) {
  TBvStyle set = 0;
  for (TBvStyles s : styles) set |= static_cast<TBvStyle>(1u << s);
  return set;
}
constexpr bool BvIn(TBvStyles style, TBvStyle set) { return (set >> style) & 1u; }

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

using TBvStyleEvent = std::function<void(TObject& sender, TBvStyle& parm)>;
using TViewLineEvent = std::function<void(TObject& sender, int64_t& value)>;

inline constexpr const char* kViewIndexError = "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています";

// Scroll-bar request codes, the platform's numbering.
namespace sb {
inline constexpr int LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, ThumbPosition = 4,
                     ThumbTrack = 5, Top = 6, Bottom = 7, EndScroll = 8;
}  // namespace sb

class TBigView : public TCustomControl {
 public:
  explicit TBigView(TWinControl* parent);
  ~TBigView() override;

  // --- Published properties. ---
  TBvStyle BvStyle() const { return FBvStyle; }
  void SetBvStyle(TBvStyle value);
  std::string GetCaption() const;
  void SetCaption(std::string_view value);  // Shift-JIS, at most 255 bytes kept
  int64_t GetCapacity() const { return FLines->Capacity(); }
  void SetCapacity(int64_t value) { FLines->SetCapacity(value); }
  bool Caret() const { return FCaret; }
  void SetCaret(bool value);
  int64_t MaxChar() const { return FMaxChar; }
  void SetMaxChar(int64_t value);
  int PCanLimit() const { return FPCanLimit; }
  void SetPCanLimit(int value);
  bool ScOver() const { return FScOver; }
  void SetScOver(bool value);
  TScrollStyle ScrollBar() const { return FScrollBar; }
  void SetScrollBar(TScrollStyle value);
  int ScrollSense() const { return FScrollSense; }
  void SetScrollSense(int value);
  bool Select() const { return FSelect; }
  void SetSelect(bool value) { FSelect = value; }
  int ViewTabStop() const { return FViewTabStop; }
  void SetViewTabStop(int value);
  int64_t WrapByte() const { return FWrapByte; }
  void SetWrapByte(int64_t value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // The control's own pop-up menu for a right press; not owned.
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }

  TBvStyleEvent OnBvStyleChanging;
  TNotifyEvent OnBvStyleChanged;
  TViewLineEvent OnViewLineChanging;
  TNotifyEvent OnViewLineChanged;
  // While a file is indexed and laid out, after each step: the bytes done
  // and the text's size.
  std::function<void(int64_t done, int64_t size)> OnLoadProgress;
  // A command needs every line (the last row) while the file is still being
  // indexed: waits for them, false when the user stopped the wait. Unset,
  // the control waits by itself.
  std::function<bool()> OnWaitForIndex;

  // --- Content and queries. A view index outside 0..ViewCount-1 raises the
  // list index error. Text is Shift-JIS bytes, read from the file when it
  // is there (TextChangedError or InOutError when that fails). ---
  virtual std::string GetViewLine(int64_t viewIndex) const;
  virtual void PutViewLine(int64_t viewIndex, std::string_view s);
  virtual int64_t Add(std::string_view s);
  virtual void AddStrings(const StringListRef& source);
  virtual void Assign(const StringListRef& source);
  virtual void Clear();
  virtual void AssignTo(StringListSinkRef dest) const;
  virtual void Delete(int64_t viewIndex);
  virtual void Exchange(int64_t viewIndex1, int64_t viewIndex2);
  virtual bool Find(std::string_view s, int64_t& x, int64_t& y);
  virtual int64_t IndexOf(std::string_view s) const;
  virtual void Insert(int64_t viewIndex, std::string_view s);
  // The whole file, indexed and laid out before it returns. On any error the
  // view is left empty and consistent, then the error is passed on.
  virtual void LoadFromFile(const std::filesystem::path& fileName);
  virtual void LoadFromStream(std::istream& stream);
  virtual void SaveToFile(const std::filesystem::path& fileName) const;
  virtual void SaveToStream(std::ostream& stream) const;

  std::string GetLine(int64_t lineIndex) const { return FLines->Get(lineIndex); }
  // Bytes of a view line, without reading them.
  int64_t ViewLineSize(int64_t viewIndex) const;
  int64_t ViewCount() const { return FViewLines.Count(); }
  int64_t LineCount() const { return FLines->Count(); }
  int64_t TopLine() const { return FTopLine; }
  // One view line's record.
  TViewLineRec ViewLine(int64_t viewIndex) const;

  // --- Loading in the background. ---
  // Opens a file and shows it once the lines of the first page are indexed
  // (all of a small file); the rest is indexed on other threads while the
  // window goes on, and comes in through PumpIndex. Until the first call of
  // that, one core is left to the window, to show itself and its page.
  // Errors as LoadFromFile.
  void BeginLoadFromFile(const std::filesystem::path& fileName);
  // Lines of the file are still being indexed.
  bool Indexing() const { return FIndexer != nullptr; }
  // Takes the lines indexed since the last call, waiting up to `waitMs`
  // for the next ones; lays them out and shows them. Once the text is all
  // in, the view is as LoadFromFile leaves it. Raises what the indexing
  // met: TextChangedError (the file was cut or rewritten meanwhile),
  // InOutError (a read failed: the lines indexed so far stay),
  // TooManyLinesError (the view is then empty).
  void PumpIndex(int waitMs, int budgetMs = kMergeBudgetMs);
  // While lines come in, the scroll bars (and the window's caption) follow
  // at most this often, in milliseconds: under Wine each redraw is calls to
  // the system, which take a core from the threads that index.
  static constexpr uint32_t kProgressMs = 100;
  // Waits until the whole text is indexed.
  void CompleteIndex();
  // Bytes indexed so far, and the size of the text.
  int64_t IndexedBytes() const { return FLines->IndexedBytes(); }
  int64_t TextSize() const { return FLines->TextSize(); }
  // --- A file that grows. ---
  // How the file shown has changed since it was indexed (TBvStrings::FileChange).
  TFileChange FileChange(bool checkTail) const { return FLines->FileChange(checkTail); }
  // Takes in the lines the file grew by, keeping the view where it is: the
  // last line is laid out again with what was added to it, the lines after
  // it come as a load's do (a few at once, the rest through PumpIndex).
  // False when the text cannot grow in place (load the file anew). Raises
  // TextChangedError when the file no longer holds what is shown,
  // TextReadError when it cannot be read.
  bool ExtendFromFile();
  // How files are read for their index (tests: in many small steps).
  void SetIndexSizes(const TIndexSizes& sizes) { FIndexSizes = sizes; }

  // --- Layout and positions. ---
  void CalcFontMetrics();
  void ResizeView();
  void UpdateScrollRanges();
  bool UpdateMaxChar(int64_t first, int64_t count);
  void BuildViewLines(int64_t fromLine);
  int ByteKind(std::string_view s, int64_t index) const;
  int64_t ViewIndexOfLine(int64_t lineIndex) const;
  int64_t LineIndexOfView(int64_t viewIndex) const;
  TPoint LineToViewPos(TPoint pos) const;
  TPoint ViewToLinePos(TPoint pos) const;

  // --- Painting and caret. ---
  void ClearPage();
  void RedrawPage();
  void ScrollPageUp(int64_t n);
  void ScrollPageDown(int64_t n);
  void DrawSelection(TPoint a, TPoint b);
  void DrawSelectionLine(int64_t viewIndex);
  int64_t MeasureText(std::string_view s);
  void SetCaretPos(TPoint pos);

  // --- Scrolling. ---
  void SetTopLine(int64_t value);
  void SetBottomLine(int64_t value);
  void SetVScrollPos(int64_t value);
  void SetHScrollPos(int64_t value);
  void DoVScroll(int code, int64_t pos, int interval);
  void DoHScroll(int code, int64_t pos, int interval);
  void UpdateScrollStep(int interval);
  bool MakeVisible(TPoint pos);
  int64_t MaxTop() const;

  // --- Search. ---
  // The first view line that holds the pattern, from view line `from` down
  // to the last or (upward) back to the first, `from` itself tested first;
  // -1 when there is none. Each view line is tested on its own, as
  // TSearchPattern::Find tests it; the text is scanned where it lies.
  int64_t FindViewLine(const TSearchPattern& pattern, int64_t from, bool upward) const;

  // --- Selection and mouse. ---
  void SetSelStart(TPoint pos);
  void SetSelEnd(TPoint pos);
  TPoint PointToViewPos(int x, int y);
  TPoint PointToViewPosByByte(int x, int y);
  void SelectWordAt(int x, int y);

  // --- State, for the main window and for tests. ---
  int LineHeight() const { return FLineHeight; }
  int CharWidth() const { return FCharWidth; }
  int64_t PageLines() const { return FPageLines; }
  int64_t BottomLine() const { return FBottomLine; }
  int64_t HScrollPos() const { return FHScrollPos; }
  int64_t VScrollPos() const { return FVScrollPos; }
  int ScrollStep() const { return FScrollStep; }
  TPoint SelStart() const { return FSelStart; }
  TPoint SelEnd() const { return FSelEnd; }
  TPoint CaretPos() const { return FCaretPos; }
  bool Extending() const { return FExtending; }
  TBitmap& PageBitmap() { return FBitmap; }
  // Line pixel shown at page-bitmap x = 0 (non-zero only for a page
  // narrower than the longest line).
  int64_t PageOriginX() const { return FPageOriginX; }
  const TextMeasure& Measure() const { return FMeasure; }
  size_t LayoutBytes() const { return FViewLines.MemoryBytes(); }

  // --- Key tables (constant data). ---
  struct TKeyRow {
    uint16_t Key;
    TShiftState Shift;
    int Code;
  };
  static const std::array<TKeyRow, 22> VScrollKeys;
  static const std::array<TKeyRow, 6> HScrollKeys;
  // Where a caret key moves the caret.
  enum TCaretMove : uint8_t {
    cmLineUp,
    cmLineDown,
    cmCharLeft,
    cmCharRight,
    cmPageUp,
    cmPageDown,
    cmLineStart,
    cmLineEnd,
    cmTextStart,
    cmTextEnd,
  };
  struct TCaretKeyRow {
    uint16_t Key;
    TShiftState Shift;
    TCaretMove Move;
    bool Extend;  // the selection follows the caret (with Select on)
  };
  static const std::array<TCaretKeyRow, 20> CaretKeys;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(TCanvas& canvas) override;
  void WMSize() override;
  void WMMove() override;
  void WMSetFocus() override;
  void WMKillFocus() override;
  int WMNCHitTest(int code) override;
  void WMNCLButtonDown() override;
  void WMGetMinMaxInfo(TMinMaxInfo& info) override;
  void WMSetFont() override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void WMKeyUp(uint16_t& key, TShiftState shift) override;
  bool CMWantSpecialKey(uint16_t key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Click() override;
  void DblClick() override;
  void MouseCaptureLost() override;
  void WMVScroll(int code) override;
  void WMHScroll(int code) override;
  bool MouseWheel(int delta, TShiftState shift) override;
  // The extend-and-auto-scroll step the control sends itself while a drag
  // selects; loops while the pointer stays outside.
  void WMUser();

 private:
  // The piece length for a piece of `text` beginning at `start` (1-based),
  // with the double-byte rule; `fitted` is the line's count before it.
  static int64_t PieceLength(std::string_view text, int64_t start, int64_t fitted) {
    int64_t n = fitted;
    // The next piece's first byte, start + n, lies in the line?
    if (n <= static_cast<int64_t>(text.size()) - start) {
      // The lead byte moves to the next piece; a piece of one double-byte
      // character keeps it whole, one byte over the limit. Without a
      // branch on the kind, which Japanese text makes a coin's toss.
      const bool trail = sjis::ByteKindFrom(text, static_cast<size_t>(start - 1),
                                            static_cast<size_t>(start + n - 1)) == sjis::kTrailByte;
      n -= trail ? 1 : 0;
      // `fitted` is at least 1: only a cut leaves a piece of no byte.
      n = n < 1 ? 2 : n;
    }
    return n;
  }
  // A rebuild of more lines than this is shared out to threads.
  static constexpr int64_t kLinesPerThread = int64_t{1} << 20;
  // What decides the layout of a line.
  struct LayoutRule {
    bool wordWrap = true;
    bool byWidth = false;
    int64_t wrap = 0;
    int64_t width = 0;    // client width, when byWidth
    int64_t xWidth = 0;   // width of "x", when byWidth
    int64_t cell = 0;     // the widest a byte can be, when byWidth
    int64_t tabCell = 0;  // the widest a tab can be, when byWidth
    int64_t slack = 0;    // two columns, when byWidth
    bool operator==(const LayoutRule&) const = default;
  };
  // The rule of the current settings; measures the font first if needed.
  LayoutRule CurrentRule();
  // A line of `len` bytes, `tabs` of them tabs, has a layout that depends
  // on its bytes: it is longer than the wrap, or may be wider than the
  // window. Asked of every line a layout makes: inline.
  static bool NeedsBytes(const LayoutRule& rule, size_t len, unsigned tabs) {
    if (len == 0 || !rule.wordWrap) return false;
    if (!rule.byWidth) return static_cast<int64_t>(len) > rule.wrap;
    // Whether it can reach the window's width at all, at the widest a byte
    // and a tab can be. The count may take a second byte of a character for
    // a tab, never miss a tab, so the bound holds.
    const size_t tabbed = std::min<size_t>(tabs, len);
    if (len >> 32 == 0 && ((rule.cell | rule.tabCell) >> 31) == 0) {
      // Products of 32-bit numbers, as nearly every line has.
      const uint64_t widest = (len - tabbed) * static_cast<uint64_t>(rule.cell) +
                              tabbed * static_cast<uint64_t>(rule.tabCell);
      return widest > static_cast<uint64_t>(std::max<int64_t>(rule.width, 0));
    }
    const auto n = static_cast<unsigned __int128>(len);
    const auto t = static_cast<unsigned __int128>(tabbed);
    const auto widest =
        (n - t) * static_cast<uint64_t>(rule.cell) + t * static_cast<uint64_t>(rule.tabCell);
    return widest > static_cast<unsigned __int128>(std::max<int64_t>(rule.width, 0));
  }
  // Lays out one line (its bytes in `text` when NeedsBytes says so) at the
  // cursor, measuring with `measure` when wrapping at the window width;
  // returns the length of its longest view line.
  static int64_t LayoutLine(ViewLines& out, ViewLines::Cursor& c, const LayoutRule& rule,
                            const TextMeasure& measure, size_t len, unsigned tabs,
                            std::string_view text, TextMeasure::Meter& meter);
  // Lays out a line whose layout does not depend on its bytes: one view
  // line without a cut.
  static int64_t LayoutWhole(ViewLines& out, ViewLines::Cursor& c, size_t len) {
    c.BeginLine(out);
    c.EndLine(out, len == 0, 0);
    return static_cast<int64_t>(len);
  }
  // Lays out logical lines [fromLine, toLine) appending to `out`; only
  // reads the view's state. Returns the length of the longest view line.
  int64_t LayoutLines(ViewLines& out, int64_t fromLine, int64_t toLine,
                      const LayoutRule& rule) const;
  // Lays out the lines of a chunk that lie between two of its line ends,
  // on the indexing thread that found them.
  static void LayoutChunk(TLineIndexer::Chunk& chunk, const char* bytes, const LayoutRule& rule,
                          const TextMeasure& measure);
  // Merges the chunks that are ready, waiting up to `waitMs` for the first
  // and going on for at most `budgetMs` (0: one chunk); finishes the text
  // when the last one is in. True when anything came in.
  bool MergeReady(int waitMs, int budgetMs);
  static constexpr int kMergeBudgetMs = 10;
  // How long ExtendFromFile takes in what was added before it returns.
  static constexpr int kExtendWaitMs = 50;
  // Starts indexing the rest of the file with the layout rule of now;
  // `keepACore`: one thread fewer until PumpIndex.
  void StartIndexer(bool keepACore = false);
  void StopIndexer();
  // Merges one chunk into the store and the layout.
  void MergeChunk(TLineIndexer::Chunk& chunk);
  // Lays out the line just ended from the bytes the chunks brought.
  int64_t LayoutOpenLine();
  // The rows of the page [first, first + n), read before anything is drawn:
  // a read that fails leaves the page as it was.
  std::vector<std::string> PageTexts(int64_t first, int64_t n) const;
  void DrawViewText(std::string_view text, int y);
  // After lines came in: the widest line, the scroll ranges, and the page
  // where rows came into it (`views`: the view lines before).
  void ShowMerged(int64_t views);
  // BuildViewLines' work.
  void RebuildLayout(int64_t fromLine);
  // Lays out lines [from, count) into `out`, shared out to threads when
  // there are many; returns the longest view line.
  int64_t LayoutParts(ViewLines& out, int64_t from, const LayoutRule& rule) const;
  // UpdateMaxChar's step once the longest view line is known.
  bool GrowMaxChar(int64_t longest);
  // The count fitted to the window width, once per line, with the widths
  // of `measure`; `slack` is two columns' width.
  static int64_t FitToWidth(std::string_view text, int64_t width, int64_t xWidth, int64_t slack,
                            const TextMeasure& measure, TextMeasure::Meter& meter);
  int64_t ViewLineLength(int64_t viewIndex) const;
  int64_t ViewLineLength(const ViewLines::Place& at, int64_t viewIndex) const;
  // The view line of a logical line that holds byte `offset` of it.
  int64_t ViewOfOffset(const ViewLines::Place& at, int64_t offset) const;
  void CheckViewIndex(int64_t viewIndex) const;
  void BottomLineStep();
  void EmptyAfterFailure();
  // The layout from line `from` on, maximum width, scroll ranges and page
  // after a load; `longest` is the longest view line before `from`.
  void Loaded(int64_t from, int64_t longest);
  // A text just loaded: no selection, the first page from the top.
  void ShowFromTop();
  void Present();
  void EnsureMeasure();
  int64_t PageWidth() const;
  int64_t WholePageLines() const;
  int64_t WantedOrigin() const;
  void ResizePage();
  void CaretMove(TCaretMove move, bool extend);
  // The system caret of the focused control, in its size now.
  void MakeCaret();
  void ScrollModeKeys(uint16_t key, TShiftState shift);
  // A bar position after one scroll command.
  int64_t Scrolled(int code, int64_t p, int64_t pos, int64_t page, int min, int max) const;
  // Moves the page bitmap's lines by n for a scroll; false when the page was
  // drawn anew instead (or not at all).
  bool ShiftPage(int64_t n, bool down);
  // The top line the vertical bar's position stands for.
  int64_t TopFromBar();
  TPoint HitTest(int x, int y, bool everyByte);
  // A view position moved into the text: the clamping rule of the caret and
  // both selection ends.
  TPoint Clamped(TPoint p) const;
  int64_t ClientColumns() const;

  // Fields, in the order of the control's description.
  TBvStyle FBvStyle;
  std::array<char, 256> FCaption{};
  bool FCaret;
  TPoint FCaretPos;
  std::unique_ptr<TBvStrings> FLines;
  ViewLines FViewLines;
  int64_t FMaxChar;
  TBitmap FBitmap;
  TBitmap FMeasureBitmap;
  int FLineHeight;
  int FCharWidth;
  int64_t FTopLine = 0;
  int64_t FBottomLine = 0;
  int64_t FPageLines = 0;
  int FViewTabStop;
  bool FScOver;
  int64_t FVScrollPos = 0;
  int64_t FVScrollPrev = 0;
  int64_t FVScrollPrev2 = 0;
  int64_t FHScrollPos = 0;
  int64_t FHScrollPrev = 0;
  int64_t FHScrollPrev2 = 0;
  int FScrollSense;
  int FScrollStep;
  int FScrollRun;
  uint32_t FLastScrollTick;
  uint32_t FRangesTick = 0;  // when ShowMerged last set the scroll ranges
  TScrollStyle FScrollBar;
  int FPaintCount = 0;
  int FPCanLimit = 0;
  TPoint FSelStart;
  TPoint FSelEnd;
  bool FExtending = false;
  bool FSelect;
  // What the press being handled is: a click's, or a double click's
  // second.
  enum TClickKind : uint8_t { ckSingle, ckDouble } FClickKind;
  TPoint FDragPoint;
  bool FUpdating;
  int64_t FWrapByte;
  bool FWordWrap;

  TPopupMenu* FPopupMenu = nullptr;
  TextMeasure FMeasure;
  TFont FMeasuredFont;        // the font FMeasure holds widths of
  int64_t FPageOriginX = 0;   // see PageOriginX()
  bool FInUserLoop = false;   // WMUser is running its cycles
  int FWheelRest = 0;         // wheel turn short of a whole notch
  int64_t FBuiltLongest = 0;  // the longest view line the last BuildViewLines laid out
  // Indexing in the background: its threads, the rule they lay out by, the
  // longest view line merged so far, and where a 0x1A ended the text.
  std::unique_ptr<TLineIndexer> FIndexer;
  LayoutRule FIndexRule;
  int64_t FIndexLongest = 0;
  int64_t FTextEnd = -1;
  bool FFirstPageShown = false;  // lines of the file being indexed are on view
  // The bytes of the line not yet ended on, while they are few.
  std::string FOpenLine;
  bool FOpenLineWhole = true;
  TIndexSizes FIndexSizes;
  // After indexing, one block in this many is read again and checked.
  static constexpr int64_t kSampleBlocks = 1024;
};

}  // namespace varlo
