// The settings file as one table: every key with its section, the field
// that holds it between start and exit, its default and its kind. Reading
// and writing walk it, in the order the file keeps the keys.
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
};

// The table for one state, in write order.
std::vector<TSetting> SettingsOf(TMainState& state);

// Reads every key of the table into its field / writes every field.
void ReadSettings(const std::filesystem::path& file, TMainState& state);
void WriteSettings(const std::filesystem::path& file, TMainState& state);

}  // namespace varlo
