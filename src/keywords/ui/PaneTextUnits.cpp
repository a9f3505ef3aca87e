// Line indexing, line breaks and UTF-16 offsets of the pane's text.
#include <algorithm>
#include <cstring>

#include "keywords/ui/PaneTextStore.h"
#include "util/TextCodec.h"

namespace varnolt {

namespace {

// Bytes of the character at `i`: a well-formed UTF-8 sequence, or one byte,
// by the rule every keyword tool follows.
std::size_t CharLength(std::string_view s, std::size_t i) {
    const std::size_t n = Utf8SequenceLength(s, i);
    return n ? n : 1;
}

// UTF-16 units of one UTF-8 text, as the pane shows it.
std::size_t UnitsOf(std::string_view s) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = CharLength(s, i);
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return units;
}

// The byte column of the `unit`-th UTF-16 unit of a line.
std::size_t ColOf(std::string_view s, std::size_t unit) {
    std::size_t col = 0;
    while (col < s.size() && unit > 0) {
        const std::size_t len = CharLength(s, col);
        const std::size_t u = len == 4 ? 2 : 1;
        if (u > unit) {
            break;
        }
        unit -= u;
        col += len;
    }
    return col;
}

}  // namespace

std::size_t PaneText::Units(std::string_view s) {
    return UnitsOf(s);
}

std::size_t PaneText::ColOfUnit(std::string_view s, std::size_t unit) {
    return ColOf(s, unit);
}

PaneText::Index PaneText::IndexLines(std::string_view text) {
    Index starts;
    if (text.empty()) {
        return starts;
    }
    const std::size_t breaks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    starts.reserve(breaks + 1);
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t at = 0;
    while (at < n) {
        starts.push_back(at);
        const void* nl = std::memchr(data + at, '\n', n - at);
        if (!nl) {
            break;
        }
        at = static_cast<std::size_t>(static_cast<const char*>(nl) - data) + 1;
    }
    return starts;
}

void PaneText::NormaliseBreaks(std::string& text) {
    if (text.find_first_of("\r\xE2") == std::string::npos) {
        return;
    }
    std::size_t out = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\r') {
            text[out++] = '\n';
            if (i + 1 < n && text[i + 1] == '\n') {
                ++i;
            }
        } else if (c == '\xE2' && i + 2 < n && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            text[out++] = '\n';
            i += 2;
        } else {
            text[out++] = c;
        }
    }
    text.resize(out);
}

bool PaneText::AllAscii() const {
    return doc_->base.Ascii() && doc_->add.Ascii();
}

std::size_t PaneText::UnitOffset(TextPos pos) const {
    pos.line = std::min(pos.line, total_ - 1);
    const bool ascii = AllAscii();
    std::size_t units = 0;
    for (std::size_t r = 0; r < doc_->runs.size(); ++r) {
        const Run& run = doc_->runs[r];
        const Store& s = StoreOf(run);
        const std::size_t first = doc_->firstLine[r];
        const std::size_t b = s.Begin(run.first);
        if (pos.line < first + run.count) {
            const std::size_t k = run.first + (pos.line - first);
            const std::size_t lineEnd = s.Begin(k) + std::min(pos.col, s.EndOf(k) - s.Begin(k));
            const std::string_view piece = std::string_view(s.bytes).substr(b, lineEnd - b);
            return units + (ascii ? piece.size() : UnitsOf(piece));
        }
        const std::string_view piece = std::string_view(s.bytes).substr(b, RunBytes(run));
        units += (ascii ? piece.size() : UnitsOf(piece)) + 1;
    }
    return units;
}

TextPos PaneText::PosAtUnit(std::size_t offset) const {
    const bool ascii = AllAscii();
    std::size_t units = 0;
    for (std::size_t line = 0; line < total_;) {
        const std::size_t r = RunAt(line);
        const Run& run = doc_->runs[r];
        const Store& s = StoreOf(run);
        const std::size_t b = s.Begin(run.first);
        const std::string_view piece = std::string_view(s.bytes).substr(b, RunBytes(run));
        const std::size_t runUnits = ascii ? piece.size() : UnitsOf(piece);
        if (units + runUnits < offset && r + 1 < doc_->runs.size()) {
            units += runUnits + 1;
            line = doc_->firstLine[r + 1];
            continue;
        }
        // Inside this run: line by line.
        for (std::size_t i = line; i < line + run.count; ++i) {
            const std::string_view l = Line(i);
            const std::size_t u = ascii ? l.size() : UnitsOf(l);
            if (units + u >= offset || i + 1 == total_) {
                const std::size_t want = std::min(offset - units, u);
                return TextPos{i, ascii ? want : ColOf(l, want)};
            }
            units += u + 1;
        }
        line += run.count;
    }
    return End();
}

}  // namespace varnolt
