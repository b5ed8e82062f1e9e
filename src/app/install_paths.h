// Where the installed program keeps its shared files (help page, default
// settings, examples).
#pragma once

#include <string>

namespace difscop::app {

// share/difscop beside the program's bin directory when it is there (an
// install moved to another prefix still finds it), else the directory the
// build was configured to install into.
std::string InstalledDataDirectory();

}  // namespace difscop::app
