#include "util/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace varnolt {

namespace {

// The folder named by `variable` when it holds an absolute path, else
// `fallback` under the home folder; "varnolt/" appended.
std::string UserFolder(const char* variable, const char* fallback) {
    std::string base;
    if (const char* value = std::getenv(variable); value && value[0] == '/') {
        base = value;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || home[0] != '/')
            return {};
        base = std::string(home) + "/" + fallback;
    }
    if (base.back() != '/')
        base += '/';
    return base + "varnolt/";
}

}  // namespace

std::string UserStateFolder() {
    return UserFolder("XDG_STATE_HOME", ".local/state");
}

std::string UserCacheFolder() {
    return UserFolder("XDG_CACHE_HOME", ".cache");
}

bool MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace varnolt
