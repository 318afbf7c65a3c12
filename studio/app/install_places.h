// Where the studio finds what is installed beside it: sonnelith-cli, which
// renders for it, and the user's guide.
#pragma once

#include <string>

namespace studio {

// sonnelith-cli beside this program (installed together in one folder),
// else the one this build made, else the name alone, found on the PATH.
// SONNELITH_CLI in the environment overrides all three.
std::string RendererPath();

// The user's guide in the installed data folder, else in the source tree.
std::string GuidePath();

}  // namespace studio
