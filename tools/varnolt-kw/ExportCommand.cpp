// varnolt-kw export: an upload file for Google Ads Editor or Microsoft
// Advertising from a keyword list.
#include "ExportCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "FdSink.h"
#include "keywords/Export.h"
#include "util/FdGuard.h"
#include "util/FileError.h"
#include "util/KeywordFile.h"
#include "util/OutputFile.h"

namespace varnolt {

namespace {

void PrintLine(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
}

int Usage(const std::string& problem) {
    PrintLine("varnolt-kw: " + problem);
    std::fputs(ExportUsageText(), stderr);
    return 2;
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

}  // namespace

const char* ExportUsageText() {
    return "  varnolt-kw export --format google-ads|microsoft-ads --campaign NAME\n"
           "                   [--ad-group NAME] [--broad] [--phrase] [--exact]\n"
           "                   [--negative-broad] [--negative-phrase] [--negative-exact]\n"
           "                   [--campaign-negatives] [--lowercase] [INPUT] [-o OUTPUT]\n";
}

int RunExport(int argc, char** argv) {
    ExportOptions opt;
    bool haveFormat = false, haveInput = false, optionsEnded = false;
    std::string input, output;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (haveInput)
                return Usage("more than one INPUT");
            input = arg;
            haveInput = true;
            continue;
        }
        auto value = [&](std::string& to) {
            if (i + 1 >= argc)
                return false;
            to = argv[++i];
            return true;
        };
        int type = -1;
        for (std::size_t t = 0; t < ExportTypeTable().size(); ++t) {
            if (ExportTypeTable()[t].option == arg)
                type = static_cast<int>(t);
        }
        std::string v;
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(ExportUsageText(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        } else if (arg.starts_with("--output=")) {
            output = arg.substr(9);
        } else if (type >= 0) {
            opt.types[static_cast<std::size_t>(type)] = true;
        } else if (arg == "--format") {
            if (!value(v))
                return Usage("option --format needs google-ads or microsoft-ads");
            if (v == "google-ads")
                opt.format = ExportFormat::GoogleAds;
            else if (v == "microsoft-ads")
                opt.format = ExportFormat::MicrosoftAds;
            else
                return Usage("unknown format '" + v + "' (google-ads or microsoft-ads)");
            haveFormat = true;
        } else if (arg == "--campaign" || arg == "--ad-group") {
            if (!value(arg == "--campaign" ? opt.campaign : opt.adGroup))
                return Usage("option " + std::string(arg) + " needs a name");
        } else if (arg == "--campaign-negatives") {
            opt.campaignNegatives = true;
        } else if (arg == "--lowercase") {
            opt.lowercase = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(output))
                return Usage("option " + std::string(arg) + " needs a file name");
        } else {
            return Usage("unknown option '" + std::string(arg) + "'");
        }
    }
    if (!haveFormat)
        return Usage("--format google-ads|microsoft-ads is needed");
    if (std::string problem = CheckExportOptions(opt); !problem.empty()) {
        if (problem == kMsgMicrosoftNegativeBroad) {
            PrintLine(problem);
            return 2;
        }
        return Usage(problem);
    }

    // The input is read a piece at a time: only the keywords kept stay in
    // memory, each once.
    ExportKeywords keywords(opt);
    bool any;
    try {
        const bool stdinInput = input.empty() || input == "-";
        const std::string path = stdinInput ? std::string("(standard input)") : FullPath(input);
        FdGuard fd(stdinInput ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!stdinInput && fd.Get() < 0)
            throw FileError(CannotOpenMessage(path, errno));
        // Room for a line of every 16 bytes, as a start: the set grows only
        // for a list of short keywords, and by reading every one of them again.
        if (struct stat st{}; !stdinInput && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode))
            keywords.Expect(static_cast<std::uint64_t>(st.st_size) / 16);
        any = ForEachKeywordLines(
            stdinInput ? STDIN_FILENO : fd.Get(), path,
            [&](std::span<const std::string_view> lines) { keywords.Add(lines); },
            [&] { keywords.Clear(); });
    } catch (const FileError& e) {
        PrintLine(e.what());
        return 1;
    }
    if (!any) {
        PrintLine(kMsgNoInput);
        return 2;
    }

    // The rows stream into the output; a file named by -o is replaced only
    // once the whole file is written, so it is replaced whole or not at all.
    const bool toFile = !output.empty() && output != "-";
    const std::string shown = toFile ? FullPath(output) : std::string("(standard output)");
    OutputFile out;
    if (toFile) {
        if (std::string error; !out.Open(shown, shown, &error)) {
            PrintLine(error);
            return 1;
        }
    } else {
        out.OpenStandardOutput(shown);
    }
    ExportResult result;
    try {
        FdSink sink(out.Fd());
        result = keywords.Write(sink);
        sink.Flush();
    } catch (const std::system_error& e) {
        out.Abandon();
        PrintLine(CannotWriteMessage(shown, e.code().value()));
        return 1;
    }
    if (std::string error; !out.Commit(&error)) {
        PrintLine(error);
        return 1;
    }
    if (result.leftOut > 0)
        PrintLine(LeftOutMessage(result));
    return 0;
}

}  // namespace varnolt
