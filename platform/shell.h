// What the launchers ask of the shell: starting another program, and
// handing the foreground to another program's window.
#pragma once

#include <string>

namespace varlo {

class TWinControl;

// Starts `program` (or anything else the shell can open) with the shell's
// "open" verb, shown normally, with these parameters in this working
// directory (empty: the current one). The texts are UTF-8 of any length
// and reach the program as they are. True when it started. An empty
// program starts nothing, whatever the shell would make of it.
bool ShellOpen(TWinControl& owner, const std::string& program, const std::string& parameters,
               const std::string& directory);

// Makes the top-level window of this class the foreground window; false
// when no window of the class exists.
bool ActivateWindowOfClass(const std::string& className);

}  // namespace varlo
