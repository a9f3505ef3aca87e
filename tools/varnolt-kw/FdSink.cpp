#include "FdSink.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "util/OutputFile.h"

namespace varnolt {

FdSink::FdSink(int fd, std::size_t capacity) : ChunkSink("\r\n", capacity), fd_(fd) {}

FdSink::~FdSink() {
    if (writer_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        writer_.join();
    }
}

void FdSink::Flush() {
    flushing_ = true;
    ChunkSink::Flush();
    flushing_ = false;
    WaitWritten();
}

void FdSink::WaitWritten() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !full_; });
    if (const int err = error_; err != 0) {
        error_ = 0;
        throw std::system_error(err, std::generic_category());
    }
}

void FdSink::Drain(const char* data, std::size_t size) {
    if (!writer_.joinable() && flushing_) {
        // All of a small output: no thread for it.
        if (const int err = WriteAll(fd_, data, size); err != 0)
            throw std::system_error(err, std::generic_category());
        return;
    }
    if (!writer_.joinable()) {
        try {
            writer_ = std::thread([this] { Run(); });
        } catch (const std::system_error&) {  // no thread to spare: write here
            if (const int err = WriteAll(fd_, data, size); err != 0)
                throw std::system_error(err, std::generic_category());
            return;
        }
    }
    WaitWritten();
    if (pending_.size() < size)
        pending_.resize(size);
    std::memcpy(pending_.data(), data, size);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingSize_ = size;
        full_ = true;
    }
    changed_.notify_all();
}

void FdSink::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return full_ || stop_; });
        if (!full_)
            return;
        const std::size_t size = pendingSize_;
        const bool failed = error_ != 0;  // after a failure nothing more is written
        lock.unlock();
        const int err = failed ? 0 : WriteAll(fd_, pending_.data(), size);
        lock.lock();
        if (err != 0)
            error_ = err;
        full_ = false;
        changed_.notify_all();
    }
}

}  // namespace varnolt
