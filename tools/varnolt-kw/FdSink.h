#pragma once
// A LineSink that writes each line followed by CR LF to a file descriptor,
// through one large buffer, so that millions of lines cost a few hundred
// write calls and no allocation per line. A full buffer is written on a
// thread of its own while the next one fills, so that making the lines and
// handing them to the system go on side by side.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "keywords/ChunkSink.h"

namespace varnolt {

class FdSink : public ChunkSink {
public:
    explicit FdSink(int fd, std::size_t capacity = kDefaultCapacity);
    ~FdSink() override;
    // Writes what the buffer holds and waits until the descriptor has every
    // byte; throws std::system_error when it refused some (then, or at an
    // earlier line when an earlier buffer failed).
    void Flush();

protected:
    void Drain(const char* data, std::size_t size) override;

private:
    void Run();
    // Waits until the last buffer handed on is written; throws its failure.
    void WaitWritten();

    int fd_;
    bool flushing_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<char> pending_;  // bytes handed to the writer thread
    std::size_t pendingSize_ = 0;
    bool full_ = false, stop_ = false;
    int error_ = 0;
    std::thread writer_;
};

}  // namespace varnolt
