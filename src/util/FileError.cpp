#include "util/FileError.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace varnolt {

std::string SystemText(int errnum) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(errnum, buf, sizeof buf);
    return text ? std::string(text) : std::string();
}

std::string CannotOpenMessage(const std::string& path, int errnum) {
    return "Cannot open file \"" + path + "\". " + SystemText(errnum);
}

std::string CannotCreateMessage(const std::string& path, int errnum) {
    return "Cannot create file \"" + path + "\". " + SystemText(errnum);
}

std::string CannotReadMessage(const std::string& path, int errnum) {
    return "Cannot read file \"" + path + "\". " + SystemText(errnum);
}

std::string CannotWriteMessage(const std::string& path, int errnum) {
    return "Cannot write file \"" + path + "\". " + SystemText(errnum);
}

std::string ExpandedPath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    return absolute.lexically_normal().string();
}

}  // namespace varnolt
