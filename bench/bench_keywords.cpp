// The keyword core: typo kinds, match types, keyword-file decoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "keywords/Keywords.h"
#include "util/KeywordFile.h"
#include "util/TextCodec.h"

namespace {

using namespace varnolt;

// Counts bytes, as a sink that copies nothing; shows the cost of generation alone.
class CountingSink : public LineSink {
public:
    void AddLine(std::string_view line) override { bytes += line.size() + 2; }
    void AddJoined(std::span<const std::string_view> pieces) override {
        for (std::string_view p : pieces)
            bytes += p.size();
        bytes += 2;
    }
    std::uint64_t bytes = 0;
};

std::string KeywordText(int count) {
    const char* words[] = {"red",   "running", "Shoes",  "cheap",  "buy",         "online",
                           "hotel", "London",  "new",    "york",   "2024",        "laptop",
                           "deals", "free",    "winter", "jacket", "caf\xC3\xA9", "64gb"};
    std::uint32_t x = 12345;
    std::string text;
    for (int i = 0; i < count; ++i) {
        x = x * 1103515245u + 12345u;
        const int n = 1 + static_cast<int>((x >> 16) % 3);
        for (int j = 0; j < n; ++j) {
            x = x * 1103515245u + 12345u;
            if (j)
                text += ' ';
            text += words[(x >> 16) % (sizeof words / sizeof *words)];
        }
        text += "\r\n";
    }
    return text;
}

void BM_Typos(benchmark::State& state) {
    const std::string text = KeywordText(10000);
    const std::vector<std::string_view> keywords = KeywordLines(text);
    const TypoKinds choices[] = {
        TypoKinds::All(), TypoKinds::Of({"--skip-letter"}), TypoKinds::Of({"--reverse-letters"}),
        TypoKinds::Of({"--missed-keys"}), TypoKinds::Of({"--inserted-keys"})};
    const TypoKinds kinds = choices[state.range(0)];
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        GenerateTypos(keywords, kinds, sink);
        bytes += sink.bytes;
        benchmark::DoNotOptimize(sink.bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_Typos)->DenseRange(0, 4)->ArgName("kind(0=all,skip,reverse,missed,inserted)");

void BM_TyposIntoText(benchmark::State& state) {
    const std::string text = KeywordText(10000);
    const std::vector<std::string_view> keywords = KeywordLines(text);
    const TypoKinds all = TypoKinds::All();
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        TextSink sink("\r\n");
        GenerateTypos(keywords, all, sink);
        bytes += sink.Text().size();
        benchmark::DoNotOptimize(sink.Text().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_TyposIntoText);

void BM_MatchTypes(benchmark::State& state) {
    const std::string text = KeywordText(10000);
    const std::vector<std::string_view> keywords = KeywordLines(text);
    MatchTypes all = MatchTypes::AllNotations();
    all.Set(FindMatchOption("--lowercase"), state.range(0) != 0);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        CountingSink sink;
        FormatMatchTypes(keywords, all, sink);
        bytes += sink.bytes;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_MatchTypes)->Arg(0)->Arg(1)->ArgName("lowercase");

void BM_DecodeKeywordText(benchmark::State& state) {
    std::string bytes = KeywordText(50000);
    if (state.range(0))
        bytes += "\xE9";  // one stray byte: the Windows-1252 path
    for (auto _ : state) {
        std::string text = DecodeKeywordText(bytes);
        benchmark::DoNotOptimize(text.data());
        std::vector<std::string_view> lines = KeywordLines(text);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeKeywordText)->Arg(0)->Arg(1)->ArgName("cp1252");

}  // namespace

BENCHMARK_MAIN();
