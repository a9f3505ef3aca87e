#include "support/TempFolder.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/Files.h"

namespace varnolt::test {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view tag) {
    std::string pattern =
        (fs::temp_directory_path() / ("varnolt-" + std::string(tag) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    path_ = pattern + "/";
}

TempFolder::~TempFolder() {
    // Tests take permissions away from the folder and from folders in it: give
    // them back so that everything can be removed.
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::set<std::string> TempFolder::Names() const {
    return FolderNames(path_);
}

}  // namespace varnolt::test
