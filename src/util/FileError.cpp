#include "util/FileError.h"

#include <cstring>

namespace varnolt {

namespace {
std::string SystemText(int errnum) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(errnum, buf, sizeof buf);
    return text ? std::string(text) : std::string();
}
}  // namespace

std::string CannotOpenMessage(const std::string& path, int errnum) {
    return "Cannot open file \"" + path + "\". " + SystemText(errnum);
}

std::string CannotCreateMessage(const std::string& path, int errnum) {
    return "Cannot create file \"" + path + "\". " + SystemText(errnum);
}

}  // namespace varnolt
