#include "keywords/UniqueSink.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "util/TextCodec.h"

namespace varnolt {

namespace {

bool Even(char32_t c) {
    return (c & 1u) == 0;
}

// The simple case folding of one code point in the covered blocks.
char32_t FoldCodePoint(char32_t c) {
    if (c < 0x100) {
        if (c == 0xB5)
            return 0x3BC;
        return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 0x20 : c;
    }
    if (c < 0x180) {  // Latin Extended-A
        if ((c <= 0x12F || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && Even(c))
            return c + 1;
        if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && !Even(c))
            return c + 1;
        if (c == 0x178)
            return 0xFF;
        return c == 0x17F ? U's' : c;
    }
    if (c >= 0x370 && c < 0x400) {  // Greek and Coptic
        switch (c) {
            case 0x370:
            case 0x372:
            case 0x376:
            case 0x3F7:
            case 0x3FA:
                return c + 1;
            case 0x37F:
                return 0x3F3;
            case 0x386:
                return 0x3AC;
            case 0x38C:
                return 0x3CC;
            case 0x38E:
            case 0x38F:
                return c + 0x3F;
            case 0x3C2:
                return 0x3C3;
            case 0x3CF:
                return 0x3D7;
            case 0x3D0:
                return 0x3B2;
            case 0x3D1:
            case 0x3F4:
                return 0x3B8;
            case 0x3D5:
                return 0x3C6;
            case 0x3D6:
                return 0x3C0;
            case 0x3F0:
                return 0x3BA;
            case 0x3F1:
                return 0x3C1;
            case 0x3F5:
                return 0x3B5;
            case 0x3F9:
                return 0x3F2;
            default:
                break;
        }
        if (c >= 0x388 && c <= 0x38A)
            return c + 0x25;
        if ((c >= 0x391 && c <= 0x3A1) || (c >= 0x3A3 && c <= 0x3AB))
            return c + 0x20;
        if (c >= 0x3D8 && c <= 0x3EF && Even(c))
            return c + 1;
        if (c >= 0x3FD)
            return c - 0x82;
        return c;
    }
    if (c >= 0x400 && c < 0x530) {  // Cyrillic and its supplement
        if (c < 0x410)
            return c + 0x50;
        if (c < 0x430)
            return c + 0x20;
        if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || c >= 0x4D0) && Even(c))
            return c + 1;
        if (c == 0x4C0)
            return 0x4CF;
        if (c >= 0x4C1 && c <= 0x4CE && !Even(c))
            return c + 1;
        return c;
    }
    if (c >= 0x1E00 && c < 0x1F00) {  // Latin Extended Additional
        if (c == 0x1E9B)
            return 0x1E61;
        if (c == 0x1E9E)
            return 0xDF;
        if ((c <= 0x1E95 || c >= 0x1EA0) && Even(c))
            return c + 1;
    }
    return c;
}

void AppendUtf8(std::string& dst, char32_t c) {
    if (c < 0x80) {
        dst.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        dst.push_back(static_cast<char>(0xC0 | (c >> 6)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        dst.push_back(static_cast<char>(0xE0 | (c >> 12)));
        dst.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        dst.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Appends `text` folded to `dst`. ASCII goes through a byte loop into room
// made once; the first byte above 0x7F switches to the decoding loop.
void AppendFolded(std::string& dst, std::string_view text) {
    const std::size_t at = dst.size();
    dst.resize(at + text.size());
    char* out = dst.data() + at;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b >= 0x80)
            break;
        out[i] = static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b);
    }
    if (i == text.size())
        return;
    dst.resize(at + i);
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            dst.push_back(static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b));
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(text, i);
        // The covered blocks are all two- or three-byte sequences.
        if (n == 2 || n == 3) {
            char32_t c = n == 2 ? (b & 0x1Fu) : (b & 0x0Fu);
            for (std::size_t k = 1; k < n; ++k)
                c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
            AppendUtf8(dst, FoldCodePoint(c));
        } else {
            dst.append(text.substr(i, n ? n : 1));
        }
        i += n ? n : 1;
    }
}

std::uint64_t HashBytes(std::string_view s) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    std::uint64_t w = 0;
    std::memcpy(&w, s.data() + i, s.size() - i);
    h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 29;
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 32);
}

constexpr std::size_t kBlockBytes = std::size_t{1} << 22;

}  // namespace

void FoldCaseInto(std::string& dst, std::string_view text) {
    dst.clear();
    AppendFolded(dst, text);
}

std::string FoldCase(std::string_view text) {
    std::string folded;
    AppendFolded(folded, text);
    return folded;
}

