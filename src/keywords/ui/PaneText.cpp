#include "keywords/ui/PaneText.h"

#include <malloc.h>

#include <algorithm>
#include <cstring>

#include "keywords/ui/PaneTextStore.h"

namespace varnolt {

namespace {

std::uint64_t LinesOf(const auto& runs) {
    std::uint64_t n = 0;
    for (const auto& r : runs) {
        n += r.count;
    }
    return n;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

PaneText::PaneText() : doc_(std::make_unique<Doc>()) {}
PaneText::~PaneText() {
    if (releaser_.joinable()) {
        releaser_.join();
    }
}

const PaneText::Store& PaneText::StoreOf(const Run& r) const {
    return r.store == 0 ? doc_->base : doc_->add;
}

std::size_t PaneText::RunBytes(const Run& r) const {
    const Store& s = StoreOf(r);
    return s.EndOf(r.first + r.count - 1) - s.Begin(r.first);
}

std::size_t PaneText::KeywordCount() const {
    return total_ - (Line(total_ - 1).empty() ? 1 : 0);
}

std::size_t PaneText::RunAt(std::size_t line) const {
    const auto& fl = doc_->firstLine;
    return static_cast<std::size_t>(std::upper_bound(fl.begin(), fl.end(), line) - fl.begin()) - 1;
}

std::string_view PaneText::Line(std::size_t i) const {
    if (i >= total_) {
        return {};
    }
    const Run& r = doc_->runs[RunAt(i)];
    const Store& s = StoreOf(r);
    const std::size_t k = r.first + (i - doc_->firstLine[RunAt(i)]);
    return std::string_view(s.bytes).substr(s.Begin(k), s.EndOf(k) - s.Begin(k));
}

std::size_t PaneText::Size() const {
    std::size_t n = doc_->runs.size() - 1;
    for (const Run& r : doc_->runs) {
        n += RunBytes(r);
    }
    return n;
}

void PaneText::ForEachChunk(const std::function<void(std::string_view)>& sink) const {
    bool first = true;
    for (const Run& r : doc_->runs) {
        if (!first) {
            sink("\n");
        }
        first = false;
        const Store& s = StoreOf(r);
        const std::size_t b = s.Begin(r.first);
        const std::size_t bytes = RunBytes(r);
        if (bytes > 0) {
            sink(std::string_view(s.bytes).substr(b, bytes));
        }
    }
}

std::string PaneText::Text() const {
    std::string out;
    out.reserve(Size());
    ForEachChunk([&out](std::string_view piece) { out.append(piece); });
    return out;
}

std::size_t PaneText::LongestLine() const {
    return doc_->longest;
}

TextPos PaneText::End() const {
    return TextPos{total_ - 1, Line(total_ - 1).size()};
}

void PaneText::Reindex(std::size_t fromRun) {
    auto& runs = doc_->runs;
    auto& fl = doc_->firstLine;
    // Join neighbours that continue each other in the same buffer.
    const std::size_t start = fromRun == 0 ? 0 : fromRun - 1;
    std::size_t w = start;
    for (std::size_t r = start + 1; r < runs.size(); ++r) {
        if (runs[w].store == runs[r].store && runs[w].first + runs[w].count == runs[r].first) {
            runs[w].count += runs[r].count;
        } else {
            runs[++w] = runs[r];
        }
    }
    runs.resize(w + 1);
    fl.resize(runs.size());
    std::uint64_t line = start == 0 ? 0 : fl[start - 1] + runs[start - 1].count;
    for (std::size_t r = start; r < runs.size(); ++r) {
        fl[r] = line;
        line += runs[r].count;
    }
    total_ = static_cast<std::size_t>(line);
    ++generation_;
}

std::size_t PaneText::SplitAt(std::size_t line) {
    if (line >= total_) {
        return doc_->runs.size();
    }
    const std::size_t r = RunAt(line);
    const std::size_t first = doc_->firstLine[r];
    if (first == line) {
        return r;
    }
    Run& run = doc_->runs[r];
    const std::uint64_t head = line - first;
    Run tail{run.store, run.first + head, run.count - head};
    run.count = head;
    doc_->runs.insert(doc_->runs.begin() + static_cast<std::ptrdiff_t>(r) + 1, tail);
    doc_->firstLine.insert(doc_->firstLine.begin() + static_cast<std::ptrdiff_t>(r) + 1, line);
    return r + 1;
}

std::vector<PaneText::Run> PaneText::ReplaceLines(std::size_t from, std::size_t to,
                                                  std::vector<Run> with) {
    const std::size_t i = SplitAt(from);
    const std::size_t j = SplitAt(to);
    auto& runs = doc_->runs;
    std::vector<Run> old(runs.begin() + static_cast<std::ptrdiff_t>(i),
                         runs.begin() + static_cast<std::ptrdiff_t>(j));
    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i),
               runs.begin() + static_cast<std::ptrdiff_t>(j));
    runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(i), with.begin(), with.end());
    doc_->firstLine.resize(runs.size());
    Reindex(i);
    return old;
}

