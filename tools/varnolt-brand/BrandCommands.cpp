// varnolt-brand show: what the program reads from a settings file, and what it
// would silently pass over. varnolt-brand pack-skin: a skin file from a style
// sheet.
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "brand/BrandFile.h"
#include "crypto/AesLib.h"
#include "util/FileError.h"
#include "util/TextCodec.h"

namespace varnolt::brand_tool {

namespace {

// One line of display text: control characters are shown escaped so that a
// value spanning lines stays on one line.
std::string OneLine(std::string_view bytes) {
    std::string text = DecodeForDisplay(bytes), out;
    for (unsigned char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string JsonString(std::string_view bytes) {
    std::string text = DecodeForDisplay(bytes), out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) {
            out += ',';
        }
        out += JsonString(items[i]);
    }
    out += ']';
    return out;
}

// Notes about the banner files that the program looks for beside the settings file.
void CheckBannerFiles(const BrandRead& read, const std::filesystem::path& folder,
                      std::vector<std::string>& warnings) {
    for (std::size_t i = 0; i < read.Banner.size(); ++i) {
        std::string name = "Banner" + std::to_string(i + 1);
        std::string data = "banner" + std::to_string(i + 1) + ".dat";
        std::string file = read.Banner[i].substr(0, read.Banner[i].find('^'));
        std::error_code ec;
        if (!std::filesystem::is_regular_file(folder / data, ec)) {
            warnings.push_back(
                name + ": " + data +
                " is missing beside the settings file; the banner strip stays hidden");
        }
        if (file.empty()) {
            warnings.push_back(name + " names no picture file; the banner strip stays hidden");
        } else if (BannerFormatOf(file).empty()) {
            warnings.push_back(name + ": \"" + file +
                               "\" has no known picture extension (gif, bmp, ico, wmf, emf, jpg, "
                               "jpeg, png); the banner strip stays hidden");
        } else if (const std::string format = BannerFormatOf(file);
                   format == "wmf" || format == "emf") {
            warnings.push_back(name + ": \"" + file +
                               "\" is a Windows metafile, which is not shown on this platform; "
                               "use gif, png, jpg, bmp or ico; the banner strip stays hidden");
        }
    }
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << CannotOpenMessage(ExpandedPath(path), errno) << "\n";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::cerr << CannotReadMessage(ExpandedPath(path), errno) << "\n";
        return false;
    }
    return true;
}

}  // namespace

