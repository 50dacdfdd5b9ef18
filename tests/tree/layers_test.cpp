// The layers of the program as floors, checked on its sources: a file
// includes files of its own floor and of the floors below it, never one
// above, inside a folder as between folders. Only the Win32 backend
// includes <windows.h>.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace varlo {
namespace {

namespace fs = std::filesystem;

struct Floor {
  std::string name;
  // Files by their path without extension, or whole folders ("x/").
  std::vector<std::string> files;
  // The floors it stands on: it may include theirs and what they may.
  std::vector<std::string> on;
};

// Bottom to top.
const std::vector<Floor> kFloors = {
    {"platform base",
     {"platform/bitmap", "platform/canvas", "platform/checked", "platform/convert",
      "platform/cp932", "platform/errors", "platform/file", "platform/font", "platform/ini_file",
      "platform/large_vector", "platform/memory", "platform/pages_ahead", "platform/string_list",
      "platform/text", "platform/types"},
     {}},
    {"platform windows",
     {"platform/backend", "platform/control", "platform/menu", "platform/timer"},
     {"platform base"}},
    {"platform toolkit",
     {"platform/application", "platform/dialogs", "platform/forms", "platform/shell"},
     {"platform windows"}},
    {"platform backends",
     {"platform/offscreen/", "platform/posix/", "platform/win32/"},
     {"platform toolkit"}},
    {"bigview", {"bigview/"}, {"platform toolkit"}},
    {"dialogs state", {"dialogs/display_settings", "dialogs/main_state"}, {"bigview"}},
    {"dialogs", {"dialogs/"}, {"dialogs state"}},
    {"app parts", {"app/launch_template", "app/search_mark", "app/settings"}, {"dialogs"}},
    {"app main window",
     {"app/commands", "app/launchers", "app/main_form", "app/option_commands",
      "app/search_commands"},
     {"app parts"}},
    {"app program", {"app/main"}, {"app main window"}},
};

// The floor of a file (path from the top of the tree): the one naming the
// file itself, else the one holding its folder; empty for none.
std::string FloorOf(const std::string& path) {
  const std::string stem = path.substr(0, path.rfind('.'));
  std::string folderFloor;
  size_t folderLength = 0;
  for (const Floor& floor : kFloors)
    for (const std::string& f : floor.files) {
      if (f == stem) return floor.name;
      if (f.back() == '/' && path.rfind(f, 0) == 0 && f.size() > folderLength) {
        folderFloor = floor.name;
        folderLength = f.size();
      }
    }
  return folderFloor;
}

// The floors a floor may include: its own and all below it.
std::set<std::string> Reach(const std::string& name) {
  std::set<std::string> reach = {name};
  for (const Floor& floor : kFloors)
    if (floor.name == name)
      for (const std::string& below : floor.on) reach.merge(Reach(below));
  return reach;
}

// What is wrong with `from` including `included`; empty when nothing.
std::string Fault(const std::string& from, const std::string& included) {
  const std::string a = FloorOf(from), b = FloorOf(included);
  if (b.empty()) return {};  // outside the layers (tests, tools)
  if (Reach(a).contains(b)) return {};
  return from + " (" + a + ") includes " + included + " (" + b + ")";
}

const fs::path kTop = VARLO_SOURCE_DIR;

std::vector<std::string> Sources() {
  std::vector<std::string> files;
  for (const char* folder : {"app", "bigview", "dialogs", "platform"})
    for (const auto& entry : fs::recursive_directory_iterator(kTop / folder)) {
      const fs::path& p = entry.path();
      if (p.extension() == ".h" || p.extension() == ".cpp")
        files.push_back(p.lexically_relative(kTop).generic_string());
    }
  std::sort(files.begin(), files.end());
  return files;
}

// The files a source includes, as written between < > or quotes.
std::vector<std::string> Includes(const std::string& file, char open) {
  std::ifstream in(kTop / file);
  std::vector<std::string> names;
  const char close = open == '<' ? '>' : '"';
  for (std::string line; std::getline(in, line);) {
    const std::string directive = "#include " + std::string(1, open);
    if (line.rfind(directive, 0) != 0) continue;
    const size_t end = line.find(close, directive.size());
    if (end != std::string::npos)
      names.push_back(line.substr(directive.size(), end - directive.size()));
  }
  return names;
}

TEST(Layers, EverySourceIsOnAFloorAndIncludesNothingAbove) {
  const std::vector<std::string> files = Sources();
  ASSERT_GT(files.size(), 100u);
  std::vector<std::string> faults;
  for (const std::string& file : files) {
    if (FloorOf(file).empty()) faults.push_back(file + " is on no floor");
    for (const std::string& included : Includes(file, '"'))
      if (std::string fault = Fault(file, included); !fault.empty()) faults.push_back(fault);
  }
  EXPECT_EQ(faults, std::vector<std::string>{});
}

TEST(Layers, OnlyTheWin32BackendIncludesWindowsHeaders) {
  std::vector<std::string> faults;
  for (const std::string& file : Sources()) {
    if (file.rfind("platform/win32/", 0) == 0) continue;
    for (const std::string& included : Includes(file, '<'))
      if (included == "windows.h") faults.push_back(file);
  }
  EXPECT_EQ(faults, std::vector<std::string>{});
}

// The check itself: what it lets through and what it stops.
TEST(Layers, TheCheckTellsDownFromUp) {
  const struct {
    const char* from;
    const char* included;
    bool allowed;
  } rows[] = {
      {"platform/forms.cpp", "platform/application.h", true},
      {"platform/control.cpp", "platform/backend.h", true},
      {"platform/control.cpp", "platform/application.h", false},
      {"platform/ini_file.cpp", "platform/forms.h", false},
      {"platform/win32/window.cpp", "platform/forms.h", true},
      {"bigview/paint.cpp", "platform/win32/window.h", false},
      {"dialogs/jump_form.cpp", "dialogs/main_state.h", true},
      {"dialogs/main_state.h", "dialogs/jump_form.h", false},
      {"dialogs/search_form.cpp", "app/main_form.h", false},
      {"app/settings.cpp", "app/main_form.h", false},
      {"app/main_form.cpp", "app/settings.h", true},
      {"app/main.cpp", "app/main_form.h", true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Fault(row.from, row.included).empty(), row.allowed)
        << row.from << " -> " << row.included;
}

}  // namespace
}  // namespace varlo
