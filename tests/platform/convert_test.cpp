// The run-time's number and colour conversions, and the settings file's
// reading and writing rules.
#include <gtest/gtest.h>

#include <filesystem>

#include <string>

#include "platform/application.h"
#include "platform/convert.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

TEST(Convert, IntegerParseFollowsTheRunTime) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"12", 12},
      {"  12", 12},
      {"+12", 12},
      {"-12", -12},
      {"$A", 10},
      {"$ff", 255},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"$100000000", std::nullopt},
      {"12a", std::nullopt},
      {"12 ", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"$", std::nullopt},
      {"+", std::nullopt},
      {"0x10", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInteger(c.text), c.value) << "text '" << c.text << "'";
  // The message names the text; a NUL in it would cut the message short.
  for (const auto& [text, message] :
       {std::pair{std::string("abc"), "'abc' は整数ではありません"},
        std::pair{std::string("1\0x\t", 4), "'1?x?' は整数ではありません"}}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
}

TEST(Convert, SettingsIntegersTakeZeroXAsHexAndFallBack) {
  EXPECT_EQ(IniInteger("0x1", 7), 1);
  EXPECT_EQ(IniInteger("0X1f", 7), 31);
  EXPECT_EQ(IniInteger("0x", 7), 7);
  EXPECT_EQ(IniInteger("abc", 7), 7);
  EXPECT_EQ(IniInteger("", -1), -1);
  EXPECT_EQ(IniInteger("$10", 7), 16);
}

TEST(Convert, ColoursByNameOrNumberAndBack) {
  EXPECT_EQ(StringToColor("clBlue"), clBlue);
  EXPECT_EQ(StringToColor("CLBLUE"), clBlue);
  EXPECT_EQ(StringToColor("$00FF0000"), clBlue);
  EXPECT_EQ(StringToColor("clWindow"), clWindow);
  EXPECT_EQ(StringToColor("$80000005"), clWindow);
  EXPECT_EQ(StringToColor("255"), clRed);
  EXPECT_THROW(StringToColor("blue"), ConvertError);
  EXPECT_EQ(ColorToString(0), "clBlack");
  EXPECT_EQ(ColorToString(0x80000005), "clWindow");
  EXPECT_EQ(ColorToString(0x80000018), "clInfoBk");
  EXPECT_EQ(ColorToString(0x1FFFFFFF), "clNone");
  EXPECT_EQ(ColorToString(0x00123456), "$00123456");
  EXPECT_EQ(ColorToString(0x00ABCDEF), "$00ABCDEF");
}

TEST(Convert, ShiftJisAndUtf8) {
  EXPECT_EQ(Utf8FromShiftJis("\x93\xfa\x96\x7b"
                             "abc\xb1"),
            "日本abcｱ");
  EXPECT_EQ(ShiftJisFromUtf8("日本abcｱ"),
            "\x93\xfa\x96\x7b"
            "abc\xb1");
  bool lossless = true;
  EXPECT_EQ(ShiftJisFromUtf8("a한b", &lossless), "a?b");
  EXPECT_FALSE(lossless);
  // An undefined pair is one replacement.
  EXPECT_EQ(Utf8FromShiftJis("\x85\x40"
                             "x"),
            "・x");
}

