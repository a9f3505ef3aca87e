// Duplicates removed, and the keywords of an upload file, on lines of any
// bytes.
//
// Properties: whatever the route (line by line, through a small buffer,
// KeepNew) the lines kept are those whose folded text is new, in order, and
// the set gives them back as they came; typos with duplicates removed are
// the lines of a set of every folded line; an upload file made from the lines
// taken in two runs is the one made from all of them at once.
#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "FuzzCheck.h"
#include "keywords/ChunkSink.h"
#include "keywords/Export.h"
#include "keywords/Layouts.h"
#include "keywords/UniqueSink.h"

using namespace varnolt;

namespace {

class Lines : public LineSink {
public:
    void AddLine(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

class Buffer : public ChunkSink {
public:
    explicit Buffer(std::size_t capacity) : ChunkSink("\n", capacity) {}
    std::string text;

protected:
    void Drain(const char* data, std::size_t size) override { text.append(data, size); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses a hash mask (few bits make lines collide) and a
    // buffer size; the rest is lines split at LF.
    const unsigned choice = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string_view> in;
    for (std::size_t at = 0; at <= bytes.size();) {
        std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos)
            end = bytes.size();
        in.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    const std::uint64_t mask = (choice & 1) ? 0xC000000000000001ull : ~std::uint64_t{0};

    std::vector<std::string> want;
    std::unordered_set<std::string> seen;
    for (std::string_view l : in) {
        if (seen.insert(FoldCase(l)).second)
            want.emplace_back(l);
    }

    Lines byLine;
    // Two tables and two threads behind the third sink.
    Buffer buffered(64 + (choice >> 1)), twoThreads(64 + (choice >> 2));
    for (LineSink* out : {static_cast<LineSink*>(&byLine), static_cast<LineSink*>(&buffered),
                          static_cast<LineSink*>(&twoThreads)}) {
        UniqueSink unique(*out, out == &twoThreads ? 2 : 1);
        unique.SetHashMask(mask);
        for (std::string_view l : in)
            unique.AddLine(l);
        unique.Finish();
        FUZZ_REQUIRE(unique.Dropped() == in.size() - want.size());
    }
    buffered.Flush();
    FUZZ_REQUIRE(byLine.lines == want);
    std::string joined;
    for (const std::string& l : want)
        joined += l + "\n";
    FUZZ_REQUIRE(buffered.text == joined);
    twoThreads.Flush();
    FUZZ_REQUIRE(twoThreads.text == joined);

    Lines none;
    UniqueSink batch(none);
    batch.SetHashMask(mask);
    std::vector<std::string_view> views = in;
    views.resize(batch.KeepNew(views));
    FUZZ_REQUIRE(std::vector<std::string>(views.begin(), views.end()) == want);
    std::vector<std::string> kept;
    batch.ForEachKept([&](std::string_view l) { kept.emplace_back(l); });
    FUZZ_REQUIRE(kept == want);

    // A keyword's own repeats go by A-Z lowering alone.
    std::vector<std::string_view> firstByAscii;
    std::unordered_set<std::string> lowered;
    for (std::string_view l : in) {
        std::string low(l);
        for (char& c : low)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        if (lowered.insert(low).second)
            firstByAscii.push_back(l);
    }
    FUZZ_REQUIRE(WithoutRepeats(in) == firstByAscii);

    // Typos with duplicates removed, the keywords apart from the others
    // among them, write what a set of every folded line keeps.
    if (in.size() <= 32 && bytes.size() <= 512) {
        TypoKinds kinds;
        for (std::size_t row = 0; row < 7; ++row)
            kinds.Set(row, ((choice * 37u + 11u) >> row) & 1u);
        kinds.Set(4);  // missed keys: enough lines a keyword to look for those apart
        const std::span<const KeyboardLayout> layouts = KeyboardLayouts();
        const KeyboardLayout* layout = &layouts[choice % layouts.size()];
        Lines plain;
        GenerateTypos(in, kinds, plain, layout);
        std::unordered_set<std::string> typoSeen;
        for (std::string_view l : in)
            typoSeen.insert(FoldCase(l));
        std::string typos;
        for (const std::string& l : plain.lines) {
            if (typoSeen.insert(FoldCase(l)).second)
                typos += l + "\n";
        }
        Buffer out(64 + choice);
        UniqueSink unique(out, 1 + (choice & 1));
        GenerateTypos(ReadyForTypos(unique, in, kinds, layout), kinds, unique, layout);
        unique.Finish();
        out.Flush();
        FUZZ_REQUIRE(out.text == typos);
    }

    ExportOptions o;
    o.format = (choice & 2) ? ExportFormat::MicrosoftAds : ExportFormat::GoogleAds;
    o.campaign = "C";
    o.adGroup = "G";
    o.types[1] = o.types[5] = true;
    o.lowercase = (choice & 4) != 0;
    TextSink whole("\r\n");
    const ExportResult all = WriteExport(in, o, whole);
    ExportKeywords runs(o);
    const std::span<const std::string_view> lines(in);
    const std::size_t cut = choice % (lines.size() + 1);
    runs.Add(lines.first(cut));
    runs.Add(lines.subspan(cut));
    TextSink split("\r\n");
    const ExportResult r = runs.Write(split);
    FUZZ_REQUIRE(split.Text() == whole.Text());
    FUZZ_REQUIRE(r.leftOut == all.leftOut && r.firstLine == all.firstLine);
    return 0;
}
