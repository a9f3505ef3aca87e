#pragma once
// Whole-file reads and writes and folder listings for the tests.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace varnolt::test {

// The bytes of the file at `path`; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Replaces the file at `path` with `bytes`, creating it; false when it cannot.
bool WriteFile(const std::filesystem::path& path, std::string_view bytes);
// The names of the entries in `folder`.
std::set<std::string> FolderNames(const std::filesystem::path& folder);
// Makes `folder` unwritable, by its permission bits or, for the superuser
// (whom permissions do not bind), by the immutable attribute; `lock` false
// undoes it. False when neither is possible here.
bool LockFolder(const std::filesystem::path& folder, bool lock);

}  // namespace varnolt::test