TEST(IniFile, ReadsWithThePlatformsLookupRules) {
  testing::TempDir dir;
  const auto path =
      dir.Write("a.ini",
                "; comment\r\n[Sect]\r\n  Key  =  value with blanks  \r\nq=\"quoted \"\r\n"
                "empty=\r\nbytes=\x93\xfa\x96\x7b\r\n[Other]\r\nKey=other\r\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("sect", "KEY", "d"), "value with blanks");
  EXPECT_EQ(ini.ReadString("Sect", "q", "d"), "quoted ");
  EXPECT_EQ(ini.ReadString("Sect", "empty", "d"), "");
  EXPECT_EQ(ini.ReadString("Sect", "missing", "d"), "d");
  EXPECT_EQ(ini.ReadString("Nowhere", "Key", "d"), "d");
  EXPECT_EQ(ini.ReadString("Other", "Key", "d"), "other");
  EXPECT_EQ(ini.ReadString("Sect", "bytes", ""), "\x93\xfa\x96\x7b");
  TIniFile none(dir.Path() / "none.ini");
  EXPECT_EQ(none.ReadString("a", "b", "fallback"), "fallback");
  // At most 1023 bytes of a value are seen.
  dir.Write("long.ini", "[s]\r\nk=" + std::string(2000, 'v') + "\r\n");
  TIniFile longer(dir.Path() / "long.ini");
  EXPECT_EQ(longer.ReadString("s", "k", "").size(), 1023u);
}

TEST(IniFile, AFileInUtf8OrUtf16KeepsItsEncodingAndWhatShiftJisCannotHold) {
  // 検索 in Shift-JIS, and a comment in a script it has not.
  const std::string kensaku = "\x8c\x9f\x8d\xf5";
  const std::string utf8 = "; 한글\r\n[FindStrName]\r\n1=検索\r\n";
  const auto utf16 = [](bool big) {
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : std::u16string(u"; 한글\r\n[FindStrName]\r\n1=検索\r\n")) {
      const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
      out += big ? hi : lo;
      out += big ? lo : hi;
    }
    return out;
  };
  testing::TempDir dir;
  for (const std::string& bytes : {"\xEF\xBB\xBF" + utf8, utf16(false), utf16(true)}) {
    const auto path = dir.Write("u.ini", bytes);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("FindStrName", "1", ""), kensaku);
    ini.WriteString("FindStrName", "1", kensaku);
    ini.UpdateFile();
    EXPECT_EQ(testing::ReadAll(path), bytes);  // the same bytes, mark and comment kept
    ini.WriteString("JumpLineNum", "1", "12");
    ini.UpdateFile();
    EXPECT_EQ(TIniFile(path).ReadString("JumpLineNum", "1", ""), "12");
    EXPECT_EQ(TIniFile(path).ReadString("FindStrName", "1", ""), kensaku);
  }
}

TEST(IniFile, WritesEveryKeyAtOnceKeepingTheRest) {
  testing::TempDir dir;
  const std::string before = "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n";
  const auto path = dir.Write("b.ini", before);
  TIniFile ini(path);
  ini.WriteString("a", "X", "10");
  ini.WriteString("A", "z", "3");
  ini.WriteString("C", "w", "\x93\xfa");
  EXPECT_EQ(testing::ReadAll(path), before);  // nothing until the one write
  EXPECT_EQ(ini.ReadString("c", "W", ""), "\x93\xfa");
  // Values read back as written, with blanks and quotes at their ends.
  for (const std::string value : {" x ", "\"%f\"", "'a'", "\"", "a \""}) {
    ini.WriteString("Q", "v", value);
    ini.UpdateFile();
    EXPECT_EQ(TIniFile(path).ReadString("Q", "v", "?"), value);
  }
  ini.WriteString("Q", "v", "");
  ini.UpdateFile();
  EXPECT_EQ(testing::ReadAll(path),
            "; keep me\r\n[A]\r\nX=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=\x93\xfa\r\n"
            "[Q]\r\nv=\r\n");
  // Nothing is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);

  // A file that cannot be written is reported and left as it was: in a
  // folder that does not exist, or made read-only by its user.
  const auto refused = [](TIniFile& file) {
    file.WriteString("A", "x", "2");
    try {
      file.UpdateFile();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), Utf8FromPath(file.FileName()) + " に書き込めません");
    }
  };
  TIniFile nowhere(dir.Path() / "missing-folder" / "c.ini");
  refused(nowhere);
  const auto locked = dir.Write("locked.ini", before);
  std::filesystem::permissions(locked,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  TIniFile readOnly(locked);
  refused(readOnly);
  EXPECT_EQ(testing::ReadAll(locked), before);
}

}  // namespace
}  // namespace varlo
