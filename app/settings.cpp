#include "app/settings.h"

#include "platform/convert.h"
#include "platform/ini_file.h"

namespace varlo {

std::vector<TSetting> SettingsOf(TMainState& s) {
  // clang-format off
  return {
      {"FormMain",        "Mem",              &s.FFormMem,          "0"},
      {"FormMain",        "Left",             &s.FFormLeft,         "-1"},
      {"FormMain",        "Top",              &s.FFormTop,          "-1"},
      {"FormMain",        "Width",            &s.FFormWidth,        "-1"},
      {"FormMain",        "Height",           &s.FFormHeight,       "-1"},
      {"FindStrName",     "1",                &s.FFindStr[1],       ""},
      {"JumpLineNum",     "1",                &s.FJumpLine[1],      ""},
      {"KoumokuSetName",  "CheckWrapChar",    &s.FCheckWrapChar,    "1"},
      {"KoumokuSetName",  "CheckTabChar",     &s.FCheckTabChar,     "1"},
      {"KoumokuSetName",  "CheckFindScroll",  &s.FCheckFindScroll,  "1"},
      {"KoumokuSetName",  "CheckScrollSense", &s.FCheckScrollSense, "1"},
      {"KoumokuSetName",  "CheckCloseDialog", &s.FCheckCloseDialog, "1"},
      {"KoumokuSetNum",   "EditSearchResum",  &s.FEditSearchResum,  "1"},
      {"KoumokuSetNum",   "EditJumpResum",    &s.FEditJumpResum,    "1"},
      {"KoumokuSetNum",   "EditWrapChar",     &s.FEditWrapChar,     "80"},
      {"KoumokuSetNum",   "EditTabChar",      &s.FEditTabChar,      "4"},
      {"KoumokuSetNum",   "EditFindScroll",   &s.FEditFindScroll,   "0"},
      {"KoumokuSetNum",   "EditScrollSense",  &s.FEditScrollSense,  "1"},
      {"TextJyouhou",     "TextFontName",     &s.FTextFontName,     "system"},
      {"TextJyouhou",     "TextFontSize",     &s.FTextFontSize,     "14"},
      {"TextJyouhou",     "TextFontColor",    &s.FTextFontColor,    ColorToString(0x00000000)},
      {"TextJyouhou",     "TextBackColor",    &s.FTextBackColor,    ColorToString(0x80000005)},
      {"ProgTitle",       "1",                &s.FProgTitle[1],     ""},
      {"ProgTitle",       "2",                &s.FProgTitle[2],     ""},
      {"ProgName",        "1",                &s.FProgName[1],      ""},
      {"ProgName",        "2",                &s.FProgName[2],      ""},
      {"ProgOption",      "1",                &s.FProgOption[1],    ""},
      {"ProgOption",      "2",                &s.FProgOption[2],    ""},
      {"ProgDir",         "1",                &s.FProgDir[1],       ""},
      {"ProgDir",         "2",                &s.FProgDir[2],       ""},
      {"ProgShortCut",    "1",                &s.FProgShortCut[1],  ""},
      {"ProgShortCut",    "2",                &s.FProgShortCut[2],  ""},
      {"SearchUperLower", "Set",              &s.FSearchUperLower,  "0"},
  };
  // clang-format on
}

namespace {

struct Reader {
  TIniFile& ini;
  const TSetting& row;
  // Numbers: anything that does not parse is the default. A missing key
  // reads as the default; an empty value that is present stays empty (and
  // fails later, where a number is needed).
  void operator()(bool* field) const { *field = Number() != 0; }
  void operator()(int* field) const { *field = Number(); }
  void operator()(std::string* field) const {
    *field = ini.ReadString(row.Section, row.Key, row.Default);
  }
  int Number() const {
    return IniInteger(ini.ReadString(row.Section, row.Key, ""), StrToInt(row.Default));
  }
};

std::string TextOf(const std::variant<bool*, int*, std::string*>& field) {
  struct {
    std::string operator()(bool* f) const { return *f ? "1" : "0"; }
    std::string operator()(int* f) const { return std::to_string(*f); }
    std::string operator()(std::string* f) const { return *f; }
  } text;
  return std::visit(text, field);
}

}  // namespace

void ReadSettings(const std::filesystem::path& file, TMainState& state) {
  TIniFile ini(file);
  for (const TSetting& row : SettingsOf(state)) std::visit(Reader{ini, row}, row.Field);
}

void WriteSettings(const std::filesystem::path& file, TMainState& state) {
  TIniFile ini(file);
  for (const TSetting& row : SettingsOf(state))
    ini.WriteString(row.Section, row.Key, TextOf(row.Field));
  ini.UpdateFile();
}

}  // namespace varlo
