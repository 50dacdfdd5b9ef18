#include "platform/shell.h"

#include "platform/backend.h"

namespace varlo {

bool ShellOpen(TWinControl& owner, const std::string& program, const std::string& parameters,
               const std::string& directory) {
  if (program.empty()) return false;
  return CurrentBackend().ShellOpen(owner, program, parameters, directory);
}

bool ActivateWindowOfClass(const std::string& className) {
  return CurrentBackend().ActivateWindowOfClass(className);
}

bool ShowHelpFile(TWinControl& owner, const std::string& file) {
  return CurrentBackend().ShowHelp(owner, file);
}

}  // namespace varlo
