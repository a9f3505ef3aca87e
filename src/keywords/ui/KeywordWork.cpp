#include "keywords/ui/KeywordWork.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "keywords/UniqueSink.h"
#include "util/FdGuard.h"
#include "util/FileError.h"
#include "util/KeywordFile.h"
#include "util/OutputFile.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;
// Outputs reserved at this size or more have their pages faulted in ahead.
constexpr std::size_t kPrefaultFrom = std::size_t{16} << 20;
constexpr std::uint64_t kWritebackStep = std::uint64_t{8} << 20;

// Every CR LF and lone CR of `text` made LF, in place.
void CrToLf(std::string& text) {
    std::size_t out = text.find('\r');
    if (out == std::string::npos) {
        return;
    }
    const std::size_t n = text.size();
    for (std::size_t in = out; in < n; ++in) {
        const char c = text[in];
        if (c == '\r') {
            text[out++] = '\n';
            if (in + 1 < n && text[in + 1] == '\n') {
                ++in;
            }
        } else {
            text[out++] = c;
        }
    }
    text.resize(out);
}

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

// As many lines and bytes as the chosen kinds write for these keywords, or a
// little more: untouched reserved pages cost no memory, a short reserve costs
// copies.
struct Estimate {
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
};
Estimate TyposAtMost(const std::vector<std::string_view>& keywords, const TypoKinds& kinds) {
    std::uint64_t linesPerChar = 0;
    const auto rows = TypoKindTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (kinds.Has(i)) {
            // A keyboard kind writes up to seven lines a letter, vowel swap
            // four, the others one.
            const std::string_view o = rows[i].option;
            linesPerChar += o.find("keys") != std::string_view::npos    ? 7
                            : o.find("vowel") != std::string_view::npos ? 4
                                                                        : 1;
        }
    }
    Estimate e;
    for (std::string_view kw : keywords) {
        const std::uint64_t n = kw.size();
        e.lines += linesPerChar * n;
        e.bytes += linesPerChar * n * (n + 2);
    }
    return e;
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

PaneLines MakePaneLines(std::string&& text) {
    PaneLines p;
    p.starts = PaneText::IndexLines(text);
    p.count = p.starts.size();
    p.facts = PaneText::Survey(text, p.starts);
    p.text = std::move(text);
    return p;
}

LoadedKeywords ReadKeywordsForPane(const std::string& path, JobControl& job) {
    FdGuard fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        throw FileError(CannotOpenMessage(path, errno));
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw FileError(CannotOpenMessage(path, errno));
    }
    if (S_ISDIR(st.st_mode)) {
        throw FileError(CannotOpenMessage(path, EISDIR));
    }
    const bool regular = S_ISREG(st.st_mode);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (regular && size > kMaxKeywordFileBytes) {
        throw FileError(kMsgTextTooLarge);
    }

    std::string bytes;
    if (regular) {
        bytes.reserve(static_cast<std::size_t>(size));
    }
    auto buf = std::make_unique<char[]>(kPiece);
    for (;;) {
        job.ThrowIfCancelled();
        const ssize_t got = ::read(fd.Get(), buf.get(), kPiece);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError(CannotOpenMessage(path, errno));
        }
        if (got == 0) {
            break;
        }
        // Pipes and devices have no size up front: the cap holds as they grow.
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxKeywordFileBytes) {
            throw FileError(kMsgTextTooLarge);
        }
        bytes.append(buf.get(), static_cast<std::size_t>(got));
        job.SetProgress(bytes.size(), regular ? size + size / 4 : 0);
    }
    buf.reset();

    LoadedKeywords loaded;
    if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
        loaded.notText = true;
        return loaded;
    }
    job.ThrowIfCancelled();
    const std::size_t bom = bytes.size() - DropUtf8Bom(bytes).size();
    if (bom > 0) {
        bytes.erase(0, bom);
    }
    if (!IsValidUtf8(bytes)) {
        bytes = Cp1252ToUtf8(bytes);
    }
    job.ThrowIfCancelled();
    CrToLf(bytes);
    loaded.lines = MakePaneLines(std::move(bytes));
    job.SetProgress(1, 1);
    return loaded;
}

