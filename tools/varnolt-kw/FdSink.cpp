#include "FdSink.h"

#include <cerrno>
#include <system_error>

#include "util/OutputFile.h"

namespace varnolt {

FdSink::FdSink(int fd, std::size_t capacity) : ChunkSink("\r\n", capacity), fd_(fd) {}

void FdSink::Drain(const char* data, std::size_t size) {
    if (const int err = WriteAll(fd_, data, size); err != 0)
        throw std::system_error(err, std::generic_category());
}

}  // namespace varnolt
