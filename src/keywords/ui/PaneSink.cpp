// The sink that Generate and Format write the pane's text through.
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "keywords/ui/KeywordWork.h"

namespace varnolt {

namespace {

// Outputs reserved at this size or more have their pages faulted in ahead.
constexpr std::size_t kPrefaultFrom = std::size_t{16} << 20;

// `estimate` bytes, or half the machine's memory when that is less.
std::size_t ReserveUpTo(std::uint64_t estimate) {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    const std::uint64_t cap =
        pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * pageSize / 2 : estimate;
    return static_cast<std::size_t>(std::min(estimate, cap));
}

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// The whole huge pages inside [data, data + size): empty when there are none.
struct HugeSpan {
    char* begin = nullptr;
    std::size_t size = 0;
};
HugeSpan WholeHugePages(const void* data, std::size_t size) {
    const auto p = reinterpret_cast<std::uintptr_t>(data);
    const auto begin = (p + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (p + size) & ~(kHugePage - 1);
    if (end <= begin) {
        return {};
    }
    return {reinterpret_cast<char*>(begin), end - begin};
}

void HugePages(const void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
    const HugeSpan span = WholeHugePages(data, size);
    if (size >= 4 * kHugePage && span.size > 0) {
        ::madvise(span.begin, span.size, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace

// Faults in the pages of the text and its index a little ahead of the writer,
// on a thread of its own, so that the kernel clears fresh memory beside the
// work instead of in its way. Pages beyond what the writer reaches soon are
// never touched, so an estimate that is too big still costs nothing.
class PaneSink::Prefault {
public:
    struct Area {
        const char* data = nullptr;  // as reserved, to see a reallocation
        HugeSpan pages;              // the whole huge pages of the reserve
        std::size_t used = 0;        // bytes written from data, as of the last Advance
        std::size_t done = 0;        // bytes faulted in from begin
    };
    Prefault(Area text, Area index) : areas_{text, index}, thread_([this] { Run(); }) {}
    ~Prefault() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    // The writer has `used` bytes in area `i`, which starts at `data`.
    void Advance(int i, const char* data, std::size_t used) {
        std::lock_guard<std::mutex> lock(mutex_);
        Area& a = areas_[i];
        if (data != a.data) {
            a.pages = {};  // moved: its old pages are not ours any more
        }
        a.used = used;
        wake_.notify_one();
    }
    static Area Of(const void* data, std::size_t capacity) {
        Area a;
        a.data = static_cast<const char*>(data);
        a.pages = WholeHugePages(data, capacity);
        return a;
    }

private:
    static constexpr std::size_t kAhead = std::size_t{32} << 20;
    static constexpr std::size_t kStep = std::size_t{4} << 20;

    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            bool worked = false;
            for (Area& a : areas_) {
                if (a.pages.size == 0) {
                    continue;
                }
                const auto skip = static_cast<std::size_t>(a.pages.begin - a.data);
                const std::size_t reached = a.used > skip ? a.used - skip : 0;
                const std::size_t want = std::min(a.pages.size, reached + kAhead);
                if (want >= a.done + kStep) {
                    char* from = a.pages.begin + a.done;
                    const std::size_t n = std::min(want - a.done, kStep);
                    a.done += n;
                    lock.unlock();
#ifdef MADV_POPULATE_WRITE
                    ::madvise(from, n, MADV_POPULATE_WRITE);
#else
                    (void)from;
#endif
                    lock.lock();
                    worked = true;
                }
            }
            if (!worked && !stop_) {
                wake_.wait(lock);
            }
        }
    }

    Area areas_[2];
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

PaneSink::PaneSink(JobControl* job, std::uint64_t expectedBytes)
    : ChunkSink("\n"), job_(job), expected_(expectedBytes) {}

PaneSink::~PaneSink() = default;

void PaneSink::Reserve(std::size_t bytes, std::size_t lines) {
    lines_.text.reserve(ReserveUpTo(bytes));
    lines_.starts.reserve(ReserveUpTo(std::uint64_t{lines} * sizeof(std::uint64_t)) /
                          sizeof(std::uint64_t));
    // A big output fills its memory in huge pages: a fraction of the page
    // faults, and pages still come only as the text reaches them.
    HugePages(lines_.text.data(), lines_.text.capacity());
    HugePages(lines_.starts.data(), lines_.starts.capacity() * sizeof(std::uint64_t));
    if (lines_.text.capacity() >= kPrefaultFrom) {
        prefault_ = std::make_unique<Prefault>(
            Prefault::Of(lines_.text.data(), lines_.text.capacity()),
            Prefault::Of(lines_.starts.data(), lines_.starts.capacity() * sizeof(std::uint64_t)));
    }
}

PaneLines PaneSink::Take() {
    Flush();
    prefault_.reset();
    lines_.count = lines_.starts.size();
    return std::move(lines_);
}

void PaneSink::Drain(const char* data, std::size_t size) {
    // The sink hands on whole lines only, so a line starts where the text
    // ends and after every LF but the chunk's last.
    std::string& text = lines_.text;
    const std::uint64_t base = text.size();
    text.append(data, size);
    // The longest line and whether all is ASCII are worked out here too,
    // while the bytes are in the cache, so the window never reads them all.
    // Keyword lines are short: the line ends are found 16 bytes at a time
    // rather than by a search per line.
    PaneText::Facts& facts = lines_.facts;
    PaneText::Index& starts = lines_.starts;
    starts.push_back(base);
    std::size_t lineStart = 0;
    std::size_t longest = facts.longest;
    unsigned high = 0;
    auto lineEnd = [&](std::size_t at) {
        longest = std::max(longest, at - lineStart);
        lineStart = at + 1;
        if (lineStart < size) {
            starts.push_back(base + lineStart);
        }
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        high |= static_cast<unsigned>(_mm_movemask_epi8(bytes));
        for (auto ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
             ends != 0; ends &= ends - 1) {
            lineEnd(i + static_cast<std::size_t>(__builtin_ctz(ends)));
        }
    }
#endif
    for (; i < size; ++i) {
        high |= static_cast<unsigned char>(data[i]) & 0x80u;
        if (data[i] == '\n') {
            lineEnd(i);
        }
    }
    if (lineStart < size) {
        longest = std::max(longest, size - lineStart);
    }
    facts.longest = longest;
    facts.ascii = facts.ascii && high == 0;
    if (prefault_) {
        prefault_->Advance(0, text.data(), text.size());
        prefault_->Advance(1, reinterpret_cast<const char*>(lines_.starts.data()),
                           lines_.starts.size() * sizeof(std::uint64_t));
    }
    if (job_) {
        job_->ThrowIfCancelled();
        job_->SetProgress(text.size(), expected_);
    }
}

}  // namespace varnolt
