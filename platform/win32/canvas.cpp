#include "platform/win32/canvas.h"

#include <map>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/codepage.h"
#include "platform/win32/dpi.h"

namespace varlo::win32 {

COLORREF ToColorRef(TColor color) {
  const TColor rgb = CurrentBackend().ColorToRGB(color);
  return RGB(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

namespace {

// The face "System" is the system font of the platform: one size only,
// characters 16 pixels high at 96 per inch whatever height is asked for,
// and the forms are laid out for it. A scalable Japanese monospace face of
// that size stands in for it, so that it grows with the display's
// resolution.
bool IsSystemFace(const std::string& name) {
  constexpr std::string_view kSystem = "system";
  if (name.size() != kSystem.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if ((name[i] | 0x20) != kSystem[i]) return false;
  return true;
}
constexpr int kSystemHeight = -16;
constexpr wchar_t kSystemStandIn[] = L"ＭＳ ゴシック";

}  // namespace

HFONT FontHandle(const TFont& font) {
  using Key = std::tuple<std::string, int, uint8_t, int>;
  static std::map<Key, UniqueFont> fonts;
  const Key key{font.Name, font.Height, font.Style, font.PixelsPerInch};
  auto it = fonts.find(key);
  if (it == fonts.end()) {
    const bool system = IsSystemFace(font.Name);
    const int height =
        system ? MulDivRounded(kSystemHeight, font.PixelsPerInch, kPixelsPerInch) : font.Height;
    const std::wstring face = system ? std::wstring(kSystemStandIn) : ToWide(kUtf8, font.Name);
    // Shift-JIS character set: the face is matched with one that has the
    // Japanese glyphs the text needs.
    HFONT h = CreateFontW(
        height, 0, 0, 0, (font.Style & fsBold) ? FW_BOLD : FW_NORMAL, (font.Style & fsItalic) != 0,
        (font.Style & fsUnderline) != 0, (font.Style & fsStrikeOut) != 0, SHIFTJIS_CHARSET,
        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
        system ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (h == nullptr) h = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    it = fonts.emplace(key, UniqueFont(h)).first;
  }
  return static_cast<HFONT>(it->second.Get());
}

void GdiCanvas::Fill(const TRect& rect, TColor color) {
  if (rect.Empty()) return;
  UniqueBrush brush(CreateSolidBrush(ToColorRef(color)));
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  ::FillRect(FDc, &r, static_cast<HBRUSH>(brush.Get()));
}

void GdiCanvas::Text(int x, int y, std::string_view text, const TFont& font, TColor background) {
  if (text.empty()) return;
  const std::wstring wide = ToWide(kShiftJis, text);
  Selected f(FDc, FontHandle(font));
  SetTextColor(FDc, ToColorRef(font.Color));
  SetBkColor(FDc, ToColorRef(background));
  SetBkMode(FDc, OPAQUE);
  SetTextAlign(FDc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ExtTextOutW(FDc, x, y, 0, nullptr, wide.data(), static_cast<UINT>(wide.size()), nullptr);
}

int GdiCanvas::Width(std::string_view text, const TFont& font) {
  if (text.empty()) return 0;
  const std::wstring wide = ToWide(kShiftJis, text);
  Selected f(FDc, FontHandle(font));
  SIZE size{};
  GetTextExtentPoint32W(FDc, wide.data(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

void GdiCanvas::Widths(std::span<const std::string_view> texts, std::span<int> widths,
                       const TFont& font) {
  // One string of all the texts; its running extents give each one's width
  // in a single call instead of one call per text.
  std::wstring all;
  std::vector<size_t> ends;
  ends.reserve(texts.size());
  for (std::string_view t : texts) {
    all += ToWide(kShiftJis, t);
    ends.push_back(all.size());
  }
  std::vector<int> extents(all.size() + 1, 0);
  Selected f(FDc, FontHandle(font));
  SIZE total{};
  if (!all.empty())
    GetTextExtentExPointW(FDc, all.data(), static_cast<int>(all.size()), 0, nullptr,
                          extents.data() + 1, &total);
  size_t begin = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    widths[i] = extents[ends[i]] - extents[begin];
    begin = ends[i];
  }
}

int GdiCanvas::WidthUtf8(std::string_view text, const TFont& font) {
  if (text.empty()) return 0;
  const std::wstring wide = ToWide(kUtf8, text);
  Selected f(FDc, FontHandle(font));
  SIZE size{};
  GetTextExtentPoint32W(FDc, wide.data(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

void GdiCanvas::Icon(int x, int y, int size, TSystemIcon icon) {
  static const LPCWSTR kIcons[] = {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION};
  // Drawn from the image of that size, not stretched from a smaller one.
  const UniqueIcon h(LoadSystemIcon(kIcons[static_cast<int>(icon)], size));
  DrawIconEx(FDc, x, y, h.Get(), size, size, 0, nullptr, DI_NORMAL);
}

TTextMetric GdiCanvas::Metrics(const TFont& font) {
  Selected f(FDc, FontHandle(font));
  TEXTMETRICW tm{};
  GetTextMetricsW(FDc, &tm);
  TTextMetric m;
  m.Height = tm.tmHeight;
  m.Ascent = tm.tmAscent;
  m.Descent = tm.tmDescent;
  m.InternalLeading = tm.tmInternalLeading;
  m.ExternalLeading = tm.tmExternalLeading;
  m.AveCharWidth = tm.tmAveCharWidth;
  m.MaxCharWidth = tm.tmMaxCharWidth;
  return m;
}

void GdiCanvas::Copy(const TRect& dest, HDC source, const TRect& src, TCopyMode mode) {
  const int w = std::min(dest.Width(), src.Width()), h = std::min(dest.Height(), src.Height());
  if (w <= 0 || h <= 0) return;
  BitBlt(FDc, dest.Left, dest.Top, w, h, source, src.Left, src.Top, static_cast<DWORD>(mode));
}

HDC DcOf(TCanvas& canvas) {
  if (auto* g = dynamic_cast<GdiCanvas*>(&canvas)) return g->Dc();
  throw std::logic_error("not a GDI canvas");
}

void DcCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& src) {
  Copy(dest, DcOf(source), src, CopyMode());
}

DibCanvas::DibCanvas() : GdiCanvasOf(nullptr), FMemoryDc(CreateCompatibleDC(nullptr)) {
  SetDc(FMemoryDc.Get());
}

DibCanvas::~DibCanvas() {
  // A bitmap is deleted only once it is no longer selected.
  if (FOriginal != nullptr) SelectObject(FMemoryDc.Get(), FOriginal);
}

void DibCanvas::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = std::max(width, 1);
  info.bmiHeader.biHeight = -std::max(height, 1);  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(FMemoryDc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) throw std::runtime_error("ビットマップを作成できません");
  // Keep what the old bitmap showed; the rest starts in the brush colour.
  UniqueMemoryDc scratch(CreateCompatibleDC(nullptr));
  {
    Selected into(scratch.Get(), bitmap.Get());
    const RECT all{0, 0, std::max(width, 1), std::max(height, 1)};
    UniqueBrush brush(CreateSolidBrush(ToColorRef(BrushColor())));
    ::FillRect(scratch.Get(), &all, static_cast<HBRUSH>(brush.Get()));
    if (FBitmap)
      BitBlt(scratch.Get(), 0, 0, std::min(width, FWidth), std::min(height, FHeight),
             FMemoryDc.Get(), 0, 0, SRCCOPY);
  }
  HGDIOBJ old = SelectObject(FMemoryDc.Get(), bitmap.Get());
  if (FOriginal == nullptr) FOriginal = old;
  FBitmap = std::move(bitmap);
  FBits = static_cast<uint32_t*>(bits);
  FWidth = width;
  FHeight = height;
}

TColor DibCanvas::Pixel(int x, int y) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return clNone;
  GdiFlush();
  const uint32_t bgra = FBits[static_cast<size_t>(y) * std::max(FWidth, 1) + x];
  // 0x00RRGGBB in memory order B, G, R; a TColor is 0x00BBGGRR.
  return ((bgra & 0xFF) << 16) | (bgra & 0xFF00) | ((bgra >> 16) & 0xFF);
}

void DibCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& src) {
  Copy(dest, DcOf(source), src, CopyMode());
}

}  // namespace varlo::win32
