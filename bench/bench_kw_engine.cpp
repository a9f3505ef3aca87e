// The keyword engine as varnolt-kw runs it, in one process: the input split
// into lines, then typos --all, adwords with every notation, export and
// typos --all --unique written into a ChunkSink whose buffer is handed to a
// sink that keeps nothing. Beside each, "Copy" moves the same number of bytes
// through a 1 MiB buffer with memcpy: the least that any copy of the output
// (such as cat) must do. The ratio of the two is the engine's overhead.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "keywords/ChunkSink.h"
#include "keywords/Export.h"
#include "keywords/Keywords.h"
#include "keywords/UniqueSink.h"
#include "util/KeywordFile.h"

namespace {

using namespace varnolt;

class NullChunkSink : public ChunkSink {
public:
    std::uint64_t bytes = 0;

protected:
    void Drain(const char* data, std::size_t size) override {
        benchmark::DoNotOptimize(data);
        bytes += size;
    }
};

// The word list and the fixed-seed generator of bench/kw.sh: one to three
// words, some capitalised, some numbers, CR LF line ends.
std::string KeywordText(int count) {
    static const char* const words[] = {
        "red",        "running",  "shoes",   "cheap",    "buy",      "online",    "best",
        "hotel",      "london",   "new",     "york",     "car",      "insurance", "quote",
        "laptop",     "deals",    "free",    "shipping", "women",    "men",       "kids",
        "winter",     "jacket",   "leather", "boots",    "phone",    "case",      "wireless",
        "headphones", "flights",  "paris",   "rome",     "pizza",    "delivery",  "near",
        "me",         "dentist",  "lawyer",  "plumber",  "garden",   "furniture", "outdoor",
        "kitchen",    "table",    "coffee",  "maker",    "espresso", "machine",   "vacuum",
        "cleaner",    "mattress", "sale",    "hiking",   "backpack", "camping",   "tent"};
    static const char* const digits[] = {"2024", "10", "15", "4k", "500", "3", "64gb", "12"};
    std::uint64_t x = 20240611;
    auto next = [&] { return x = (x * 16807) % 2147483647; };
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int n = 1 + static_cast<int>(next() % 3);
        for (int j = 0; j < n; ++j) {
            next();
            std::string word = x % 9 == 0 ? digits[(x / 9) % std::size(digits)]
                                          : words[(x / 9) % std::size(words)];
            next();
            if (x % 7 == 0)
                word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
            if (j)
                text += ' ';
            text += word;
        }
        text += "\r\n";
    }
    return text;
}

const std::string& Text(int count) {
    static std::string texts[3];
    std::string& t = texts[count == 10000 ? 0 : count == 100000 ? 1 : 2];
    if (t.empty())
        t = KeywordText(count);
    return t;
}

enum Job { kTypos, kAdwords, kExport, kUnique };

std::uint64_t RunJob(Job job, const std::string& text) {
    const KeywordList list{std::string(text)};
    NullChunkSink sink;
    if (job == kTypos) {
        GenerateTypos(list.Lines(), TypoKinds::All(), sink);
    } else if (job == kAdwords) {
        FormatMatchTypes(list.Lines(), MatchTypes::AllNotations(), sink);
    } else if (job == kExport) {
        ExportOptions o;
        o.campaign = "C";
        o.adGroup = "G";
        o.types[2] = o.types[4] = true;  // --exact --negative-phrase
        WriteExport(list.Lines(), o, sink);
    } else {
        UniqueSink unique(sink, UniqueSink::ThreadsToUse());
        const std::vector<std::string_view> distinct =
            ReadyForTypos(unique, list.Lines(), TypoKinds::All());
        GenerateTypos(distinct, TypoKinds::All(), unique);
        unique.Finish();
    }
    sink.Flush();
    return sink.bytes;
}

void BM_Engine(benchmark::State& state) {
    const Job job = static_cast<Job>(state.range(0));
    const std::string& text = Text(static_cast<int>(state.range(1)));
    std::uint64_t bytes = 0;
    for (auto _ : state)
        bytes = RunJob(job, text);
    state.counters["out_MB"] = static_cast<double>(bytes) / 1e6;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
}

// The same output size, copied through one 1 MiB buffer.
void BM_Copy(benchmark::State& state) {
    const Job job = static_cast<Job>(state.range(0));
    const std::uint64_t bytes = RunJob(job, Text(static_cast<int>(state.range(1))));
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::unique_ptr<char[]> from(new char[kChunk]), to(new char[kChunk]);
    std::memset(from.get(), 'x', kChunk);
    for (auto _ : state) {
        for (std::uint64_t left = bytes; left > 0;) {
            const std::size_t n = left < kChunk ? static_cast<std::size_t>(left) : kChunk;
            std::memcpy(to.get(), from.get(), n);
            benchmark::ClobberMemory();
            left -= n;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * state.iterations()));
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int job : {kTypos, kAdwords, kExport})
        for (int size : {10000, 100000, 1000000})
            b->Args({job, size});
    b->Args({kUnique, 10000});
    b->ArgNames({"job(0=typos,1=adwords,2=export,3=unique)", "keywords"});
    b->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_Engine)->Apply(Sizes);
BENCHMARK(BM_Copy)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
