#include "util/UUtils.h"

#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace varnolt {

void SplitByChar(char separator, std::string_view text, std::vector<std::string>& list) {
    list.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            list.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    // A trailing piece counts only when it holds something.
    if (start < text.size())
        list.emplace_back(text.substr(start));
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string AppFolder() {
    std::string path(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) {
            throw std::system_error(errno, std::generic_category(), "readlink /proc/self/exe");
        }
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace varnolt
