// The settings text reader.
//
// Either the input is read as a settings text, or it gives the values of a
// settings text that is written here (every tag in reading order, markers
// in mixed letter case, any line ends) and read back.
//
// Properties: the same text and seed give the same result; the joined text
// has no NUL and only CR LF line ends; every value is taken verbatim from
// the joined text and never holds its own closing marker; the picks come
// from the entries read; valid UTF-8 in gives valid UTF-8 values out; a
// written text gives back exactly the values it was written from.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "brand/BrandFile.h"

using namespace varnolt;
using varnolt::fuzz::WellFormedUtf8;

namespace {

using Field = const std::string& (*)(const BrandRead&);

struct Tag {
    const char* name;
    Field field;
};

#define VARNOLT_TAG(name)                                                               \
    {                                                                                   \
#name, [](const BrandRead& r) -> const std::string& { return r.settings.name; } \
    }
// The single tags in reading order. AffiliateURL has its placeholder
// replaced and is checked on its own.
const Tag kTags[] = {
    VARNOLT_TAG(ApplicationName),
    VARNOLT_TAG(BranderCode),
    VARNOLT_TAG(BranderType),
    {"AffiliateURL", nullptr},
    VARNOLT_TAG(AffiliateTYPE),
    VARNOLT_TAG(AffiliateID),
    VARNOLT_TAG(MasterNewsBaseURL),
    VARNOLT_TAG(PlatinumNewsBaseURL),
    VARNOLT_TAG(GoldNewsBaseURL),
    VARNOLT_TAG(MasterPublID),
    VARNOLT_TAG(PlatinumPublID),
    VARNOLT_TAG(GoldPublID),
    {"MakeMoneyButton", [](const BrandRead& r) -> const std::string& { return r.MakeMoneyButton; }},
    VARNOLT_TAG(AppHelpURL),
    VARNOLT_TAG(CopyrightYears),
    VARNOLT_TAG(CopyrightCompany),
    VARNOLT_TAG(AboutText),
};
#undef VARNOLT_TAG

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return s;
}

bool HoldsNoCase(const std::string& hay, const std::string& needle) {
    return Upper(hay).find(Upper(needle)) != std::string::npos;
}

std::string FirstPart(const std::string& entry) {
    return entry.substr(0, entry.find('^'));
}

std::vector<std::string> AllValues(const BrandRead& r) {
    const BrandSettings& s = r.settings;
    std::vector<std::string> v = {s.AffiliateURL, s.WelcomeText, s.BannerFile,   s.BannerURL,
                                  s.Link1Caption, s.Link1URL,    s.Link2Caption, s.Link2URL};
    for (const Tag& tag : kTags) {
        if (tag.field)
            v.push_back(tag.field(r));
    }
    for (const auto* family : {&r.Welcome, &r.Banner, &r.Link})
        v.insert(v.end(), family->begin(), family->end());
    return v;
}

void CheckPicks(const BrandRead& r) {
    const BrandSettings& s = r.settings;
    FUZZ_REQUIRE(r.Welcome.size() <= 16 && r.Banner.size() <= 16 && r.Link.size() <= 16);
    FUZZ_REQUIRE(r.Welcome.empty() == s.WelcomeText.empty());
    FUZZ_REQUIRE(r.Welcome.empty() ||
                 std::find(r.Welcome.begin(), r.Welcome.end(), s.WelcomeText) != r.Welcome.end());
    FUZZ_REQUIRE(s.BannerNumber >= 0 && s.BannerNumber <= static_cast<int>(r.Banner.size()));
    FUZZ_REQUIRE((s.BannerNumber == 0) == r.Banner.empty());
    if (s.BannerNumber > 0)
        FUZZ_REQUIRE(FirstPart(r.Banner[s.BannerNumber - 1]) == s.BannerFile);
    int firstLink = -1;
    for (std::size_t i = 0; i < r.Link.size() && firstLink < 0; ++i) {
        if (FirstPart(r.Link[i]) == s.Link1Caption)
            firstLink = static_cast<int>(i);
    }
    FUZZ_REQUIRE(r.Link.empty() || firstLink >= 0);
    FUZZ_REQUIRE(r.Link.size() >= 2 || (s.Link2Caption.empty() && s.Link2URL.empty()));
    for (const auto* family : {&r.Welcome, &r.Banner, &r.Link}) {
        for (const std::string& entry : *family)
            FUZZ_REQUIRE(!entry.empty());
    }
}

