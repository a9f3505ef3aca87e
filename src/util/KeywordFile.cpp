#include "util/KeywordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "util/FdGuard.h"
#include "util/FileError.h"
#include "util/OutputFile.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

// Bit k set when byte k of the 16 at `p` is a CR or an LF.
inline unsigned BreakMask(const char* p) {
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')))));
#else
    unsigned mask = 0;
    for (unsigned k = 0; k < 16; ++k)
        mask |= static_cast<unsigned>(p[k] == '\r' || p[k] == '\n') << k;
    return mask;
#endif
}

// How many LF bytes `text` holds. The SSE2 loop adds the matches up in
// sixteen byte counters and sums them before one could overflow.
std::size_t CountLf(std::string_view text) {
    std::size_t count = 0, i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    while (i + 16 <= text.size()) {
        __m128i sums = _mm_setzero_si128();
        for (int k = 0; k < 255 && i + 16 <= text.size(); ++k, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
            sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(v, lf));
        }
        const __m128i wide = _mm_sad_epu8(sums, _mm_setzero_si128());
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(wide)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(wide, 8)));
    }
#endif
    for (; i < text.size(); ++i)
        count += text[i] == '\n';
    return count;
}

}  // namespace

void KeywordLinesInto(std::vector<std::string_view>& lines, std::string_view text) {
    lines.clear();
    const char* const data = text.data();
    const std::size_t n = text.size();
    lines.reserve(CountLf(text) + 1);
    // The breaks are found sixteen bytes at a time; `lf` is the LF of a CR LF
    // whose CR has ended a line already.
    std::size_t start = 0, lf = n;
    for (std::size_t base = 0; base < n; base += 16) {
        unsigned mask;
        if (base + 16 <= n) {
            mask = BreakMask(data + base);
        } else {
            mask = 0;
            for (std::size_t k = base; k < n; ++k)
                mask |= static_cast<unsigned>(data[k] == '\r' || data[k] == '\n') << (k - base);
        }
        for (; mask != 0; mask &= mask - 1) {
            const std::size_t i = base + static_cast<std::size_t>(__builtin_ctz(mask));
            if (i == lf)
                continue;
            lines.emplace_back(data + start, i - start);
            if (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n')
                lf = i + 1;
            start = i + 1 + (lf == i + 1);
        }
    }
    // A final empty line (the text ends with a line break) is not a line.
    if (start < n)
        lines.emplace_back(data + start, n - start);
}

std::vector<std::string_view> KeywordLines(std::string_view text) {
    // One allocation for the whole list: no copies as it grows.
    std::vector<std::string_view> lines;
    KeywordLinesInto(lines, text);
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

namespace {

// The bytes of `fd` to its end, read straight into the string that keeps them.
// The state of `fd`, refused as LoadKeywordFd refuses it: not readable, a
// folder, or a regular file over the size limit.
struct stat CheckReadable(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw FileError(CannotOpenMessage(path, errno));
    if (S_ISDIR(st.st_mode))
        throw FileError(CannotOpenMessage(path, EISDIR));
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > kMaxKeywordFileBytes) {
        throw FileError(kMsgTextTooLarge);
    }
    return st;
}

std::string ReadAllBytes(int fd, const std::string& path) {
    const struct stat st = CheckReadable(fd, path);

    std::string bytes;
    // A regular file is read in one call; one byte more finds a file that grew.
    std::size_t room = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 1 << 16;
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size())
            bytes.resize(std::max({room, bytes.size() * 2, std::size_t{4096}}));
        ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(CannotOpenMessage(path, errno));
        }
        if (got == 0)
            break;
        size += static_cast<std::size_t>(got);
        // Pipes and devices have no size up front: enforce the cap as they grow.
        if (size > kMaxKeywordFileBytes)
            throw FileError(kMsgTextTooLarge);
    }
    bytes.resize(size);
    return bytes;
}

// The text of `bytes` by the rules of LoadKeywordFile, line breaks untouched.
std::string DecodeKeepingBreaks(std::string bytes) {
    const std::string_view body = DropUtf8Bom(bytes);
    if (!IsValidUtf8(body))
        return Cp1252ToUtf8(body);
    if (body.size() != bytes.size())
        bytes.erase(0, bytes.size() - body.size());
    return bytes;
}

}  // namespace

std::string LoadKeywordFd(int fd, const std::string& path) {
    return DecodeKeywordText(ReadAllBytes(fd, path));
}

std::string LoadKeywordFile(const std::string& path) {
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw FileError(CannotOpenMessage(path, errno));
    return LoadKeywordFd(fd.Get(), path);
}

KeywordList::KeywordList(std::string text) : text_(std::move(text)), lines_(KeywordLines(text_)) {}

