#pragma once
// A LineSink that writes each line followed by CR LF to a file descriptor,
// through one large buffer, so that millions of lines cost a few hundred
// write calls and no allocation per line.
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

#include "keywords/Keywords.h"

namespace varnolt {

class FdSink : public LineSink {
public:
    explicit FdSink(int fd, std::size_t capacity = std::size_t{1} << 18);
    void AddLine(std::string_view line) override;
    void AddJoined(std::span<const std::string_view> pieces) override;
    // Writes `bytes` as they are, after what the buffer holds.
    void Write(std::string_view bytes) {
        Flush();
        WriteAll(bytes.data(), bytes.size());
    }
    // Writes out what the buffer holds. Throws std::system_error when the
    // descriptor refuses the bytes.
    void Flush();

private:
    // Flushes, then writes a line that did not fit in what was left.
    void AddOverflowing(std::span<const std::string_view> pieces);
    void WriteAll(const char* data, std::size_t size);

    int fd_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::unique_ptr<char[]> buf_;
};

}  // namespace varnolt
