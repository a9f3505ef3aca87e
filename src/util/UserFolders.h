#pragma once
// The user's own folders, for what the program keeps when its program folder
// cannot be written (an installed copy).
#include <string>

namespace varnolt {

// $XDG_STATE_HOME/varnolt/ (by default ~/.local/state/varnolt/), with a
// trailing '/'; empty when neither the variable nor a home folder is known.
std::string UserStateFolder();
// $XDG_CACHE_HOME/varnolt/ (by default ~/.cache/varnolt/), the same way.
std::string UserCacheFolder();
// Creates `folder` and the folders above it (mode 0700 for new ones); true
// when it exists afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace varnolt