void CheckText(const std::string& plain, std::uint32_t seed) {
    const BrandRead r = ReadBrandText(plain, seed);
    FUZZ_REQUIRE(AllValues(ReadBrandText(plain, seed)) == AllValues(r));
    FUZZ_REQUIRE(ReadBrandText(plain, seed).warnings == r.warnings);

    const std::string whole = JoinSettingsLines(plain);
    FUZZ_REQUIRE(whole.find('\0') == std::string::npos);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (whole[i] == '\r')
            FUZZ_REQUIRE(i + 1 < whole.size() && whole[i + 1] == '\n');
        if (whole[i] == '\n')
            FUZZ_REQUIRE(i > 0 && whole[i - 1] == '\r');
    }
    FUZZ_REQUIRE(whole.empty() || whole.ends_with("\r\n"));
    FUZZ_REQUIRE(JoinSettingsLines(whole) == whole);

    for (const Tag& tag : kTags) {
        if (!tag.field)
            continue;
        const std::string& value = tag.field(r);
        FUZZ_REQUIRE(whole.find(value) != std::string::npos);
        FUZZ_REQUIRE(!HoldsNoCase(value, std::string("<%%/") + tag.name + "%%>"));
    }
    for (const auto* family : {&r.Welcome, &r.Banner, &r.Link}) {
        for (const std::string& entry : *family)
            FUZZ_REQUIRE(whole.find(entry) != std::string::npos);
    }
    FUZZ_REQUIRE(whole.find(LastNewsIdOf(plain)) != std::string::npos);
    CheckPicks(r);

    if (WellFormedUtf8(plain)) {
        for (const std::string& value : AllValues(r))
            FUZZ_REQUIRE(WellFormedUtf8(value));
    }
}

// A value that cannot hold a marker or a line end.
std::string Value(FuzzedDataProvider& in, bool nonEmpty) {
    std::string v;
    for (char c : in.ConsumeRandomLengthString(24)) {
        if (c != '<' && c != '\r' && c != '\n' && c != '\0')
            v += c;
    }
    if (nonEmpty && v.empty())
        v = "x";
    return v;
}

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(what, pos)) != std::string::npos;
         pos = hit + what.size())
        out += text.substr(pos, hit - pos) + with;
    return out + text.substr(pos);
}

void CheckWritten(FuzzedDataProvider& in) {
    const std::uint32_t seed = in.ConsumeIntegral<std::uint32_t>();
    const std::uint64_t caseBits = in.ConsumeIntegral<std::uint64_t>();
    const char* const ends[] = {"\r\n", "\n", "\r", "", " "};
    std::size_t step = 0;
    auto marker = [&](std::string text) {
        for (char& c : text) {
            if (((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) &&
                ((caseBits >> (step++ % 64)) & 1))
                c = static_cast<char>(c ^ 0x20);
        }
        return text;
    };
    std::string text;
    std::vector<std::string> values;
    for (const Tag& tag : kTags) {
        values.push_back(Value(in, false));
        text += marker(std::string("<%%") + tag.name + "%%>") + values.back() +
                marker(std::string("<%%/") + tag.name + "%%>") +
                ends[in.ConsumeIntegralInRange(0, 4)];
    }
    std::vector<std::string> families[3];
    const char* const names[] = {"Welcome", "Banner", "Link"};
    for (int f = 0; f < 3; ++f) {
        const int count = in.ConsumeIntegralInRange(0, 17);
        for (int n = 1; n <= count; ++n) {
            std::string entry = Value(in, true);
            if (f > 0 && in.ConsumeBool())
                entry += "^" + Value(in, false);
            const std::string tag = names[f] + std::to_string(n);
            text += marker("<%%" + tag + "%%>") + entry + marker("<%%/" + tag + "%%>") + "\r\n";
            if (n <= 16)
                families[f].push_back(entry);
        }
    }

    const BrandRead r = ReadBrandText(text, seed);
    for (std::size_t i = 0; i < std::size(kTags); ++i) {
        if (kTags[i].field)
            FUZZ_REQUIRE(kTags[i].field(r) == values[i]);
    }
    FUZZ_REQUIRE(r.settings.AffiliateURL == ReplaceAll(values[3], "%%AFFILIATEID%%", values[5]));
    FUZZ_REQUIRE(r.Welcome == families[0]);
    FUZZ_REQUIRE(r.Banner == families[1]);
    FUZZ_REQUIRE(r.Link == families[2]);
    CheckPicks(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        CheckWritten(in);
    } else {
        const std::uint32_t seed = in.ConsumeIntegral<std::uint32_t>();
        CheckText(in.ConsumeRemainingBytesAsString(), seed);
    }
    return 0;
}