int ShowCommand(const Args& args) {
    bool json = false;
    std::string dat;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (dat.empty() && (arg == "-" || arg.empty() || arg[0] != '-')) {
            dat = arg;
        } else {
            dat.clear();
            break;
        }
    }
    if (dat.empty()) {
        std::cerr << "varnolt-brand: usage: varnolt-brand show [--json] DAT\n";
        return ExitUsage;
    }

    std::string plain, error;
    DecryptResult result;
    if (dat == "-") {
        // The settings file arrives on standard input; banners are looked
        // for in the current folder.
        std::string encrypted((std::istreambuf_iterator<char>(std::cin)),
                              std::istreambuf_iterator<char>());
        result = DecryptBytes(encrypted, plain);
    } else {
        result = DecryptFileToMemory(dat, plain, &error);
    }
    switch (result) {
        case DecryptResult::Ok:
            break;
        case DecryptResult::CannotOpen:
            std::cerr << (error.empty() ? CannotOpenMessage(ExpandedPath(dat), errno) : error)
                      << "\n";
            return ExitFailure;
        case DecryptResult::Damaged:
            std::cerr << DamagedMessage << "\n";
            return ExitFailure;
    }

    BrandRead read = ReadBrandText(plain, 0);
    CheckBannerFiles(read,
                     dat == "-" || std::filesystem::path(dat).parent_path().empty()
                         ? std::filesystem::path(".")
                         : std::filesystem::path(dat).parent_path(),
                     read.warnings);
    const BrandSettings& s = read.settings;
    const std::string lastNewsId = LastNewsIdOf(plain);
    const bool newsButton = NewsButtonRule(s);

    const std::pair<const char*, const std::string*> rows[] = {
        {"ApplicationName", &s.ApplicationName},
        {"BranderCode", &s.BranderCode},
        {"BranderType", &s.BranderType},
        {"AffiliateURL", &s.AffiliateURL},
        {"AffiliateTYPE", &s.AffiliateTYPE},
        {"AffiliateID", &s.AffiliateID},
        {"MasterNewsBaseURL", &s.MasterNewsBaseURL},
        {"PlatinumNewsBaseURL", &s.PlatinumNewsBaseURL},
        {"GoldNewsBaseURL", &s.GoldNewsBaseURL},
        {"MasterPublID", &s.MasterPublID},
        {"PlatinumPublID", &s.PlatinumPublID},
        {"GoldPublID", &s.GoldPublID},
        {"MakeMoneyButton", &read.MakeMoneyButton},
        {"AppHelpURL", &s.AppHelpURL},
        {"CopyrightYears", &s.CopyrightYears},
        {"CopyrightCompany", &s.CopyrightCompany},
        {"AboutText", &s.AboutText},
    };
    const std::pair<const char*, const std::vector<std::string>*> families[] = {
        {"Welcome", &read.Welcome}, {"Banner", &read.Banner}, {"Link", &read.Link}};

    if (json) {
        std::string out = "{";
        auto key = [&out](const char* name) {
            out += '"';
            out += name;
            out += "\":";
        };
        for (const auto& [name, value] : rows) {
            key(name);
            out += JsonString(*value);
            out += ',';
        }
        for (const auto& [name, list] : families) {
            key(name);
            out += JsonArray(*list);
            out += ',';
        }
        key("LastNewsId");
        out += JsonString(lastNewsId);
        out += ',';
        key("NewsButton");
        out += newsButton ? "true" : "false";
        out += ',';
        key("warnings");
        out += JsonArray(read.warnings);
        out += "}\n";
        std::cout << out;
    } else {
        for (const auto& [name, value] : rows)
            std::cout << name << ": " << OneLine(*value) << "\n";
        for (const auto& [name, list] : families) {
            if (list->empty())
                std::cout << name << ": (none)\n";
            for (std::size_t i = 0; i < list->size(); ++i)
                std::cout << name << i + 1 << ": " << OneLine((*list)[i]) << "\n";
        }
        std::cout << "LastNewsId: " << OneLine(lastNewsId) << "\n";
        std::cout << "NewsButton: " << (newsButton ? "shown" : "hidden") << "\n";
        for (const std::string& warning : read.warnings)
            std::cerr << "warning: " << OneLine(warning) << "\n";
    }
    std::cout.flush();
    return std::cout ? ExitOk : ExitFailure;
}

int PackSkinCommand(const Args& args) {
    if (args.size() != 2) {
        std::cerr << "varnolt-brand: usage: varnolt-brand pack-skin QSS SKIN\n";
        return ExitUsage;
    }
    std::string sheet;
    if (!ReadFileBytes(args[0], sheet))
        return ExitFailure;
    if (sheet.size() > 0xFFFFFFFFu) {
        std::cerr << "style sheet too large: " << ExpandedPath(args[0]) << "\n";
        return ExitFailure;
    }
    // Qt's compressed-data layout: the uncompressed length as 4 big-endian
    // bytes, then a zlib stream.
    uLongf bound = compressBound(static_cast<uLong>(sheet.size()));
    std::string packed(4 + bound, '\0');
    const auto length = static_cast<std::uint32_t>(sheet.size());
    packed[0] = static_cast<char>(length >> 24);
    packed[1] = static_cast<char>(length >> 16);
    packed[2] = static_cast<char>(length >> 8);
    packed[3] = static_cast<char>(length);
    if (compress2(reinterpret_cast<Bytef*>(packed.data() + 4), &bound,
                  reinterpret_cast<const Bytef*>(sheet.data()), static_cast<uLong>(sheet.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        std::cerr << "cannot compress " << ExpandedPath(args[0]) << "\n";
        return ExitFailure;
    }
    packed.resize(4 + bound);
    try {
        OutputFile file;
        const std::string shown = OpenCommandOutput(file, args[1]);
        if (const int err = WriteAll(file.Fd(), packed.data(), packed.size()); err != 0) {
            file.Abandon();
            std::cerr << CannotWriteMessage(shown, err) << "\n";
            return ExitFailure;
        }
        std::string error;
        if (!file.Commit(&error)) {
            std::cerr << error << "\n";
            return ExitFailure;
        }
    } catch (const FileError& e) {
        std::cerr << e.what() << "\n";
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace varnolt::brand_tool
