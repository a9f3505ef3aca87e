// Every row of the neighbour table, derived from the key rows of a QWERTY
// keyboard, and what the two neighbour kinds make of each row.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "keywords/Keywords.h"

namespace varnolt {
namespace {

class VectorSink : public LineSink {
public:
    void AddLine(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

// The key rows from the top; each row sits half a key further right than
// the one above it, so key i of a row touches keys i and i + 1 above it and
// keys i - 1 and i below it (and i + 1 too below the top letter row).
const std::vector<std::string> kKeyRows = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};

char KeyAt(int row, int i) {
    if (row < 0 || row >= static_cast<int>(kKeyRows.size()) || i < 0 ||
        i >= static_cast<int>(kKeyRows[row].size())) {
        return 0;
    }
    return kKeyRows[row][i];
}

// Clockwise from the left: left, upper left, upper right, right, then the
// row below from right to left. Keys off the rows (punctuation) are left out.
std::string DerivedRow(char key) {
    int row = 0;
    while (kKeyRows[row].find(key) == std::string::npos)
        ++row;
    const int i = static_cast<int>(kKeyRows[row].find(key));
    std::vector<char> keys = {KeyAt(row, i - 1), KeyAt(row - 1, i), KeyAt(row - 1, i + 1),
                              KeyAt(row, i + 1)};
    if (row == 1)
        keys.push_back(KeyAt(2, i + 1));
    keys.push_back(KeyAt(row + 1, i));
    keys.push_back(KeyAt(row + 1, i - 1));
    std::string text;
    for (char k : keys) {
        if (k != 0)
            text += text.empty() ? std::string(1, k) : std::string(",") + k;
    }
    return text;
}

TEST(KeyNeighbours, EveryRowFollowsTheKeyboardInOutputOrder) {
    // Two rows list one key more than the geometry gives: a also lists x
    // (before z), g also lists d (at its end).
    const std::map<char, std::pair<std::size_t, std::string>> extra = {{'a', {6, "x,"}},
                                                                       {'g', {11, ",d"}}};
    for (char key = 'a'; key <= 'z'; ++key) {
        std::string expected = DerivedRow(key);
        if (auto it = extra.find(key); it != extra.end())
            expected.insert(it->second.first, it->second.second);
        ASSERT_EQ(GetKeyNeighbours(key), expected) << key;

        // Missed keys replaces the letter by each neighbour in row order,
        // Inserted keys puts each one before it; an upper-case letter is
        // lower-cased first.
        std::vector<std::string> missed, inserted;
        for (std::size_t i = 0; i < expected.size(); i += 2) {
            missed.emplace_back(1, expected[i]);
            inserted.push_back(std::string(1, expected[i]) + key);
        }
        for (const std::string& keyword :
             {std::string(1, key), std::string(1, static_cast<char>(key - 32))}) {
            VectorSink m, n;
            AddMissedKeys(keyword, m);
            AddInsertedKeys(keyword, n);
            EXPECT_EQ(m.lines, missed) << keyword;
            EXPECT_EQ(n.lines, inserted) << keyword;
        }
    }
    // The derivation itself, on three rows written out by hand.
    EXPECT_EQ(DerivedRow('e'), "w,3,4,r,f,d,s");
    EXPECT_EQ(DerivedRow('p'), "o,0,l");
    EXPECT_EQ(DerivedRow('z'), "a,s,x");
}

}  // namespace
}  // namespace varnolt
