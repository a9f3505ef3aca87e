#include "keywords/UniqueSink.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

#include "keywords/KeywordsApart.h"
#include "keywords/UniqueTable.h"

namespace varnolt {

namespace {

constexpr std::size_t kBatch = 32;
// The typo lines a keyword has on average from which the keywords apart
// are told from the others.
constexpr std::uint64_t kApartFrom = 64;

// What a filter holds of a line of the buffer until it is decided.
struct HeldLine {
    const char* text;
    std::size_t size;
    std::uint64_t hash;
    bool ascii, keep;
};

// Moves the bytes of [from, end) down over the lines that go, run by run:
// `nextDropped` gives them in order, then null. Returns the new end.
template <class NextDropped>
char* CloseGaps(char* from, char* end, std::size_t eolSize, NextDropped&& nextDropped) {
    char* dst = from;
    char* src = from;
    for (const HeldLine* p = nextDropped(); p != nullptr; p = nextDropped()) {
        char* const line = from + (p->text - from);
        const auto run = static_cast<std::size_t>(line - src);
        if (dst != src && run > 0)
            std::memmove(dst, src, run);
        dst += run;
        src = line + p->size + eolSize;
    }
    const auto run = static_cast<std::size_t>(end - src);
    if (dst != src && run > 0)
        std::memmove(dst, src, run);
    return dst + run;
}

}  // namespace

std::vector<std::string_view> ReadyForTypos(UniqueSink& set,
                                            const std::vector<std::string_view>& keywords,
                                            const TypoKinds& kinds, const KeyboardLayout* layout,
                                            const std::function<void()>& poll) {
    std::vector<std::string_view> distinct = WithoutRepeats(keywords);
    std::uint64_t lines = EstimateTypoLines(distinct, kinds, layout);
    // Telling the keywords apart costs about what checking a few dozen
    // lines in the set does: worth it when they have many typos each, and
    // a keyword found apart spares the set about as many lines as it has.
    if (lines >= kApartFrom * distinct.size() && TyposAreSingleEdits(layout)) {
        const std::vector<bool> apart =
            KeywordsApart(distinct, static_cast<std::size_t>(lines / distinct.size()), poll);
        set.KeepApart(distinct, apart);
        // The lines of the keywords apart never reach the set (both counts
        // are estimates: the second may pass the first).
        std::vector<std::string_view> alone;
        for (std::size_t i = 0; i < distinct.size(); ++i) {
            if (apart[i])
                alone.push_back(distinct[i]);
        }
        lines -= std::min(lines, EstimateTypoLines(alone, kinds, layout));
    }
    set.Expect(keywords.size() + lines);
    set.Exclude(keywords);
    return distinct;
}

// Holds the lines of a ChunkSink in its buffer and decides them as they
// come, a few lines behind the newest, so that memory is read well ahead:
// line i - kLag is hashed (the newest lines are left alone while their bytes
// are still on their way from the generator's stores) and its home slot
// fetched; the slot of the line kAhead before it is read and the text it
// points at fetched; the line kAhead before that is decided. The lines stay
// where they are until Decide moves those kept together.
class UniqueSink::Filter : public ChunkFilter {
public:
    Filter(UniqueSink& set, Table& table) : set_(set), table_(table), pending_(kHeld) {}
    bool Hold(const char* text, std::size_t size) override {
        Pending& p = pending_[count_++];
        p.text = text;
        p.size = size;
        if (count_ > kLag) {
            HashNext();
            if (hashed_ > kAhead) {
                table_.PrefetchEntry(pending_[hashed_ - 1 - kAhead].hash);
                if (hashed_ > 2 * kAhead)
                    DecideNext();
            }
        }
        return count_ == kHeld;
    }
    char* Decide(char* from, char* end, std::size_t eolSize) override {
        const std::size_t fetched = hashed_ > kAhead ? hashed_ - kAhead : 0;
        while (hashed_ < count_)
            HashNext();
        for (std::size_t i = fetched; i < count_; ++i)
            table_.PrefetchEntry(pending_[i].hash);
        while (decided_ < count_)
            DecideNext();
        std::size_t i = 0;
        char* const last = CloseGaps(from, end, eolSize, [&]() -> const Pending* {
            while (i < count_ && pending_[i].keep)
                ++i;
            return i < count_ ? &pending_[i++] : nullptr;
        });
        count_ = hashed_ = decided_ = 0;
        return last;
    }

private:
    static constexpr std::size_t kHeld = 2048, kLag = 8, kAhead = 16;
    using Pending = HeldLine;
    void HashNext() {
        Pending& p = pending_[hashed_++];
        p.hash = table_.HashLine(p.text, p.size, p.ascii);
        table_.Prefetch(p.hash);
    }
    void DecideNext() {
        Pending& p = pending_[decided_++];
        p.keep = table_.Insert(p.text, p.size, p.hash, p.ascii);
        set_.dropped_ += !p.keep;
    }
    UniqueSink& set_;
    Table& table_;
    std::vector<Pending> pending_;
    std::size_t count_ = 0, hashed_ = 0, decided_ = 0;
};

// Two tables, two threads: the calling thread holds the lines as they come;
// at Decide each thread hashes half of them, then each checks, in order,
// the lines whose hash belongs to its table (their slots fetched ahead),
// and notes those that go; the calling thread then moves the lines that
// stay together. A batch too small to be worth the hand-over is checked by
// the calling thread alone.
class UniqueSink::SplitFilter : public ChunkFilter {
public:
    explicit SplitFilter(UniqueSink& set) : set_(set), pending_(kHeld) {
        for (Side& side : sides_) {
            side.lists[0].resize(kHeld);
            side.lists[1].resize(kHeld);
            side.drops.reserve(kHeld);
        }
        worker_ = std::thread([this] { Work(); });
    }
    ~SplitFilter() override {
        stop_.store(true, std::memory_order_relaxed);
        round_.fetch_add(1, std::memory_order_release);
        round_.notify_one();
        worker_.join();
    }
    bool Hold(const char* text, std::size_t size) override {
        Pending& p = pending_[count_++];
        p.text = text;
        p.size = size;
        return count_ == kHeld;
    }
    char* Decide(char* from, char* end, std::size_t eolSize) override {
        for (Side& side : sides_)
            side.drops.clear();
        if (count_ < kAlone)
            DecideAlone();
        else
            DecideTogether();
        // The lines dropped on either side, in the order they came.
        const std::vector<std::uint32_t>& a = sides_[0].drops;
        const std::vector<std::uint32_t>& b = sides_[1].drops;
        std::size_t i = 0, j = 0;
        char* const last = CloseGaps(from, end, eolSize, [&]() -> const Pending* {
            if (i == a.size() && j == b.size())
                return nullptr;
            return &pending_[j == b.size() || (i < a.size() && a[i] < b[j]) ? a[i++] : b[j++]];
        });
        set_.dropped_ += a.size() + b.size();
        count_ = 0;
        return last;
    }

private:
    static constexpr std::size_t kHeld = 65536, kAlone = 1024, kAhead = 16;
    using Pending = HeldLine;
    static void Await(const std::atomic<unsigned>& flag, unsigned round) {
        for (unsigned v; (v = flag.load(std::memory_order_acquire)) != round;)
            flag.wait(v, std::memory_order_acquire);
    }
    // What each thread writes as it goes, a cache line of its own: the
    // lines it hashed, by table, and the lines of its table that go.
    struct alignas(64) Side {
        std::vector<std::uint32_t> lists[2], drops;
        std::size_t found[2] = {0, 0};
    };
    // Hashes lines [begin, end) and sorts them, in order, by table into
    // the lists of `side` (the hashing thread's own).
    void Hash(Table& table, Side& side, std::size_t begin, std::size_t end) {
        std::uint32_t* const lists[2] = {side.lists[0].data(), side.lists[1].data()};
        std::size_t n[2] = {0, 0};
        for (std::size_t i = begin; i < end; ++i) {
            Pending& p = pending_[i];
            p.hash = table.HashLine(p.text, p.size, p.ascii);
            // Without a branch: which table a line goes to is a coin toss.
            const unsigned t = TableIndexOf(p.hash);
            lists[0][n[0]] = lists[1][n[1]] = static_cast<std::uint32_t>(i);
            ++n[t];
        }
        side.found[0] = n[0];
        side.found[1] = n[1];
    }
    // Checks, in order, the lines of table t: those the calling thread
    // hashed, then the worker's.
    void DecideTable(unsigned t) {
        Table& table = *set_.tables_[t];
        const std::uint32_t* const first = sides_[0].lists[t].data();
        const std::uint32_t* const second = sides_[1].lists[t].data();
        const std::size_t split = sides_[0].found[t];
        const std::size_t n = split + sides_[1].found[t];
        const auto line = [&](std::size_t k) { return k < split ? first[k] : second[k - split]; };
        std::vector<std::uint32_t>& drops = sides_[t].drops;
        // A pipeline, as in InsertAll: line k's home slot fetched, the text
        // its slots point at fetched kAhead later, the line checked kAhead
        // after that.
        for (std::size_t k = 0; k < n + 2 * kAhead; ++k) {
            if (k < n)
                table.Prefetch(pending_[line(k)].hash);
            if (k >= kAhead && k - kAhead < n)
                table.PrefetchEntry(pending_[line(k - kAhead)].hash);
            if (k >= 2 * kAhead) {
                const std::uint32_t i = line(k - 2 * kAhead);
                const Pending& p = pending_[i];
                if (!table.Insert(p.text, p.size, p.hash, p.ascii))
                    drops.push_back(i);
            }
        }
    }
    void DecideAlone() {
        Table& first = *set_.tables_[0];
        for (std::size_t i = 0; i < count_; ++i) {
            Pending& p = pending_[i];
            p.hash = first.HashLine(p.text, p.size, p.ascii);
            if (!set_.TableOf(p.hash).Insert(p.text, p.size, p.hash, p.ascii))
                sides_[0].drops.push_back(static_cast<std::uint32_t>(i));
        }
    }
    void DecideTogether() {
        const unsigned round = round_.load(std::memory_order_relaxed) + 1;
        workerFailed_ = nullptr;
        round_.store(round, std::memory_order_release);
        round_.notify_one();
        std::exception_ptr failed;
        try {
            Hash(*set_.tables_[0], sides_[0], 0, count_ / 2);
        } catch (...) {
            failed = std::current_exception();
        }
        mainFailed_.store(failed != nullptr, std::memory_order_relaxed);
        mainHashed_.store(round, std::memory_order_release);
        mainHashed_.notify_one();
        Await(workerHashed_, round);
        if (failed == nullptr && workerHashFailed_ == nullptr) {
            try {
                DecideTable(0);
            } catch (...) {
                failed = std::current_exception();
            }
        }
        // The worker reads the lines and the held list until it is done.
        Await(workerDone_, round);
        if (failed == nullptr)
            failed = workerHashFailed_ != nullptr ? workerHashFailed_ : workerFailed_;
        if (failed != nullptr) {
            count_ = 0;
            std::rethrow_exception(failed);
        }
    }
    void Work() {
        for (unsigned seen = 0;;) {
            round_.wait(seen, std::memory_order_acquire);
            seen = round_.load(std::memory_order_acquire);
            if (stop_.load(std::memory_order_relaxed))
                return;
            workerHashFailed_ = nullptr;
            try {
                Hash(*set_.tables_[1], sides_[1], count_ / 2, count_);
            } catch (...) {
                workerHashFailed_ = std::current_exception();
            }
            workerHashed_.store(seen, std::memory_order_release);
            workerHashed_.notify_one();
            Await(mainHashed_, seen);
            if (workerHashFailed_ == nullptr && !mainFailed_.load(std::memory_order_relaxed)) {
                try {
                    DecideTable(1);
                } catch (...) {
                    workerFailed_ = std::current_exception();
                }
            }
            workerDone_.store(seen, std::memory_order_release);
            workerDone_.notify_one();
        }
    }

