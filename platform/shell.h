// What the launchers and the help command ask of the shell: starting
// another program, handing the foreground to another program's window,
// showing the help file.
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

// Shows the help file (UTF-8 path) with the program the system opens it
// with (a web page: the default browser); true when that started.
bool ShowHelpFile(TWinControl& owner, const std::string& file);

}  // namespace varlo
