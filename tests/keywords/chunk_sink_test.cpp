// The one-buffer sink and the routes into it: the lines written straight into
// its buffer, and the duplicates checked there, are the bytes of the line-by-
// line route, whatever the buffer's size.
#include "keywords/ChunkSink.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"
#include "keywords/UniqueSink.h"

namespace varnolt {
namespace {

using test::VectorSink;

// Keeps what it is handed; counts the hand-overs.
class StringChunkSink : public ChunkSink {
public:
    using ChunkSink::ChunkSink;
    std::string text;
    int drains = 0;

protected:
    void Drain(const char* data, std::size_t size) override {
        text.append(data, size);
        ++drains;
    }
};

std::string Joined(const std::vector<std::string>& lines, const std::string& eol) {
    std::string text;
    for (const std::string& l : lines)
        text += l + eol;
    return text;
}

const std::string kLong(300, 'Q');  // longer than the small buffers below

std::vector<std::string_view> Keywords() {
    static const std::vector<std::string> words = {
        "cat", "Book", "new york", "", "caf\xC3\xA9", "A1", "BOOK", "-[x]", kLong, "cat", "\xE9"};
    return {words.begin(), words.end()};
}

// Typos and every notation (with and without Lowercase), each through a
// ChunkSink of several sizes and both ends of line, equal the lines the
// routines give one by one.
TEST(ChunkSink, DirectRouteWritesTheLinesOfTheLineRoute) {
    MatchTypes lower = MatchTypes::AllNotations();
    lower.Set(static_cast<std::size_t>(FindMatchOption("--lowercase")));
    const std::vector<std::function<void(LineSink&)>> runs = {
        [](LineSink& out) { GenerateTypos(Keywords(), TypoKinds::All(), out); },
        [](LineSink& out) { FormatMatchTypes(Keywords(), MatchTypes::AllNotations(), out); },
        [&](LineSink& out) { FormatMatchTypes(Keywords(), lower, out); },
    };
    for (std::size_t r = 0; r < runs.size(); ++r) {
        VectorSink want;
        runs[r](want);
        ASSERT_GT(want.lines.size(), 20u);
        for (std::size_t capacity : {std::size_t{64}, std::size_t{1000}, std::size_t{1} << 20}) {
            for (const char* eol : {"\r\n", "\n"}) {
                StringChunkSink got(eol, capacity);
                runs[r](got);
                got.Flush();
                EXPECT_EQ(got.text, Joined(want.lines, eol)) << r << " " << capacity;
                if (capacity == 64) {
                    EXPECT_GT(got.drains, 10);
                }
            }
        }
    }
}

// A UniqueSink in front of a ChunkSink checks the lines in the buffer; it
// drops the same lines as in front of any other sink, across batches, buffer
// hand-overs, long lines and folded letters; KeepNew is Exclude line by line;
// leaving out repeated keywords changes nothing; nor does splitting the
// lines between two threads.
TEST(ChunkSink, DuplicatesInTheBufferAsLineByLine) {
    std::vector<std::string> extra;
    for (int i = 0; i < 3000; ++i)
        extra.push_back((i % 2 ? "K" : "k") + std::to_string(i % 1700));
    extra.insert(extra.end(), {"\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9", kLong,
                               "q" + kLong.substr(1), "\xC5\xBF", "S"});
    auto run = [&](LineSink& out, bool skipRepeats, unsigned threads = 1) {
        UniqueSink unique(out, threads);
        for (std::string_view kw : Keywords())
            unique.Exclude(kw);
        GenerateTypos(skipRepeats ? WithoutRepeats(Keywords()) : Keywords(), TypoKinds::All(),
                      unique);
        for (const std::string& l : extra)
            unique.AddLine(l);
        unique.Finish();
        return unique.Dropped();
    };
    VectorSink want;
    const std::size_t dropped = run(want, false);
    EXPECT_GT(dropped, 1300u);
    for (bool skip : {false, true}) {
        StringChunkSink got("\r\n", 256);
        const std::size_t d = run(got, skip);
        got.Flush();
        EXPECT_EQ(got.text, Joined(want.lines, "\r\n")) << skip;
        if (!skip) {
            EXPECT_EQ(d, dropped);
        }
    }
    StringChunkSink split("\r\n");
    EXPECT_EQ(run(split, false, 2), dropped);
    split.Flush();
    EXPECT_EQ(split.text, Joined(want.lines, "\r\n"));

    std::vector<std::string_view> lines(extra.begin(), extra.end());
    VectorSink none;
    UniqueSink one(none), batch(none);
    std::vector<std::string_view> kept;
    for (std::string_view l : lines) {
        if (one.Exclude(l))
            kept.push_back(l);
    }
    lines.resize(batch.KeepNew(lines));
    EXPECT_EQ(lines, kept);
    EXPECT_EQ(kept.size(), 1700u + 3u);  // ÉTÉ = été, QQ..Q = qQ..Q, ſ = S
}

}  // namespace
}  // namespace varnolt