KeywordList::KeywordList(KeywordList&& other) noexcept {
    // A short text lives inside the string object, so it moves: the views follow it.
    const char* const old = other.text_.data();
    text_ = std::move(other.text_);
    lines_ = std::move(other.lines_);
    if (text_.data() != old) {
        for (std::string_view& line : lines_)
            line = std::string_view(text_.data() + (line.data() - old), line.size());
    }
}

KeywordList ReadKeywordListFd(int fd, const std::string& path) {
    return KeywordList(DecodeKeepingBreaks(ReadAllBytes(fd, path)));
}

KeywordList ReadKeywordListFile(const std::string& path) {
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        throw FileError(CannotOpenMessage(path, errno));
    return ReadKeywordListFd(fd.Get(), path);
}

namespace {
bool AnyHighByte(std::string_view text) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, text.data() + i, 8);
        any |= w;
    }
    for (; i < text.size(); ++i)
        any |= static_cast<unsigned char>(text[i]);
    return (any & 0x8080808080808080ull) != 0;
}
}  // namespace

bool ForEachKeywordLines(int fd, const std::string& path, const KeywordLinesTaker& take,
                         const std::function<void()>& restart, std::size_t pieceBytes) {
    const struct stat st = CheckReadable(fd, path);
    const off_t start = S_ISREG(st.st_mode) ? ::lseek(fd, 0, SEEK_CUR) : -1;
    if (start < 0) {
        // A pipe cannot be read twice, and the last byte may still show it is
        // not UTF-8: it is read whole.
        const KeywordList list = ReadKeywordListFd(fd, path);
        if (!list.Lines().empty())
            take(list.Lines());
        return !list.Empty();
    }
    std::vector<char> buf(pieceBytes > 0 ? pieceBytes : 1);
    std::vector<std::string_view> lines;
    std::string decoded;
    std::size_t have = 0;
    std::uint64_t total = 0;
    bool bomChecked = false, any = false, eof = false;
    bool cp1252 = false;    // the text has shown that it is not UTF-8
    bool nonAscii = false;  // lines handed on held other characters than ASCII
    bool skipLf = false;    // the last piece ended with a CR: an LF next is its pair
    while (!eof) {
        if (have == buf.size())
            buf.resize(buf.size() * 2);  // a line longer than the buffer
        const ssize_t got = ::read(fd, buf.data() + have, buf.size() - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(CannotOpenMessage(path, errno));
        }
        eof = got == 0;
        have += static_cast<std::size_t>(got);
        total += static_cast<std::uint64_t>(got);
        if (total > kMaxKeywordFileBytes)
            throw FileError(kMsgTextTooLarge);
        if (!bomChecked) {
            if (have < 3 && !eof)
                continue;
            bomChecked = true;
            if (const std::size_t bom = have - DropUtf8Bom({buf.data(), have}).size(); bom != 0) {
                std::memmove(buf.data(), buf.data() + bom, have - bom);
                have -= bom;
            }
        }
        any = any || have > 0;
        // The lines that end in the buffer (at the end of the file, all of it).
        std::size_t end = have;
        if (!eof) {
            while (end > 0 && buf[end - 1] != '\r' && buf[end - 1] != '\n')
                --end;
            if (end == 0)
                continue;
        }
        std::string_view piece(buf.data(), end);
        if (skipLf && !piece.empty() && piece.front() == '\n')
            piece.remove_prefix(1);
        skipLf = end > 0 && buf[end - 1] == '\r';
        if (!cp1252) {
            const bool high = AnyHighByte(piece);
            if (high && !IsValidUtf8(piece)) {
                if (nonAscii) {
                    // Lines already handed on read otherwise as Windows-1252.
                    restart();
                    if (::lseek(fd, start, SEEK_SET) < 0)
                        throw FileError(CannotOpenMessage(path, errno));
                    const KeywordList list = ReadKeywordListFd(fd, path);
                    if (!list.Lines().empty())
                        take(list.Lines());
                    return true;
                }
                // Only ASCII so far, which reads the same either way.
                cp1252 = true;
            }
            nonAscii = nonAscii || high;
        }
        if (cp1252) {
            decoded = Cp1252ToUtf8(piece);
            piece = decoded;
        }
        KeywordLinesInto(lines, piece);
        if (!lines.empty())
            take(lines);
        std::memmove(buf.data(), buf.data() + end, have - end);
        have -= end;
    }
    return any;
}

void SaveKeywordFile(const std::string& path, std::string_view text) {
    // The old file stays whole until the new one is on the disk.
    std::string error;
    if (!WriteWholeFile(path, text, path, &error))
        throw FileError(error);
}

}  // namespace varnolt
