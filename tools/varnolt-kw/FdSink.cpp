#include "FdSink.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace varnolt {

namespace {
// Copies n bytes; keyword pieces are mostly a few bytes long, where a call to
// memcpy costs more than the copy. Overlapping fixed-size moves cover every
// length from 4 to 32 without reading outside the source.
inline void CopyPiece(char* dst, const char* src, std::size_t n) {
    if (n >= 8) {
        if (n > 32) {
            std::memcpy(dst, src, n);
            return;
        }
        std::uint64_t a, b;
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&a, src + i, 8);
            std::memcpy(dst + i, &a, 8);
        }
        std::memcpy(&b, src + n - 8, 8);
        std::memcpy(dst + n - 8, &b, 8);
    } else if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, src, 4);
        std::memcpy(&b, src + n - 4, 4);
        std::memcpy(dst, &a, 4);
        std::memcpy(dst + n - 4, &b, 4);
    } else if (n > 0) {
        dst[0] = src[0];
        dst[n / 2] = src[n / 2];
        dst[n - 1] = src[n - 1];
    }
}
}  // namespace

FdSink::FdSink(int fd, std::size_t capacity)
    : fd_(fd), capacity_(capacity < 16 ? 16 : capacity), buf_(new char[capacity_]) {}

void FdSink::AddLine(std::string_view line) {
    AddJoined({&line, 1});
}

void FdSink::AddJoined(std::span<const std::string_view> pieces) {
    // The pieces are copied as they come, with no pass to add up their
    // lengths first; only a line that does not fit takes the slow road.
    // Each check keeps room for the piece and the CR LF after it.
    char* dst = buf_.get() + used_;
    const char* const end = buf_.get() + capacity_;
    if (end - dst < 2) {
        AddOverflowing(pieces);
        return;
    }
    for (std::string_view piece : pieces) {
        if (piece.size() + 2 > static_cast<std::size_t>(end - dst)) {
            AddOverflowing(pieces);
            return;
        }
        CopyPiece(dst, piece.data(), piece.size());
        dst += piece.size();
    }
    dst[0] = '\r';
    dst[1] = '\n';
    used_ = static_cast<std::size_t>(dst + 2 - buf_.get());
}

void FdSink::AddOverflowing(std::span<const std::string_view> pieces) {
    Flush();
    std::size_t size = 2;
    for (std::string_view piece : pieces)
        size += piece.size();
    if (size > capacity_) {
        // A line longer than the whole buffer goes out piece by piece.
        for (std::string_view piece : pieces)
            WriteAll(piece.data(), piece.size());
        WriteAll("\r\n", 2);
        return;
    }
    AddJoined(pieces);
}

void FdSink::Flush() {
    const std::size_t size = used_;
    used_ = 0;
    WriteAll(buf_.get(), size);
}

void FdSink::WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t put = ::write(fd_, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category());
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

}  // namespace varnolt