TextPos PaneText::Replace(TextPos from, TextPos to, std::string_view lfText, bool typing) {
    if (to < from) {
        std::swap(from, to);
    }
    from.line = std::min(from.line, total_ - 1);
    to.line = std::min(to.line, total_ - 1);
    from.col = std::min(from.col, Line(from.line).size());
    to.col = std::min(to.col, Line(to.line).size());
    if (from == to && lfText.empty()) {
        return from;
    }
    // Copies: the lines may live in the buffer that grows below.
    const std::string prefix(Line(from.line).substr(0, from.col));
    const std::string suffix(Line(to.line).substr(to.col));
    Store& add = doc_->add;
    const std::size_t breaks =
        static_cast<std::size_t>(std::count(lfText.begin(), lfText.end(), '\n'));
    const std::size_t need = prefix.size() + lfText.size() + suffix.size() + 1;
    if (add.bytes.capacity() < add.bytes.size() + need) {
        add.bytes.reserve(add.bytes.size() + need + add.bytes.size() / 2);
    }
    if (add.starts.capacity() < add.starts.size() + breaks + 1) {
        add.starts.reserve(add.starts.size() + breaks + 1 + add.starts.size() / 2);
    }
    const std::size_t firstNew = add.starts.size();
    add.starts.push_back(add.bytes.size());
    add.bytes.append(prefix);
    std::size_t at = 0;
    while (true) {
        const std::size_t nl = lfText.find('\n', at);
        add.bytes.append(lfText.substr(at, nl == std::string_view::npos ? nl : nl - at));
        if (nl == std::string_view::npos) {
            break;
        }
        doc_->longest = std::max(doc_->longest, add.bytes.size() - add.starts.back());
        add.bytes.push_back('\n');
        add.starts.push_back(add.bytes.size());
        at = nl + 1;
    }
    const std::size_t lastCol = add.bytes.size() - add.starts.back();
    add.bytes.append(suffix);
    doc_->longest = std::max(doc_->longest, add.bytes.size() - add.starts.back());
    add.bytes.push_back('\n');
    if (add.ascii == 1 && !(IsAscii(lfText) && IsAscii(prefix) && IsAscii(suffix))) {
        add.ascii = 0;
    }
    const std::uint64_t count = add.starts.size() - firstNew;
    std::vector<Run> with{Run{1, firstNew, count}};
    std::vector<Run> old = ReplaceLines(from.line, to.line + 1, with);
    const TextPos end{from.line + static_cast<std::size_t>(count) - 1, lastCol};

    redo_.clear();
    Step* top = undo_.empty() ? nullptr : &undo_.back();
    if (typing && top && !top->whole && top->typing && top->caretAfter == from && from == to &&
        breaks == 0 && top->at == from.line && LinesOf(top->after) == 1) {
        top->after = std::move(with);
        top->caretAfter = end;
        return end;
    }
    Step step;
    step.at = from.line;
    step.before = std::move(old);
    step.after = std::move(with);
    step.caretBefore = typing ? from : to;
    step.caretAfter = end;
    step.typing = typing && breaks == 0;
    undo_.push_back(std::move(step));
    return end;
}

