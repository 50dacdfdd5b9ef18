// What varlo.exe carries for Windows, read back from the built executable
// as Windows reads it: the manifest (taken into an activation context, as
// a start does), the icon in the sizes Windows shows, and the version.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/codepage.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

namespace fs = std::filesystem;
using win32::FromWide;
using win32::kUtf8;
using win32::ToWide;

fs::path Built(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path().parent_path() / L"app" / name;
}

// The executable as a file of resources, not as a program.
class Resources {
 public:
  Resources()
      : FModule(LoadLibraryExW(Built(L"varlo.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~Resources() {
    if (FModule != nullptr) FreeLibrary(FModule);
  }
  HMODULE Module() const { return FModule; }
  std::string Bytes(LPCWSTR type, LPCWSTR name) const {
    HRSRC found = FindResourceW(FModule, name, type);
    if (found == nullptr) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(FModule, found)));
    return std::string(data, SizeofResource(FModule, found));
  }

 private:
  HMODULE FModule;
};

TEST(Executable, ItsManifestMakesItAwareOfEachDisplaysResolution) {
  Resources exe;
  ASSERT_NE(exe.Module(), nullptr);
  const std::string manifest = exe.Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  for (const char* wanted : {
           ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
           ">true</longPathAware>",
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
       })
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted << " missing from\n" << manifest;
  // The program's Shift-JIS rules hold on every system code page: it sets
  // none of its own.
  EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);

  // Windows takes it as a start would, the controls' assembly found.
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  const std::wstring exePath = Built(L"varlo.exe").wstring();
  context.lpSource = exePath.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE activation = CreateActCtxW(&context);
  ASSERT_NE(activation, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(activation, &cookie));
  // Its windows get the controls of version 6, from their own assembly.
  ACTCTX_SECTION_KEYED_DATA found{};
  found.cbSize = sizeof found;
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                       L"comctl32.dll", &found))
      << "error " << GetLastError();
  DeactivateActCtx(0, cookie);
  ReleaseActCtx(activation);
}

#pragma pack(push, 2)
struct GroupEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(Executable, ItsIconHasAnImageForEachSizeWindowsShows) {
  Resources exe;
  const std::string group = exe.Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  ASSERT_GE(group.size(), 6u);
  const auto count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6 + count * sizeof(GroupEntry));
  std::set<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const auto& e = *reinterpret_cast<const GroupEntry*>(group.data() + 6 + i * sizeof(GroupEntry));
    const int size = e.width == 0 ? 256 : e.width;
    EXPECT_EQ(e.height == 0 ? 256 : e.height, size);
    EXPECT_EQ(e.bits, 32) << size;
    sizes.insert(size);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}));
  // Each loads at its own size, not stretched from another.
  for (int size : sizes) {
    auto icon = static_cast<HICON>(
        LoadImageW(exe.Module(), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

std::string VersionText(const std::vector<char>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
  return FromWide(kUtf8, std::wstring(static_cast<const wchar_t*>(value), length - 1));
}

TEST(Executable, ItsVersionIsTheProjectsAndTheHelpPageShowsIt) {
  const std::wstring exe = Built(L"varlo.exe").wstring();
  DWORD ignored = 0;
  std::vector<char> block(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  EXPECT_EQ(VersionText(block, L"ProductName"), "Varlo");
  EXPECT_EQ(VersionText(block, L"FileDescription"), VARLO_DESCRIPTION);
  EXPECT_EQ(VersionText(block, L"ProductVersion"), VARLO_VERSION);
  EXPECT_EQ(VersionText(block, L"FileVersion"), VARLO_VERSION);
  EXPECT_EQ(VersionText(block, L"LegalCopyright"), VARLO_COPYRIGHT);
  EXPECT_EQ(VersionText(block, L"OriginalFilename"), "varlo.exe");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const std::string shown = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                            std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                            std::to_string(HIWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(shown, VARLO_VERSION);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const std::string help = testing::ReadAll(Built(L"varlo.html"));
  EXPECT_NE(help.find(std::string("バージョン ") + VARLO_VERSION), std::string::npos);
}

}  // namespace
}  // namespace varlo
