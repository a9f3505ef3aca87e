// The update description reader and the version test.
//
// The input is cut into a version text, an app version text and an ini file.
// The version texts are placed right in front of an unreadable page, so a
// read past their end faults. Properties: the version test agrees with a
// reference reading of both numbers; blanks around a version change
// nothing; a value read from the ini file is one line of the file, valid
// UTF-8 when the file is; a Version written into a generated file among
// decoy sections and keys is read back exactly.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "news/LiveUpdate.h"

using namespace varnolt;
using varnolt::fuzz::GuardedText;
using varnolt::fuzz::WellFormedUtf8;

namespace {

// A folder of its own for the ini file, removed at exit.
class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        dir_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnolt-fuzz-XXXXXX";
        if (mkdtemp(dir_.data()) == nullptr)
            std::abort();
        file_ = dir_ + "/mainappupdate.inf";
    }
    ~TempFolder() {
        std::remove(file_.c_str());
        rmdir(dir_.c_str());
    }
    const std::string& File() const { return file_; }

private:
    std::string dir_, file_;
};

const std::string& IniPath() {
    static const TempFolder folder;
    return folder.File();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The app version read independently: only plain decimal texts (digits,
// point, exponent, a minus sign), where strtold and the program must agree.
bool ReferenceNumber(std::string text, long double& value) {
    while (!text.empty() && IsBlank(text.front()))
        text.erase(0, 1);
    while (!text.empty() && IsBlank(text.back()))
        text.pop_back();
    if (!text.empty() && text.front() == '+')
        text.erase(0, 1);
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool sign =
            (c == '-' || c == '+') && i > 0 && (text[i - 1] == 'e' || text[i - 1] == 'E');
        if (!(c >= '0' && c <= '9') && c != '.' && c != 'e' && c != 'E' && !sign &&
            !(c == '-' && i == 0)) {
            return false;
        }
    }
    char* end = nullptr;
    const long double v = std::strtold(text.c_str(), &end);
    value = (end == text.c_str() + text.size() && std::isfinite(v)) ? v : 0;
    return true;
}

void CheckVersions(const std::string& file, const std::string& app) {
    static GuardedText guard;
    static GuardedText appGuard;
    const float offered = VersionNumber(guard.Place(file));
    FUZZ_REQUIRE(std::isfinite(offered));
    FUZZ_REQUIRE(VersionNumber(guard.Place(" \t" + file + "\r\n")) == offered);
    const bool newer = IsNewerVersion(guard.Place(file), appGuard.Place(app));
    long double current = 0;
    if (ReferenceNumber(app, current))
        FUZZ_REQUIRE(newer == (static_cast<long double>(offered) > current));
    // Every version text against the program's own: exactly "above 2".
    FUZZ_REQUIRE(IsNewerVersion(guard.Place(file), "2.0") == (offered > 2.0f));
}

void CheckIniRead(const std::string& bytes) {
    WriteFile(IniPath(), bytes);
    const std::string value = ReadIniString(IniPath(), "APPLICATION", "Version");
    FUZZ_REQUIRE(value.find('\n') == std::string::npos);
    FUZZ_REQUIRE(bytes.find(value) != std::string::npos);
    if (WellFormedUtf8(bytes))
        FUZZ_REQUIRE(WellFormedUtf8(value));
}

// Letters of `name` in the cases the bits of `mask` choose.
std::string MixCase(std::string name, unsigned mask) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if ((mask >> (i % 32)) & 1)
            name[i] = static_cast<char>(name[i] ^ 0x20);
    }
    return name;
}

void CheckIniRoundTrip(FuzzedDataProvider& in) {
    std::string value = in.ConsumeRandomLengthString(64);
    // A value is one line without its surrounding blanks or a pair of quotes.
    std::string clean;
    for (char c : value) {
        if (c != '\n' && c != '\r' && c != '\0')
            clean += c;
    }
    while (!clean.empty() && IsBlank(clean.front()))
        clean.erase(0, 1);
    while (!clean.empty() && IsBlank(clean.back()))
        clean.pop_back();
    std::string expected = clean;  // what the reader gives for it
    if (expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'') &&
        expected.back() == expected.front()) {
        expected = expected.substr(1, expected.size() - 2);
    }
    const unsigned mask = in.ConsumeIntegral<unsigned>();
    std::string ini;
    if (in.ConsumeBool())
        ini += "\xEF\xBB\xBF";
    ini += "; written by the fuzz target\r\n[Other]\r\nVersion=9.9\r\n";
    ini += "[ " + MixCase("application", mask) + " ]\r\n";
    ini += "Versions=8.8\r\nPath = x\r\n";
    ini += "  " + MixCase("VERSION", mask >> 7) + " \t=  " + clean + " \r\n";
    ini += "Version=7.7\r\n[APPLICATION2]\r\nVersion=6.6\r\n";
    ini += in.ConsumeRemainingBytesAsString();
    WriteFile(IniPath(), ini);
    FUZZ_REQUIRE(ReadIniString(IniPath(), "APPLICATION", "Version") == expected);
    FUZZ_REQUIRE(ReadIniString(IniPath(), "application", "VERSION") == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: {
            const std::string file = in.ConsumeRandomLengthString(64);
            const std::string app = in.ConsumeRandomLengthString(64);
            CheckVersions(file, app);
            // Numbers written by the C library are read as the C library reads them.
            char printed[64];
            std::snprintf(printed, sizeof printed, "%.*g", in.ConsumeIntegralInRange(1, 21),
                          in.ConsumeFloatingPoint<double>());
            CheckVersions(file, printed);
            CheckVersions(printed, app);
            break;
        }
        case 1:
            CheckIniRead(in.ConsumeRemainingBytesAsString());
            break;
        default:
            CheckIniRoundTrip(in);
            break;
    }
    return 0;
}