TextPos PaneText::Undo() {
    if (undo_.empty()) {
        return End();
    }
    Step step = std::move(undo_.back());
    undo_.pop_back();
    if (step.whole) {
        std::swap(doc_, step.other);
        Reindex(0);
    } else {
        ReplaceLines(step.at, step.at + LinesOf(step.after), step.before);
    }
    const TextPos caret = step.caretBefore;
    redo_.push_back(std::move(step));
    return caret;
}

TextPos PaneText::Redo() {
    if (redo_.empty()) {
        return End();
    }
    Step step = std::move(redo_.back());
    redo_.pop_back();
    if (step.whole) {
        std::swap(doc_, step.other);
        Reindex(0);
    } else {
        ReplaceLines(step.at, step.at + LinesOf(step.before), step.after);
    }
    const TextPos caret = step.caretAfter;
    step.typing = false;  // typing after a Redo starts a step of its own
    undo_.push_back(std::move(step));
    return caret;
}

void PaneText::Forget() {
    std::vector<Step>().swap(undo_);
    std::vector<Step>().swap(redo_);
}

void PaneText::Adopt(std::string&& text, Index&& starts, const Facts* facts) {
    const bool big = Size() > (std::size_t{1} << 20) || !undo_.empty();
    if (big) {
        Release();  // the old text leaves on a thread of its own
    } else {
        Forget();
        doc_ = std::make_unique<Doc>();
    }
    Doc& d = *doc_;
    const bool endsOpen = text.empty() || text.back() == '\n';
    d.base.bytes = std::move(text);
    d.base.starts = std::move(starts);
    d.runs.clear();
    d.firstLine.clear();
    if (!d.base.starts.empty()) {
        d.runs.push_back(Run{0, 0, d.base.starts.size()});
        d.firstLine.push_back(0);
        if (facts) {
            d.longest = facts->longest;
            d.base.ascii = facts->ascii ? 1 : 0;
        } else {
            d.longest = Survey(d.base.bytes, d.base.starts, false).longest;
        }
    }
    if (endsOpen) {
        d.runs.push_back(Run{1, 0, 1});
        d.firstLine.push_back(d.base.starts.size());
    }
    Reindex(0);
}

PaneText::Facts PaneText::Survey(std::string_view text, const Index& starts, bool ascii) {
    Facts f;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t end = k + 1 < starts.size()
                                    ? static_cast<std::size_t>(starts[k + 1]) - 1
                                    : text.size() - (!text.empty() && text.back() == '\n');
        f.longest = std::max(f.longest, end - static_cast<std::size_t>(starts[k]));
    }
    f.ascii = ascii && IsAscii(text);
    return f;
}

void PaneText::Append(std::string_view lfText) {
    if (lfText.empty()) {
        return;
    }
    if (IsEmpty()) {
        std::string copy;
        copy.reserve(lfText.size());
        copy.assign(lfText);
        Index starts = IndexLines(copy);
        Adopt(std::move(copy), std::move(starts));
        return;
    }
    Forget();
    const TextPos end = End();
    Replace(end, end, lfText);
    Forget();
}

void PaneText::Clear(TextPos caretBefore) {
    if (IsEmpty()) {
        return;
    }
    if (Size() > kUndoableClearBytes) {
        Release();
        return;
    }
    Step step;
    step.whole = true;
    step.caretBefore = caretBefore;
    step.other = std::move(doc_);
    doc_ = std::make_unique<Doc>();
    Reindex(0);
    redo_.clear();
    undo_.push_back(std::move(step));
}

void PaneText::Release() {
    struct Leaving {
        std::unique_ptr<Doc> doc;
        std::vector<Step> undo;
        std::vector<Step> redo;
    };
    auto leaving = std::make_unique<Leaving>();
    leaving->doc = std::move(doc_);
    leaving->undo.swap(undo_);
    leaving->redo.swap(redo_);
    doc_ = std::make_unique<Doc>();
    Reindex(0);
    if (releaser_.joinable()) {
        releaser_.join();
    }
    releaser_ = std::thread([gone = std::move(leaving)]() mutable {
        gone.reset();
        malloc_trim(0);
    });
}

}  // namespace varnolt