#include "app/launch_template.h"

namespace varlo {

std::string ExpandLaunchTemplate(std::string_view text, std::string_view fileName, int64_t line) {
  std::string out(text);
  if (const size_t at = out.find("%f"); at != std::string::npos) out.replace(at, 2, fileName);
  if (const size_t at = out.find("%l"); at != std::string::npos)
    out.replace(at, 2, std::to_string(line));
  return out;
}

}  // namespace varlo
