// The program at the display's resolution: the test command runs this
// program at 96, 144 and 192 pixels per inch (VARLO_TEST_DPI), each in a
// Wine prefix of its own. Every form's controls lie inside it and apart,
// their texts fit them in their real fonts, the viewer's rows grow with the
// resolution, and a window moved to a display of another resolution is
// scaled and keeps its top line.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_form.h"
#include "dialogs/jump_form.h"
#include "dialogs/key_list_form.h"
#include "dialogs/launcher_edit_form.h"
#include "dialogs/notice_form.h"
#include "dialogs/search_form.h"
#include "dialogs/settings_form.h"
#include "dialogs/wrap_switch_form.h"
#include "platform/dialogs.h"
#include "platform/text.h"
#include "platform/win32/backend.h"
#include "platform/win32/canvas.h"
#include "platform/win32/codepage.h"
#include "platform/win32/dpi.h"
#include "tests/support/temp_dir.h"
#include "tests/win32/program_backend.h"

namespace varlo {
namespace {

namespace fs = std::filesystem;
using win32::FromWide;
using win32::HandleOf;
using win32::kUtf8;

// The resolution this run was given.
int RunDpi() {
  const char* dpi = std::getenv("VARLO_TEST_DPI");
  return dpi != nullptr ? std::atoi(dpi) : 96;
}

int At(int pixelsAt96) { return MulDivRounded(pixelsAt96, RunDpi(), 96); }

struct Rig {
  testing::TempDir dir;
  testing::ProgramBackend backend{dir.Path()};
  Rig() { SetCurrentBackend(&backend); }
  ~Rig() { SetCurrentBackend(nullptr); }

  bool PumpUntil(const std::function<bool()>& done) { return testing::PumpUntil(backend, done); }
};

TEST(Dpi, TheDisplayHasTheResolutionOfTheRun) {
  EXPECT_EQ(win32::SystemDpi(), RunDpi());
  EXPECT_EQ(win32::PrimaryDpi(), RunDpi());
}

// The main window on a file with tabs, in the face given at 12 points
// (characters 16 pixels high at 96 per inch), or as the settings come.
struct MainRig : Rig {
  std::unique_ptr<TForm1> form;
  explicit MainRig(const std::string& face) {
    if (!face.empty())
      dir.Write(L"varlo.INI", "[TextJyouhou]\r\nTextFontName=" + face + "\r\nTextFontSize=12\r\n");
    std::string text;
    for (int i = 0; i < 400; ++i)
      text += "\t" + std::to_string(i) + ", Esc\t\x8f\x49\x97\xb9 " + std::string(i % 150, 'x') +
              "\r\n";
    backend.FArguments = {Utf8FromPath(dir.Write(L"tabs.txt", text))};
    form = std::make_unique<TForm1>();
    form->Show();
  }
  ~MainRig() {
    ControlEvents::Run([&] { form->Destroy(); });
    form.reset();
  }
};

// The height of a row in this font at 96 pixels per inch.
int RowAt96(const TFont& font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, win32::FontHandle(font.At(96)));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight + tm.tmExternalLeading;
}

TEST(Dpi, TheViewersRowsAndCharactersGrowWithTheResolution) {
  // The settings as they come (the system face), the system face at another
  // size (it has one size only), and a face of the user's.
  for (const std::string face : {"", "system", "IPAGothic"}) {
    MainRig rig(face);
    TBigView& view = rig.form->BigView1;
    EXPECT_EQ(view.PixelsPerInch(), RunDpi()) << face;
    EXPECT_EQ(view.Font().Size(), face.empty() ? 14 : 12) << face;
    // 1.5 and 2 times as tall as at 96, but for the rounding of the font's
    // own height.
    const double wanted = RowAt96(view.Font()) * RunDpi() / 96.0;
    EXPECT_LE(std::abs(view.LineHeight() - wanted), 1.0)
        << face << ": rows of " << view.LineHeight() << " pixels, " << wanted << " wanted";
    // What the viewer measures is what the font draws.
    HDC dc = GetDC(HandleOf(view));
    HGDIOBJ old = SelectObject(dc, win32::FontHandle(view.Font()));
    SIZE x{}, wide{};
    GetTextExtentPoint32W(dc, L"x", 1, &x);
    GetTextExtentPoint32W(dc, L"\x5165", 1, &wide);
    SelectObject(dc, old);
    ReleaseDC(HandleOf(view), dc);
    EXPECT_EQ(x.cx, At(8)) << face;
    EXPECT_EQ(view.Measure().CharWidth("x"), x.cx) << face;
    EXPECT_EQ(view.Measure().CharWidth("\x93\xfc"), wide.cx) << face;
  }
}

// --- Forms. ---

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  return name;
}

