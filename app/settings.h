// The settings file as one table: every key with its section, the field
// that holds it between start and exit, its default and its kind. Reading,
// the clamping at start and writing all walk it, in the order the file
// keeps the keys.
#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "dialogs/main_state.h"

namespace varlo {

struct TSetting {
  const char* Section;
  const char* Key;
  // Boolean and Integer keys are numbers in the file; a text is kept as it
  // stands (a Shift-JIS string, a colour text or a number text).
  std::variant<bool*, int*, std::string*> Field;
  // As the file would hold it.
  std::string Default;
  // A display number: the range it is corrected into at start (none: an
  // empty range).
  TRange Range{};
};

// The table for one state, in write order.
std::vector<TSetting> SettingsOf(TMainState& state);

// Reads every key of the table into its field / writes every field.
void ReadSettings(const std::filesystem::path& file, TMainState& state);
void WriteSettings(const std::filesystem::path& file, TMainState& state);

// A number text corrected into its range: the corrected text replaces the
// field's (so the file gets it at exit) and its value is returned. A text
// that is no integer raises the conversion error.
int ClampSetting(TMainState& state, std::string& field);

}  // namespace varlo
