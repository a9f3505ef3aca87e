#pragma once
// A fresh folder under the system's temporary folder for one test, removed with
// everything in it (read-only parts too) when the object goes.
#include <set>
#include <string>
#include <string_view>

namespace varnolt::test {

class TempFolder {
public:
    // `tag` names the folder (varnolt-<tag>-XXXXXX) so that a leftover tells whose it is.
    explicit TempFolder(std::string_view tag = "test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With a trailing '/'.
    const std::string& path() const { return path_; }
    // Without the trailing '/'.
    std::string folder() const { return path_.substr(0, path_.size() - 1); }
    // The path of `name` inside the folder.
    std::string File(std::string_view name) const { return path_ + std::string(name); }
    // The names of the entries in the folder.
    std::set<std::string> Names() const;

private:
    std::string path_;
};

}  // namespace varnolt::test
