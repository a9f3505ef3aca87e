// The keyboards of Missed keys and Inserted keys: every table against its
// layout's key rows, and the exact lines for a few keywords.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "VectorSink.h"
#include "keywords/Keywords.h"
#include "keywords/Layouts.h"
#include "util/UUtils.h"

namespace varnolt {
namespace {

using test::Lines;
using test::VectorSink;

Lines Row(const KeyboardLayout& l, char key) {
    Lines row;
    SplitByChar(',', l.neighbours[key - 'a'], row);
    return row;
}

struct Key {
    int row;
    double centre;
};

std::map<char, Key> Keys(const KeyboardLayout& l) {
    std::map<char, Key> keys;
    for (int r = 0; r < 4; ++r) {
        for (std::size_t i = 0; i < l.keyRows[r].size(); ++i) {
            if (l.keyRows[r][i] != ' ')
                keys[l.keyRows[r][i]] = Key{r, l.firstCentre[r] + static_cast<double>(i)};
        }
    }
    return keys;
}

// The rule of the built tables: the left neighbour, the keys of the row
// above less than one key width from the centre (left to right), the right
// neighbour, then those of the row below (right to left).
Lines ByRule(const KeyboardLayout& l, char key) {
    const std::map<char, Key> keys = Keys(l);
    const Key k = keys.at(key);
    std::vector<std::pair<double, char>> left, up, right, down;
    for (const auto& [c, o] : keys) {
        const double dx = o.centre - k.centre;
        if (o.row == k.row && std::abs(dx + 1) < 1e-9)
            left.push_back({dx, c});
        if (o.row == k.row && std::abs(dx - 1) < 1e-9)
            right.push_back({dx, c});
        if (o.row == k.row - 1 && std::abs(dx) < 1 - 1e-9)
            up.push_back({dx, c});
        if (o.row == k.row + 1 && std::abs(dx) < 1 - 1e-9)
            down.push_back({-dx, c});
    }
    std::sort(up.begin(), up.end());
    std::sort(down.begin(), down.end());
    Lines row;
    for (const auto* part : {&left, &up, &right, &down}) {
        for (const auto& [dx, c] : *part)
            row.push_back(std::string(1, c));
    }
    return row;
}

TEST(KeyboardLayouts, EveryRowAgainstItsKeyRows) {
    const KeyboardLayout& qwerty = KeyboardLayouts()[0];
    EXPECT_EQ(qwerty.name, "qwerty");
    EXPECT_EQ(qwerty.neighbours, KeyNeighbourTable);  // today's table, exactly
    auto swapYZ = [](char c) { return c == 'y' ? 'z' : c == 'z' ? 'y' : c; };
    for (const KeyboardLayout& l : KeyboardLayouts()) {
        EXPECT_EQ(FindKeyboardLayout(l.name), &l);
        const std::map<char, Key> keys = Keys(l);
        for (char key = 'a'; key <= 'z'; ++key) {
            const Lines row = Row(l, key);
            const Key k = keys.at(key);
            // Left and right on its own row, where those are letters.
            for (double dx : {-1.0, 1.0}) {
                for (const auto& [c, o] : keys) {
                    const bool beside = o.row == k.row && std::abs(o.centre - k.centre - dx) < 1e-9;
                    if (beside && c >= 'a' && c <= 'z') {
                        EXPECT_NE(std::find(row.begin(), row.end(), std::string(1, c)), row.end())
                            << l.name << " " << key << " lacks " << c;
                    }
                }
            }
            for (const std::string& n : row) {
                ASSERT_EQ(n.size(), 1u) << l.name << " " << key;
                ASSERT_TRUE(keys.count(n[0])) << l.name << " " << key << ": " << n;
                EXPECT_NE(n[0], key) << l.name;
                EXPECT_LE(std::abs(keys.at(n[0]).row - k.row), 1) << l.name << " " << key;
                EXPECT_EQ(std::count(row.begin(), row.end(), n), 1) << l.name << " " << key;
            }
            Lines derived;
            if (l.name == "qwerty-mobile") {
                for (const std::string& n : Row(qwerty, key)) {
                    if (!std::isdigit(static_cast<unsigned char>(n[0])))
                        derived.push_back(n);
                }
                EXPECT_EQ(row, derived) << key;
            } else if (l.name == "qwertz") {
                for (const std::string& n : Row(qwerty, swapYZ(key)))
                    derived.push_back(std::string(1, swapYZ(n[0])));
                EXPECT_EQ(row, derived) << key;
            } else if (l.name == "azerty" || l.name == "dvorak") {
                EXPECT_EQ(row, ByRule(l, key)) << l.name << " " << key;
            }
        }
    }
    EXPECT_EQ(FindKeyboardLayout("colemak"), nullptr);
}

Lines Typos(const char* option, const char* layout, std::string_view keyword) {
    VectorSink sink;
    GenerateTypos({keyword}, TypoKinds::Of({option}), sink, FindKeyboardLayout(layout));
    return sink.lines;
}

Lines Split(const char* csv) {
    Lines lines;
    SplitByChar(',', csv, lines);
    return lines;
}

TEST(KeyboardLayouts, ExactLines) {
    const struct {
        const char* layout;
        const char* keyword;
        const char* missed;
    } cases[] = {
        {"qwerty", "cat", "xat,dat,fat,vat,cqt,cwt,cst,cxt,czt,car,ca5,ca6,cay,cah,cag,caf"},
        {"qwerty-mobile", "cat", "xat,dat,fat,vat,cqt,cwt,cst,cxt,czt,car,cay,cah,cag,caf"},
        {"qwertz", "cat", "xat,dat,fat,vat,cqt,cwt,cst,cxt,cyt,car,ca5,ca6,caz,cah,cag,caf"},
        {"azerty", "cat", "xat,dat,fat,vat,czt,cqt,car,cay,cag,caf"},
        {"dvorak", "cat", "gat,8at,9at,rat,tat,hat,cot,cah,cac,car,can,caw,cam"},
        {"azerty", "Book",
         "vook,gook,hook,nook,biok,bpok,blok,bkok,boik,bopk,bolk,bokk,booj,booi,booo,bool"},
        {"dvorak", "Book", "xook,dook,hook,mook,baok,beok,bqok,boak,boek,boqk,booj,boou,booi,boox"},
        {"qwerty-mobile", "Book",
         "vook,gook,hook,nook,biok,bpok,blok,bkok,boik,bopk,bolk,bokk,booj,booi,booo,bool,boom"},
        {"azerty", "new york",
         "bew york,hew york,jew york,nzw york,nrw york,ndw york,nsw york,neq york,nes york,"
         "nex york,new tork,new uork,new hork,new gork,new yirk,new yprk,new ylrk,new ykrk,"
         "new yoek,new yotk,new yofk,new yodk,new yorj,new yori,new yoro,new yorl"},
        {"qwertz", "new york",
         "bew york,hew york,jew york,mew york,nww york,n3w york,n4w york,nrw york,nfw york,"
         "ndw york,nsw york,neq york,ne2 york,ne3 york,nee york,ned york,nes york,nea york,"
         "new aork,new sork,new xork,new yirk,new y9rk,new y0rk,new yprk,new ylrk,new ykrk,"
         "new yoek,new yo4k,new yo5k,new yotk,new yogk,new yofk,new yodk,new yorj,new yori,"
         "new yoro,new yorl,new yorm"},
        {"dvorak", "Caf\xC3\xA9",
         "gaf\xC3\xA9,8af\xC3\xA9,9af\xC3\xA9,raf\xC3\xA9,taf\xC3\xA9,haf\xC3\xA9,cof\xC3\xA9,"
         "cay\xC3\xA9,ca6\xC3\xA9,ca7\xC3\xA9,cag\xC3\xA9,cad\xC3\xA9,cai\xC3\xA9"},
        {"azerty", "Caf\xC3\xA9",
         "xaf\xC3\xA9,daf\xC3\xA9,faf\xC3\xA9,vaf\xC3\xA9,czf\xC3\xA9,cqf\xC3\xA9,cad\xC3\xA9,"
         "car\xC3\xA9,cat\xC3\xA9,cag\xC3\xA9,cav\xC3\xA9,cac\xC3\xA9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Typos("--missed-keys", c.layout, c.keyword), Split(c.missed))
            << c.layout << " " << c.keyword;
    EXPECT_EQ(Typos("--inserted-keys", "dvorak", "at"), Split("oat,aht,act,art,ant,awt,amt"));
    // The other kinds do not depend on the keyboard.
    EXPECT_EQ(Typos("--skip-letter", "dvorak", "cat"), Split("at,ct,ca"));
}

}  // namespace
}  // namespace varnolt
