#pragma once
// A LineSink that writes each line followed by CR LF to a file descriptor,
// through one large buffer, so that millions of lines cost a few hundred
// write calls and no allocation per line.
#include <cstddef>

#include "keywords/ChunkSink.h"

namespace varnolt {

class FdSink : public ChunkSink {
public:
    explicit FdSink(int fd, std::size_t capacity = kDefaultCapacity);
    // Flush() throws std::system_error when the descriptor refuses the bytes.

protected:
    void Drain(const char* data, std::size_t size) override;

private:
    int fd_;
};

}  // namespace varnolt
