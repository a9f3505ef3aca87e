#include "keywords/ChunkSink.h"

namespace varnolt {

ChunkSink::ChunkSink(std::string_view eol, std::size_t capacity)
    : eolSize_(eol.size() >= 2 ? 2 : 1),
      capacity_(capacity < 64 ? 64 : capacity),
      buf_(new char[capacity_ + kSlack]) {
    eol_[0] = eol.empty() ? '\n' : eol[0];
    eol_[1] = eol.size() >= 2 ? eol[1] : '\0';
    at_ = held_ = buf_.get();
    end_ = buf_.get() + capacity_;
}

ChunkSink::~ChunkSink() = default;

void ChunkSink::AddLine(std::string_view line) {
    char* p = Room(line.size());
    std::memcpy(p, line.data(), line.size());
    EndLine(p + line.size());
}

void ChunkSink::AddJoined(std::span<const std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    char* p = Room(size);
    for (std::string_view piece : pieces) {
        CopyPiece(p, piece.data(), piece.size());
        p += piece.size();
    }
    EndLine(p);
}

void ChunkSink::SetFilter(ChunkFilter* filter) {
    DecideHeld();
    filter_ = decider_ = filter;
}

void ChunkSink::DecideHeld() {
    if (decider_ != nullptr && held_ != at_)
        at_ = decider_->Decide(held_, at_, eolSize_);
    held_ = at_;
}

void ChunkSink::Flush() {
    DecideHeld();
    char* const base = buf_.get();
    const std::size_t size = static_cast<std::size_t>(at_ - base);
    at_ = held_ = base;
    if (size > 0)
        Drain(base, size);
}

void ChunkSink::Write(std::string_view bytes) {
    Flush();
    if (!bytes.empty())
        Drain(bytes.data(), bytes.size());
}

char* ChunkSink::MakeRoom(std::size_t size) {
    Flush();
    if (size + 2 > capacity_) {
        // A line longer than the whole buffer: the buffer grows to hold it.
        capacity_ = size + 2;
        buf_.reset(new char[capacity_ + kSlack]);
        at_ = held_ = buf_.get();
        end_ = buf_.get() + capacity_;
    }
    return at_;
}

}  // namespace varnolt
