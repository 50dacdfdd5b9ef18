// The settings file: where it is, and every key read at start and written
// at exit, in the order the file keeps them.
#include <string>

#include "app/main_form.h"
#include "platform/convert.h"
#include "platform/ini_file.h"

namespace varlo {
namespace {

// Boolean keys read as integers with 0 or 1 as the default; any non-zero
// value is true.
bool ReadBool(TIniFile& ini, const char* section, const char* key, bool fallback) {
  return IniInteger(ini.ReadString(section, key, ""), fallback ? 1 : 0) != 0;
}

int ReadInt(TIniFile& ini, const char* section, const char* key, int fallback) {
  return IniInteger(ini.ReadString(section, key, ""), fallback);
}

// A key missing from the file reads as the default; an empty value that is
// present stays empty (and fails later, where a number is needed).
std::string ReadStr(TIniFile& ini, const char* section, const char* key, const char* fallback) {
  return ini.ReadString(section, key, fallback);
}

}  // namespace

std::filesystem::path TForm1::IniFileName() {
  // The extension is what follows the last "." after the last separator;
  // in UTF-8 no byte of another character can be one of these.
  std::string path = Application().ExeName();
  const size_t sep = path.find_last_of("\\/:");
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) path.erase(dot);
  return PathFromUtf8(path + ".INI");
}

void TForm1::ReadIniFileValue() {
  TIniFile ini(IniFileName());
  FFormMem = ReadBool(ini, "FormMain", "Mem", false);
  FFormLeft = ReadInt(ini, "FormMain", "Left", -1);
  FFormTop = ReadInt(ini, "FormMain", "Top", -1);
  FFormWidth = ReadInt(ini, "FormMain", "Width", -1);
  FFormHeight = ReadInt(ini, "FormMain", "Height", -1);
  FFindStr[1] = ReadStr(ini, "FindStrName", "1", "");
  FJumpLine[1] = ReadStr(ini, "JumpLineNum", "1", "");
  FCheckWrapChar = ReadBool(ini, "KoumokuSetName", "CheckWrapChar", true);
  FCheckTabChar = ReadBool(ini, "KoumokuSetName", "CheckTabChar", true);
  FCheckFindScroll = ReadBool(ini, "KoumokuSetName", "CheckFindScroll", true);
  FCheckScrollSense = ReadBool(ini, "KoumokuSetName", "CheckScrollSense", true);
  FCheckCloseDialog = ReadBool(ini, "KoumokuSetName", "CheckCloseDialog", true);
  FEditSearchResum = ReadStr(ini, "KoumokuSetNum", "EditSearchResum", "1");
  FEditJumpResum = ReadStr(ini, "KoumokuSetNum", "EditJumpResum", "1");
  FEditWrapChar = ReadStr(ini, "KoumokuSetNum", "EditWrapChar", "80");
  FEditTabChar = ReadStr(ini, "KoumokuSetNum", "EditTabChar", "4");
  FEditFindScroll = ReadStr(ini, "KoumokuSetNum", "EditFindScroll", "0");
  FEditScrollSense = ReadStr(ini, "KoumokuSetNum", "EditScrollSense", "1");
  FTextFontName = ReadStr(ini, "TextJyouhou", "TextFontName", "system");
  FTextFontSize = ReadStr(ini, "TextJyouhou", "TextFontSize", "14");
  FTextFontColor = ini.ReadString("TextJyouhou", "TextFontColor", ColorToString(0x00000000));
  FTextBackColor = ini.ReadString("TextJyouhou", "TextBackColor", ColorToString(0x80000005));
  for (int n = 1; n <= 2; ++n) FProgTitle[n] = ReadStr(ini, "ProgTitle", n == 1 ? "1" : "2", "");
  for (int n = 1; n <= 2; ++n) FProgName[n] = ReadStr(ini, "ProgName", n == 1 ? "1" : "2", "");
  for (int n = 1; n <= 2; ++n) FProgDir[n] = ReadStr(ini, "ProgDir", n == 1 ? "1" : "2", "");
  for (int n = 1; n <= 2; ++n)
    FProgShortCut[n] = ReadStr(ini, "ProgShortCut", n == 1 ? "1" : "2", "");
  for (int n = 1; n <= 2; ++n) FProgOption[n] = ReadStr(ini, "ProgOption", n == 1 ? "1" : "2", "");
  FSearchUperLower = ReadBool(ini, "SearchUperLower", "Set", false);
}

void TForm1::WriteIniFileValue() {
  TIniFile ini(IniFileName());
  const auto integer = [&](const char* section, const char* key, int value) {
    ini.WriteString(section, key, std::to_string(value));
  };
  const auto boolean = [&](const char* section, const char* key, bool value) {
    ini.WriteString(section, key, value ? "1" : "0");
  };
  boolean("FormMain", "Mem", FFormMem);
  integer("FormMain", "Left", FFormLeft);
  integer("FormMain", "Top", FFormTop);
  integer("FormMain", "Width", FFormWidth);
  integer("FormMain", "Height", FFormHeight);
  ini.WriteString("FindStrName", "1", FFindStr[1]);
  ini.WriteString("JumpLineNum", "1", FJumpLine[1]);
  boolean("KoumokuSetName", "CheckWrapChar", FCheckWrapChar);
  boolean("KoumokuSetName", "CheckTabChar", FCheckTabChar);
  boolean("KoumokuSetName", "CheckFindScroll", FCheckFindScroll);
  boolean("KoumokuSetName", "CheckScrollSense", FCheckScrollSense);
  boolean("KoumokuSetName", "CheckCloseDialog", FCheckCloseDialog);
  ini.WriteString("KoumokuSetNum", "EditSearchResum", FEditSearchResum);
  ini.WriteString("KoumokuSetNum", "EditJumpResum", FEditJumpResum);
  ini.WriteString("KoumokuSetNum", "EditWrapChar", FEditWrapChar);
  ini.WriteString("KoumokuSetNum", "EditTabChar", FEditTabChar);
  ini.WriteString("KoumokuSetNum", "EditFindScroll", FEditFindScroll);
  ini.WriteString("KoumokuSetNum", "EditScrollSense", FEditScrollSense);
  ini.WriteString("TextJyouhou", "TextFontName", FTextFontName);
  ini.WriteString("TextJyouhou", "TextFontSize", FTextFontSize);
  ini.WriteString("TextJyouhou", "TextFontColor", FTextFontColor);
  ini.WriteString("TextJyouhou", "TextBackColor", FTextBackColor);
  const auto records = [&](const char* section, const std::array<std::string, 3>& values) {
    ini.WriteString(section, "1", values[1]);
    ini.WriteString(section, "2", values[2]);
  };
  records("ProgTitle", FProgTitle);
  records("ProgName", FProgName);
  records("ProgOption", FProgOption);
  records("ProgDir", FProgDir);
  records("ProgShortCut", FProgShortCut);
  boolean("SearchUperLower", "Set", FSearchUperLower);
}

}  // namespace varlo
