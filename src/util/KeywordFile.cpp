#include "util/KeywordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "util/FdGuard.h"
#include "util/FileError.h"
#include "util/OutputFile.h"
#include "util/TextCodec.h"

namespace varnolt {

std::vector<std::string_view> KeywordLines(std::string_view text) {
    // One allocation for the whole list: no copies as it grows.
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    // A final empty line (the text ends with a line break) is not a line.
    if (start < n)
        lines.push_back(text.substr(start));
    return lines;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    const std::size_t n = text.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        out.append(text.substr(start, i - start));
        out.append("\r\n");
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    out.append(text.substr(start));
    return out;
}

std::string ToLf(std::string_view text) {
    if (text.find('\r') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out.push_back(text[i]);
            continue;
        }
        out.push_back('\n');
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return out;
}

std::string DecodeKeywordText(std::string_view bytes) {
    bytes = DropUtf8Bom(bytes);
    if (IsValidUtf8(bytes))
        return ToCrLf(bytes);
    return ToCrLf(Cp1252ToUtf8(bytes));
}

std::string LoadKeywordFd(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw FileError(CannotOpenMessage(path, errno));
    if (S_ISDIR(st.st_mode))
        throw FileError(CannotOpenMessage(path, EISDIR));
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > kMaxKeywordFileBytes) {
        throw FileError(kMsgTextTooLarge);
    }

    std::string bytes;
    if (S_ISREG(st.st_mode))
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(CannotOpenMessage(path, errno));
        }
        if (got == 0)
            break;
        // Pipes and devices have no size up front: enforce the cap as they grow.
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxKeywordFileBytes) {
            throw FileError(kMsgTextTooLarge);
        }
        bytes.append(buf, static_cast<std::size_t>(got));
    }
    return DecodeKeywordText(bytes);
}

std::string LoadKeywordFile(const std::string& path) {
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw FileError(CannotOpenMessage(path, errno));
    return LoadKeywordFd(fd.Get(), path);
}

void SaveKeywordFile(const std::string& path, std::string_view text) {
    // The old file stays whole until the new one is on the disk.
    std::string error;
    if (!WriteWholeFile(path, text, path, &error))
        throw FileError(error);
}

}  // namespace varnolt