std::wstring TextOf(HWND h) {
  std::wstring s(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  s.resize(static_cast<size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
  return s;
}

std::string Named(HWND h) { return FromWide(kUtf8, ClassOf(h) + L" \"" + TextOf(h) + L"\""); }

// A window's rectangle in its parent's client coordinates.
RECT InParent(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The size of a window's text as the control draws it: its own font, "&"
// marking the accelerator.
SIZE TextSize(HWND h) {
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(h, WM_GETFONT, 0, 0)));
  const std::wstring text = TextOf(h);
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  return {r.right - r.left, r.bottom - r.top};
}

// Every visible control of a form lies inside its parent, apart from its
// visible siblings, and shows its whole text in its own font.
void CheckControls(HWND form, const std::string& where) {
  std::vector<HWND> all;
  EnumChildWindows(
      form,
      [](HWND h, LPARAM p) -> BOOL {
        if (IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  ASSERT_FALSE(all.empty()) << where;
  for (HWND h : all) {
    const RECT r = InParent(h);
    RECT parent{};
    GetClientRect(GetParent(h), &parent);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= parent.right && r.bottom <= parent.bottom)
        << where << ": " << Named(h) << " at " << r.left << "," << r.top << "-" << r.right << ","
        << r.bottom << " outside " << parent.right << "x" << parent.bottom;
    for (HWND other : all) {
      if (other <= h || GetParent(other) != GetParent(h)) continue;
      const RECT o = InParent(other);
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &r, &o))
          << where << ": " << Named(h) << " overlaps " << Named(other);
    }
    const std::wstring cls = ClassOf(h);
    const bool label = _wcsicmp(cls.c_str(), L"Static") == 0;
    const bool button = _wcsicmp(cls.c_str(), L"Button") == 0;
    if ((!label && !button) || TextOf(h).empty()) continue;
    RECT client{};
    GetClientRect(h, &client);
    const LONG style = GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK;
    // What a button draws besides its text: its edges, or the box of a
    // check box and the gap after it.
    const int beside = !button ? 0 : style == BS_CHECKBOX ? At(18) : At(6);
    const SIZE text = TextSize(h);
    EXPECT_LE(text.cx, client.right - beside)
        << where << ": the text of " << Named(h) << " is " << text.cx << " pixels wide";
    EXPECT_LE(text.cy, client.bottom)
        << where << ": the text of " << Named(h) << " is " << text.cy << " pixels high";
  }
}

// Every control of the form is at the run's resolution.
void CheckResolution(const TWinControl& c, const std::string& where) {
  EXPECT_EQ(c.PixelsPerInch(), RunDpi()) << where << ": " << c.Name;
  EXPECT_EQ(c.Font().PixelsPerInch, RunDpi()) << where << ": " << c.Name;
  for (const TWinControl* child : c.Controls()) CheckResolution(*child, where);
}

TEST(Dpi, EveryFormsControlsLieInsideItApartAndShowTheirWholeTexts) {
  Rig rig;
  TForm1 main;
  struct Row {
    std::string name;
    std::function<std::unique_ptr<TForm>()> make;
    int width, height;  // of the client area, at 96 per inch; 0: as the text needs
  };
  const std::vector<Row> rows = {
      {"settings", [&] { return std::make_unique<TSettingsDialog>(main, main.BigView1, main); },
       517, 333},
      {"search", [&] { return std::make_unique<TSearchDialog>(main); }, 487, 123},
      {"jump", [&] { return std::make_unique<TJumpDialog>(main); }, 342, 83},
      {"key list", [&] { return std::make_unique<TKeyListDialog>(KeyListLines(MainCommands())); },
       612, 393},
      {"launcher", [&] { return std::make_unique<TLauncherEditor>(main); }, 562, 153},
      {"notice",
       [&] {
         auto f = std::make_unique<TNoticeDialog>();
         f->Label1().SetCaption("表示行 : 999999     論理行 : 999999");
         return f;
       },
       392, 73},
      {"wrap switch", [&] { return std::make_unique<TWrapSwitchDialog>(main); }, 462, 53},
      {"exit question",
       [] {
         return std::make_unique<TMessageForm>("    終了しますか。          ", mtInformation,
                                               std::vector<TMsgDlgBtn>{mbYes, mbNo}, 0, 1);
       },
       0, 0},
      {"icon question",
       [] {
         return std::make_unique<TMessageForm>(
             "          アイコン化しますか。          \n\r\n\r   はい : アイコン化    "
             "いいえ : 終了          ",
             mtInformation, std::vector<TMsgDlgBtn>{mbYes, mbNo, mbCancel}, 0, 2);
       },
       0, 0},
      {"warning",
       [] {
         return std::make_unique<TMessageForm>(
             "   指定されたファイルがオープンできません。          ", mtWarning,
             std::vector<TMsgDlgBtn>{mbAbort}, kNoButton, kNoButton);
       },
       0, 0},
  };
  for (const Row& row : rows) {
    std::unique_ptr<TForm> form = row.make();
    form->Show();
    HWND h = HandleOf(*form);
    rig.PumpUntil([&] { return IsWindowVisible(h) != FALSE; });
    CheckResolution(*form, row.name);
    RECT client{};
    GetClientRect(h, &client);
    if (row.width > 0) {
      EXPECT_EQ(client.right, At(row.width)) << row.name;
      EXPECT_EQ(client.bottom, At(row.height)) << row.name;
    }
    if (auto* settings = dynamic_cast<TSettingsDialog*>(form.get())) {
      for (int page = 0; page < settings->TabNote().PageCount(); ++page) {
        settings->TabNote().SetActivePageIndex(page);
        CheckControls(h, row.name + ", page " + std::to_string(page + 1));
        // The page lies below the tabs.
        RECT tabs{}, area{};
        GetClientRect(HandleOf(settings->TabNote()), &area);
        SendMessageW(HandleOf(settings->TabNote()), TCM_GETITEMRECT, 0,
                     reinterpret_cast<LPARAM>(&tabs));
        EXPECT_GE(settings->TabNote().Page(page).Top(), tabs.bottom) << row.name;
      }
    } else {
      CheckControls(h, row.name);
    }
    form->Hide();
  }
  ControlEvents::Run([&] { main.Destroy(); });
}

// --- A window moved to a display of another resolution. ---

// Tells a form's window what the platform tells it when it moves to a
// display of `dpi`, with the rectangle it suggests.
void MoveToDisplay(TForm& form, int dpi, const RECT& suggested) {
  RECT r = suggested;
  SendMessageW(HandleOf(form), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
}

RECT WindowRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

TEST(Dpi, AWindowMovedToADisplayOfAnotherResolutionIsScaledAndKeepsItsTopLine) {
  const int other = RunDpi() == 96 ? 192 : 96;
  // At a set column, and at the window width, where the rows change.
  for (const int64_t wrap : {80, 0}) {
    MainRig rig("");
    TBigView& view = rig.form->BigView1;
    view.SetWrapByte(wrap);
    view.SetTopLine(view.ViewIndexOfLine(150));
    const int64_t top = view.TopLine();
    const int row = view.LineHeight();
    const RECT before = WindowRect(HandleOf(*rig.form));
    const RECT there{before.left + 10, before.top + 5,
                     before.left + 10 + MulDivRounded(before.right - before.left, other, RunDpi()),
                     before.top + 5 + MulDivRounded(before.bottom - before.top, other, RunDpi())};
    MoveToDisplay(*rig.form, other, there);
    rig.PumpUntil([] { return true; });
    const RECT now = WindowRect(HandleOf(*rig.form));
    EXPECT_TRUE(EqualRect(&now, &there)) << "wrap " << wrap << ": at " << now.left << "," << now.top
                                         << "-" << now.right << "," << now.bottom;
    EXPECT_EQ(view.PixelsPerInch(), other);
    EXPECT_EQ(view.Font().PixelsPerInch, other);
    EXPECT_LE(std::abs(view.LineHeight() - row * other / static_cast<double>(RunDpi())), 1.0)
        << "wrap " << wrap << ": rows of " << view.LineHeight() << " after " << row;
    EXPECT_EQ(view.LineIndexOfView(view.TopLine()), 150) << "wrap " << wrap;
    if (wrap != 0) {
      EXPECT_EQ(view.TopLine(), top);
    }
    // And back.
    MoveToDisplay(*rig.form, RunDpi(), before);
    rig.PumpUntil([] { return true; });
    EXPECT_EQ(view.LineHeight(), row) << "wrap " << wrap;
    EXPECT_EQ(view.LineIndexOfView(view.TopLine()), 150) << "wrap " << wrap;
  }
}

TEST(Dpi, ADialogMovedToADisplayOfAnotherResolutionKeepsItsControlsInside) {
  Rig rig;
  TForm1 main;
  TSettingsDialog form(main, main.BigView1, main);
  form.Show();
  const int other = RunDpi() == 96 ? 144 : 96;
  const RECT before = WindowRect(HandleOf(form));
  RECT client{};
  GetClientRect(HandleOf(form), &client);
  // The platform suggests the size the form asked for, which keeps its
  // client area's size in inches (Wine keeps the frame it has).
  SIZE wanted{};
  SendMessageW(HandleOf(form), 0x02E4 /* WM_GETDPISCALEDSIZE */, other,
               reinterpret_cast<LPARAM>(&wanted));
  RECT asked{0, 0, MulDivRounded(517, other, 96), MulDivRounded(333, other, 96)};
  win32::AdjustRectForDpi(asked, GetWindowLongW(HandleOf(form), GWL_STYLE), false,
                          GetWindowLongW(HandleOf(form), GWL_EXSTYLE), other);
  EXPECT_EQ(wanted.cx, asked.right - asked.left);
  EXPECT_EQ(wanted.cy, asked.bottom - asked.top);
  const RECT there{
      before.left, before.top,
      before.left + MulDivRounded(517, other, 96) + (before.right - before.left) - client.right,
      before.top + MulDivRounded(333, other, 96) + (before.bottom - before.top) - client.bottom};
  MoveToDisplay(form, other, there);
  rig.PumpUntil([] { return true; });
  GetClientRect(HandleOf(form), &client);
  EXPECT_EQ(client.right, MulDivRounded(517, other, 96));
  EXPECT_EQ(client.bottom, MulDivRounded(333, other, 96));
  EXPECT_EQ(form.CheckWrapChar().Font().PixelsPerInch, other);
  for (int page = 0; page < form.TabNote().PageCount(); ++page) {
    form.TabNote().SetActivePageIndex(page);
    CheckControls(HandleOf(form),
                  "settings at " + std::to_string(other) + ", page " + std::to_string(page + 1));
  }
  form.Hide();
  ControlEvents::Run([&] { main.Destroy(); });
}

}  // namespace
}  // namespace varlo
