#pragma once
// The keyword lists the window benchmarks work on.
#include <iterator>
#include <random>
#include <string>

namespace varnolt::bench {

// `count` keywords of one to three words, as an advertiser's list looks, one
// a line with LF; the same list every time.
inline std::string MakeKeywords(int count) {
    static const char* const words[] = {"cheap",     "flights", "new",    "york",      "hotel",
                                        "shoes",     "running", "best",   "insurance", "car",
                                        "rental",    "london",  "laptop", "deals",     "pizza",
                                        "near",      "me",      "book",   "online",    "garden",
                                        "furniture", "yoga",    "mat",    "coffee",    "maker"};
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> nwords(1, 3);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(words)) - 1);
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int n = nwords(rng);
        for (int w = 0; w < n; ++w) {
            if (w) {
                text += ' ';
            }
            text += words[pick(rng)];
        }
        text += '\n';
    }
    return text;
}

}  // namespace varnolt::bench