void WriteKeywordsFromPane(const std::string& path, const ChunkVisitor& chunks,
                           std::uint64_t expected, JobControl& job) {
    std::string error;
    OutputFile file;
    if (!file.Open(path, path, &error)) {
        throw FileError(error);
    }
    // The text goes out in pieces of a megabyte, each LF written CR LF.
    auto buf = std::make_unique<char[]>(kPiece);
    std::size_t used = 0;
    std::uint64_t written = 0;
    int failed = 0;
    std::uint64_t handedToDisk = 0;
    auto flush = [&] {
        if (failed == 0 && used > 0) {
            failed = WriteAll(file.Fd(), buf.get(), used);
        }
        written += used;
        used = 0;
#ifdef __linux__
        // Start the disk on what is written so far, so the sync before the
        // file replaces the old one has little left to wait for.
        if (failed == 0 && written - handedToDisk >= kWritebackStep) {
            ::sync_file_range(file.Fd(), static_cast<off_t>(handedToDisk),
                              static_cast<off_t>(written - handedToDisk), SYNC_FILE_RANGE_WRITE);
            handedToDisk = written;
        }
#endif
        job.ThrowIfCancelled();
        job.SetProgress(written, expected);
    };
    auto put = [&](const char* p, std::size_t n) {
        while (n > 0) {
            const std::size_t k = std::min(n, kPiece - used);
            std::memcpy(buf.get() + used, p, k);
            used += k;
            p += k;
            n -= k;
            if (used == kPiece) {
                flush();
            }
        }
    };
    chunks([&](std::string_view chunk) {
        const char* p = chunk.data();
        const char* const end = p + chunk.size();
        while (p < end && failed == 0) {
            const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            const char* stop = nl ? static_cast<const char*>(nl) : end;
            put(p, static_cast<std::size_t>(stop - p));
            if (!nl) {
                break;
            }
            put("\r\n", 2);
            p = stop + 1;
        }
    });
    flush();
    if (failed != 0) {
        file.Abandon();
        throw FileError(CannotWriteMessage(path, failed));
    }
    // From here on the file is replaced: the job no longer cancels.
    if (!job.Commit()) {
        throw JobCancelled{};
    }
    if (!file.Commit(&error)) {
        throw FileError(error);
    }
}

PaneLines GenerateForPane(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                          bool unique, const KeyboardLayout* layout, JobControl& job) {
    PaneSink text;
    const Estimate most = TyposAtMost(keywords, kinds);
    text.Reserve(most.bytes, most.lines);
    std::unique_ptr<UniqueSink> dedupe;
    if (unique) {
        dedupe = std::make_unique<UniqueSink>(text);
        dedupe->Expect(keywords.size() + EstimateTypoLines(keywords, kinds, layout));
        // The input keywords themselves are not typos of them.
        for (std::string_view kw : keywords) {
            dedupe->Exclude(kw);
        }
    }
    LineSink& out = dedupe ? static_cast<LineSink&>(*dedupe) : text;
    // Keyword by keyword, in batches small enough to stop at once.
    constexpr std::size_t kBatch = 1024;
    std::vector<std::string_view> batch;
    batch.reserve(kBatch);
    for (std::size_t at = 0; at < keywords.size(); at += kBatch) {
        job.ThrowIfCancelled();
        job.SetProgress(at, keywords.size());
        const std::size_t end = std::min(keywords.size(), at + kBatch);
        batch.assign(keywords.begin() + static_cast<std::ptrdiff_t>(at),
                     keywords.begin() + static_cast<std::ptrdiff_t>(end));
        GenerateTypos(batch, kinds, out, layout);
    }
    if (dedupe) {
        dedupe->Finish();
        dedupe.reset();
    }
    job.ThrowIfCancelled();
    return text.Take();
}

PaneLines FormatForPane(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                        bool unique, JobControl& job) {
    // The size is known: every notation writes its marks around every keyword.
    std::uint64_t keywordBytes = 0;
    for (std::string_view kw : keywords) {
        keywordBytes += kw.size();
    }
    std::uint64_t bytes = 0;
    std::uint64_t lines = 0;
    const auto rows = MatchOptionTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (types.Has(i) && rows[i].add) {
            bytes +=
                keywordBytes + keywords.size() * (rows[i].before.size() + rows[i].after.size() + 1);
            lines += keywords.size();
        }
    }
    PaneSink text(&job, bytes);
    text.Reserve(bytes, lines);
    std::unique_ptr<UniqueSink> dedupe;
    if (unique) {
        dedupe = std::make_unique<UniqueSink>(text);
        dedupe->Expect(lines);
    }
    LineSink& out = dedupe ? static_cast<LineSink&>(*dedupe) : text;
    FormatMatchTypes(keywords, types, out);
    if (dedupe) {
        dedupe->Finish();
        dedupe.reset();
    }
    job.ThrowIfCancelled();
    return text.Take();
}

}  // namespace varnolt