    UniqueSink& set_;
    std::vector<Pending> pending_;
    std::size_t count_ = 0;
    Side sides_[2];
    std::atomic<unsigned> round_{0}, mainHashed_{0}, workerHashed_{0}, workerDone_{0};
    std::atomic<bool> mainFailed_{false}, stop_{false};
    std::exception_ptr workerHashFailed_, workerFailed_;
    std::thread worker_;
};

UniqueSink::UniqueSink(LineSink& out, unsigned threads) : out_(out) {
    tables_[0] = std::make_unique<Table>();
    chunk_ = out.Direct();
    if (chunk_ != nullptr) {
        if (threads >= 2) {
            tables_[1] = std::make_unique<Table>();
            tableCount_ = 2;
            filter_ = std::make_unique<SplitFilter>(*this);
        } else {
            filter_ = std::make_unique<Filter>(*this, *tables_[0]);
        }
        chunk_->SetFilter(filter_.get());
    }
}

UniqueSink::~UniqueSink() {
    if (chunk_ != nullptr) {
        try {
            chunk_->SetFilter(nullptr);
        } catch (...) {  // out of memory: the held lines stay undecided
        }
    }
}

void UniqueSink::KeepApart(std::span<const std::string_view> distinct,
                           const std::vector<bool>& apart) {
    apart_.clear();
    nextApart_ = 0;
    for (std::size_t i = 0; i < distinct.size() && i < apart.size(); ++i) {
        if (apart[i])
            apart_.push_back(distinct[i]);
    }
}

bool UniqueSink::BeginTyposOf(std::string_view keyword) {
    const bool apart = nextApart_ < apart_.size() && apart_[nextApart_].data() == keyword.data() &&
                       apart_[nextApart_].size() == keyword.size();
    if (apart) {
        ++nextApart_;
        if (chunk_ == nullptr)
            PassHeld();
    }
    // The filter still decides the lines it holds around those it is not shown.
    if (chunk_ != nullptr)
        chunk_->ShowLines(!apart);
    alone_ = apart;
    return apart;
}

unsigned UniqueSink::ThreadsToUse() {
    cpu_set_t cpus;
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0)
        return CPU_COUNT(&cpus) >= 2 ? 2 : 1;
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

UniqueSink::Table& UniqueSink::TableOf(std::uint64_t hash) {
    return *tables_[tableCount_ == 2 ? TableIndexOf(hash) : 0];
}

void UniqueSink::SetHashMask(std::uint64_t mask) {
    for (unsigned t = 0; t < tableCount_; ++t)
        tables_[t]->hashMask = mask;
}

void UniqueSink::AddLine(std::string_view line) {
    AddJoined({&line, 1});
}

void UniqueSink::AddJoined(std::span<const std::string_view> pieces) {
    if (chunk_ != nullptr) {
        chunk_->AddJoined(pieces);
        return;
    }
    if (alone_) {
        // Nothing is held: BeginTyposOf passed the held lines on.
        out_.AddJoined(pieces);
        return;
    }
    const std::size_t at = heldLines_.size();
    for (std::string_view piece : pieces)
        heldLines_.append(piece);
    Held h{at, heldLines_.size() - at, 0, false};
    h.hash = tables_[0]->HashLine(heldLines_.data() + at, h.size, h.ascii);
    TableOf(h.hash).Prefetch(h.hash);
    held_.push_back(h);
    if (held_.size() == kBatch)
        PassHeld();
}

void UniqueSink::Finish() {
    alone_ = false;
    if (chunk_ != nullptr) {
        chunk_->ShowLines(true);
        chunk_->DecideHeld();
        return;
    }
    PassHeld();
}

void UniqueSink::PassHeld() {
    for (const Held& l : held_) {
        if (TableOf(l.hash).Insert(heldLines_.data() + l.at, l.size, l.hash, l.ascii))
            out_.AddLine({heldLines_.data() + l.at, l.size});
        else
            ++dropped_;
    }
    held_.clear();
    heldLines_.clear();
}

void UniqueSink::Expect(std::uint64_t lines) {
    // Split between two tables by the hash, each gets about half; a little
    // more, as the halves are seldom even.
    const std::uint64_t each = tableCount_ == 1 ? lines : lines / 2 + lines / 64;
    for (unsigned t = 0; t < tableCount_; ++t)
        tables_[t]->Expect(each);
}

bool UniqueSink::Exclude(std::string_view line) {
    Finish();
    bool ascii;
    const std::uint64_t h = tables_[0]->HashLine(line.data(), line.size(), ascii);
    return TableOf(h).Insert(line.data(), line.size(), h, ascii);
}

void UniqueSink::Exclude(std::span<const std::string_view> lines) {
    InsertAll(lines, [](std::size_t, bool) {});
}

std::size_t UniqueSink::KeepNew(std::span<std::string_view> lines) {
    std::size_t kept = 0;
    InsertAll(lines, [&](std::size_t j, bool isNew) {
        if (isNew)
            lines[kept++] = lines[j];  // kept <= j: no line is overwritten before it is read
    });
    return kept;
}

template <class F>
void UniqueSink::InsertAll(std::span<const std::string_view> lines, F&& onInserted) {
    Finish();
    // A pipeline, so that memory is read well ahead: line i is hashed and
    // its home slot fetched; the slot of line i - kAhead is read and the
    // text it points at fetched; line i - 2 kAhead is inserted.
    constexpr std::size_t kAhead = 16, kRing = 64;
    static_assert(kRing > 2 * kAhead);
    std::uint64_t hash[kRing];
    bool ascii[kRing];
    Table& first = *tables_[0];
    const std::size_t n = lines.size();
    for (std::size_t i = 0; i < n + 2 * kAhead; ++i) {
        if (i < n) {
            const std::size_t r = i % kRing;
            hash[r] = first.HashLine(lines[i].data(), lines[i].size(), ascii[r]);
            TableOf(hash[r]).Prefetch(hash[r]);
        }
        if (i >= kAhead && i - kAhead < n) {
            const std::uint64_t h = hash[(i - kAhead) % kRing];
            TableOf(h).PrefetchEntry(h);
        }
        if (i >= 2 * kAhead) {
            const std::size_t j = i - 2 * kAhead;
            const std::string_view line = lines[j];
            const std::uint64_t h = hash[j % kRing];
            onInserted(j, TableOf(h).Insert(line.data(), line.size(), h, ascii[j % kRing]));
        }
    }
}

}  // namespace varnolt