UniqueSink::UniqueSink(LineSink& out) : out_(out) {
    AllocateSlots(std::size_t{1} << 12);
}

std::size_t UniqueSink::SlotOf(std::uint64_t tag) const {
    return static_cast<std::size_t>(tag >> (32 - slotBits_));
}

void UniqueSink::FreeSlots::operator()(std::uint64_t* p) const {
    std::free(p);
}

// The slot table is read at random: a large one asks for huge pages, so
// that a probe costs one cache miss and not a page-table walk as well.
void UniqueSink::AllocateSlots(std::size_t count) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    const std::size_t bytes = count * sizeof(std::uint64_t);
    void* p = nullptr;
    if (posix_memalign(&p, bytes >= kHuge ? kHuge : 64, bytes) != 0)
        throw std::bad_alloc();
    if (bytes >= kHuge)
        ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint: without it only slower
    std::memset(p, 0, bytes);
    slots_.reset(static_cast<std::uint64_t*>(p));
    slotCount_ = count;
    slotBits_ = 0;
    while ((std::size_t{1} << slotBits_) < count)
        ++slotBits_;
}

UniqueSink::~UniqueSink() = default;

void UniqueSink::AddLine(std::string_view line) {
    AddJoined({&line, 1});
}

namespace {
constexpr std::size_t kBatch = 32;
}

void UniqueSink::AddJoined(std::span<const std::string_view> pieces) {
    const std::size_t foldAt = heldFolded_.size(), lineAt = heldLines_.size();
    for (std::string_view piece : pieces) {
        AppendFolded(heldFolded_, piece);
        heldLines_.append(piece);
    }
    const std::size_t foldSize = heldFolded_.size() - foldAt;
    const std::uint64_t h = HashBytes({heldFolded_.data() + foldAt, foldSize});
    __builtin_prefetch(&slots_[SlotOf(h >> 32)]);
    held_.push_back(Held{foldAt, foldSize, lineAt, heldLines_.size() - lineAt, h});
    if (held_.size() == kBatch)
        Finish();
}

void UniqueSink::Finish() {
    for (const Held& l : held_) {
        if (Remember({heldFolded_.data() + l.foldAt, l.foldSize}, l.hash))
            out_.AddLine({heldLines_.data() + l.lineAt, l.lineSize});
        else
            ++dropped_;
    }
    held_.clear();
    heldFolded_.clear();
    heldLines_.clear();
}

bool UniqueSink::Exclude(std::string_view line) {
    Finish();
    FoldCaseInto(scratch_, line);
    return Remember(scratch_, HashBytes(scratch_));
}

bool UniqueSink::Remember(std::string_view folded, std::uint64_t h) {
    const std::uint64_t tag = h & ~std::uint64_t{0xFFFFFFFF};
    const std::size_t mask = slotCount_ - 1;
    std::size_t at = SlotOf(h >> 32);
    for (;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0)
            break;
        if ((slot & ~std::uint64_t{0xFFFFFFFF}) != tag)
            continue;
        const char* entry = entries_[slot & 0xFFFFFFFF];
        std::uint32_t len;
        std::memcpy(&len, entry, sizeof len);
        if (len == folded.size() && std::memcmp(entry + sizeof len, folded.data(), len) == 0)
            return false;
    }
    // A new line: keep its folded text, length first, in the current block.
    const std::size_t need = sizeof(std::uint32_t) + folded.size();
    if (need > blockLeft_) {
        const std::size_t size = need > kBlockBytes ? need : kBlockBytes;
        blocks_.emplace_back(new char[size]);
        blockAt_ = blocks_.back().get();
        blockLeft_ = size;
    }
    const std::uint32_t len = static_cast<std::uint32_t>(folded.size());
    std::memcpy(blockAt_, &len, sizeof len);
    std::memcpy(blockAt_ + sizeof len, folded.data(), folded.size());
    slots_[at] = tag | entries_.size();
    entries_.push_back(blockAt_);
    blockAt_ += need;
    blockLeft_ -= need;
    // At most half full, so that probes stay short.
    if (entries_.size() * 2 > slotCount_)
        Grow();
    return true;
}

// The home slot of a line comes from the top bits of its tag, so the old
// table's slots move in order to the new one, and no text is read again.
void UniqueSink::Grow() {
    auto old = std::move(slots_);
    const std::size_t oldCount = slotCount_;
    AllocateSlots(oldCount * 2);
    const std::size_t mask = slotCount_ - 1;
    for (std::size_t i = 0; i < oldCount; ++i) {
        const std::uint64_t slot = old[i];
        if (slot == 0)
            continue;
        std::size_t at = SlotOf(slot >> 32);
        while (slots_[at] != 0)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

}  // namespace varnolt
