#pragma once
// The work of the keyword pages as it runs on a job's worker thread: each
// routine looks at its JobControl between pieces, stops with JobCancelled,
// and makes a pane's text ready to hand over (LF breaks and line starts), so
// that the window's thread only moves it in.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/ChunkSink.h"
#include "keywords/Keywords.h"
#include "keywords/ui/KeywordJob.h"
#include "keywords/ui/PaneText.h"

namespace varnolt {

struct KeyboardLayout;

// A whole text for a pane (KeywordPane::SetLines).
struct PaneLines {
    std::string text;  // LF breaks
    PaneText::Index starts;
    std::size_t count = 0;  // keywords: lines without an empty last one
    PaneText::Facts facts;  // worked out on the worker's thread
};

// `text` (LF breaks) with its line starts.
PaneLines MakePaneLines(std::string&& text);

// A keyword file read as Load reads it (KeywordFile.h): UTF-8 or else
// Windows-1252, a byte-order mark dropped, every line break made LF. Throws
// FileError with Load's messages. `notText` says the file holds NUL bytes: it
// is not a keyword list, and `lines` is empty.
struct LoadedKeywords {
    PaneLines lines;
    bool notText = false;
};
LoadedKeywords ReadKeywordsForPane(const std::string& path, JobControl& job);

// Visits a text (LF breaks) in order, piece by piece.
using ChunkVisitor = std::function<void(const std::function<void(std::string_view)>&)>;

// Writes the text that `chunks` visits to `path` with CR LF line ends (about
// `expected` bytes, for the progress), replacing the file whole (OutputFile) or not at all: a
// cancelled or failed write leaves the old file. Throws FileError with Save's messages.
void WriteKeywordsFromPane(const std::string& path, const ChunkVisitor& chunks, std::uint64_t bytes,
                           JobControl& job);

// The typos of `keywords` as Generate makes them; `unique` drops repeats and
// the keywords themselves.
PaneLines GenerateForPane(const std::vector<std::string_view>& keywords, const TypoKinds& kinds,
                          bool unique, const KeyboardLayout* layout, JobControl& job);

// The notations of `keywords` as Format makes them; `unique` drops repeats.
PaneLines FormatForPane(const std::vector<std::string_view>& keywords, const MatchTypes& types,
                        bool unique, JobControl& job);

// Collects lines into a pane's text, each followed by LF. The keyword
// routines write into the sink's buffer; each full buffer is appended to the
// text and indexed while it is still in the cache, and the job is looked at
// (cancel, progress by bytes against `expectedBytes`).
class PaneSink : public ChunkSink {
public:
    explicit PaneSink(JobControl* job = nullptr, std::uint64_t expectedBytes = 0);
    ~PaneSink() override;
    // Room for about `bytes` of text in `lines` lines (more costs nothing
    // until it is written; less costs a copy as the text grows).
    void Reserve(std::size_t bytes, std::size_t lines);
    PaneLines Take();

protected:
    void Drain(const char* data, std::size_t size) override;

private:
    class Prefault;
    JobControl* job_;
    std::uint64_t expected_;
    PaneLines lines_;
    std::unique_ptr<Prefault> prefault_;  // stops before lines_ goes
};

// A LineSink in front of another that looks at the job every few thousand
// lines and counts the lines towards an expected total for the progress.
class JobSink : public LineSink {
public:
    JobSink(LineSink& out, JobControl& job, std::uint64_t expected)
        : out_(out), job_(job), expected_(expected) {}
    void AddLine(std::string_view line) override {
        out_.AddLine(line);
        Tick();
    }
    void AddJoined(std::span<const std::string_view> pieces) override {
        out_.AddJoined(pieces);
        Tick();
    }

private:
    void Tick() {
        if ((++lines_ & 4095u) == 0) {
            job_.ThrowIfCancelled();
            job_.SetProgress(lines_, expected_);
        }
    }
    LineSink& out_;
    JobControl& job_;
    std::uint64_t expected_;
    std::uint64_t lines_ = 0;
};

}  // namespace varnolt
