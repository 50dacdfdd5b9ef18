// Any bytes as the settings file: the program starts (or stops its start
// with the conversion error, and only with it), every display number it
// took is within its range, and the file it writes at exit reads back to
// the values it held.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/main_form.h"
#include "app/settings.h"
#include "fuzz/store_check.h"
#include "platform/convert.h"
#include "platform/offscreen/backend.h"

using namespace varlo;
using namespace varlo::fuzz;

namespace {

std::filesystem::path Folder() {
  static const std::filesystem::path folder = [] {
    char name[] = "/tmp/varlo-settings-XXXXXX";
    Require(::mkdtemp(name) != nullptr, "a scratch folder");
    return std::filesystem::path(name);
  }();
  return folder;
}

bool IsConversionError(const std::string& message) {
  const std::string tail = "' は整数ではありません";
  return message.size() >= tail.size() + 1 && message.front() == '\'' &&
         message.compare(message.size() - tail.size(), tail.size(), tail) == 0;
}

// The value a number text has, when it has one.
bool InRange(const std::string& text, int lo, int hi) {
  const std::optional<int32_t> n = ParseInteger(text);
  return n && *n >= lo && *n <= hi;
}

std::string Text(const TSetting& row) {
  if (auto* b = std::get_if<bool*>(&row.Field)) return **b ? "1" : "0";
  if (auto* i = std::get_if<int*>(&row.Field)) return std::to_string(**i);
  return *std::get<std::string*>(row.Field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static offscreen::OffscreenBackend backend;
  SetCurrentBackend(&backend);
  const std::filesystem::path ini = Folder() / "varlo.INI";
  backend.SetExecutablePath((Folder() / "varlo.exe").string());
  backend.ClearErrors();
  {
    std::ofstream out(ini, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  {
    TForm1 form;
    const auto& errors = backend.Errors();
    Require(errors.size() <= 1, "at most one error at start");
    if (errors.empty()) {
      // A start that went through applied numbers within their ranges.
      Require(InRange(form.FEditWrapChar, 2, 255), "wrap column in range");
      Require(form.BigView1.WrapByte() == *ParseInteger(form.FEditWrapChar), "wrap applied");
      if (form.FCheckTabChar) Require(InRange(form.FEditTabChar, 1, 16), "tab width in range");
      if (form.FCheckScrollSense)
        Require(InRange(form.FEditScrollSense, 1, 10), "scroll step in range");
      Require(form.FFindScroll >= 0 && form.FFindScroll <= 16, "lines above a hit in range");
    } else {
      Require(IsConversionError(errors[0]), "only the conversion error stops the start");
    }
    ControlEvents::Run([&] { form.Destroy(); });
    Require(backend.Errors().size() == errors.size(), "the file is written at exit");
    TMainState back;
    ReadSettings(ini, back);
    const std::vector<TSetting> held = SettingsOf(form), read = SettingsOf(back);
    for (size_t i = 0; i < held.size(); ++i)
      Require(Text(held[i]) == Text(read[i]), "the file reads back to what was held");
  }
  SetCurrentBackend(nullptr);
  return 0;
}
