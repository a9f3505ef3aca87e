#pragma once
// A LineSink that copies every line into one fixed buffer and hands the
// buffer on (Drain) each time it is full, so an output of any size costs one
// buffer of memory. The keyword routines write straight into that buffer
// (Room, then EndLine) instead of making one virtual call per line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>

#include "keywords/Keywords.h"

namespace varnolt {

// Copies n bytes. Keyword pieces are mostly a few bytes long, where a call to
// memcpy costs more than the copy: overlapping fixed-size moves cover every
// length up to 32 without reading or writing outside the two ranges.
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

// Decides, line by line, which lines of a ChunkSink are written (see
// UniqueSink). Lines are held in the buffer as they come and decided in
// batches, so that the filter can look ahead.
class ChunkFilter {
public:
    virtual ~ChunkFilter() = default;
    // A line of `size` bytes of text (its end of line follows) now ends the
    // buffer. Returns true when the held lines should be decided.
    virtual bool Hold(const char* text, std::size_t size) = 0;
    // Decides the lines held in [from, end), in order, each followed by
    // `eolSize` bytes of end of line: moves the lines that stay (and the
    // lines between them it was not shown) down over those that go.
    // Returns the new end.
    virtual char* Decide(char* from, char* end, std::size_t eolSize) = 0;
};

class ChunkSink : public LineSink {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;
    // Bytes after the buffer that a filter may read (never write), so that
    // it can load the last bytes of a line as a whole word.
    static constexpr std::size_t kSlack = 8;

    // `eol` ("\r\n" or "\n") ends every line.
    explicit ChunkSink(std::string_view eol = "\r\n", std::size_t capacity = kDefaultCapacity);
    ~ChunkSink() override;
    ChunkSink(const ChunkSink&) = delete;
    ChunkSink& operator=(const ChunkSink&) = delete;

    void AddLine(std::string_view line) override;
    void AddJoined(std::span<const std::string_view> pieces) override;
    ChunkSink* Direct() override { return this; }

    // Room for a line of `size` bytes and its end of line; the line's text is
    // written from the pointer returned, and EndLine closes it.
    char* Room(std::size_t size) {
        if (static_cast<std::size_t>(end_ - at_) < size + 2)
            return MakeRoom(size);
        return at_;
    }
    // Closes the line that Room began: its text ends at `textEnd`.
    void EndLine(char* textEnd) {
        textEnd[0] = eol_[0];
        textEnd[1] = eol_[1];
        char* const next = textEnd + eolSize_;
        if (filter_ != nullptr) {
            const bool decide = filter_->Hold(at_, static_cast<std::size_t>(textEnd - at_));
            at_ = next;
            if (decide)
                DecideHeld();
        } else {
            at_ = next;
        }
    }

    // Writes `bytes` as they are, after the lines before them.
    void Write(std::string_view bytes);
    // Hands on what the buffer holds (the held lines decided first).
    void Flush();

    // Puts `filter` (null: none) in front of the lines to come.
    void SetFilter(ChunkFilter* filter);
    // False: the lines to come pass the filter unseen (it still decides
    // those it holds, wherever they stand); true again: it sees them.
    void ShowLines(bool show) { filter_ = show ? decider_ : nullptr; }
    // Decides the lines the filter holds.
    void DecideHeld();

protected:
    // Takes `size` bytes of output. A failure throws, and the sink is then
    // not to be used again.
    virtual void Drain(const char* data, std::size_t size) = 0;

private:
    char* MakeRoom(std::size_t size);

    char eol_[2];
    std::size_t eolSize_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buf_;
    char* at_;
    char* end_;
    char* held_;                      // where the lines the filter holds begin
    ChunkFilter* filter_ = nullptr;   // the filter that sees the lines now
    ChunkFilter* decider_ = nullptr;  // the filter set
};

// Emits one line made of `pieces` into `out` without a virtual call.
template <class... Pieces>
inline void EmitDirect(ChunkSink& out, Pieces... pieces) {
    const std::size_t size = (pieces.size() + ...);
    char* p = out.Room(size);
    ((CopyPiece(p, pieces.data(), pieces.size()), p += pieces.size()), ...);
    out.EndLine(p);
}

}  // namespace varnolt
