// varnolt-kw: the typo generator and the match-type formatter of the keyword
// pages, for keyword lists in files or pipes. The output is exactly the lines
// the window puts in its output pane, each ended by CR LF.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "FdSink.h"
#include "keywords/Keywords.h"
#include "util/FileError.h"
#include "util/KeywordFile.h"
#include "util/OutputFile.h"

namespace varnolt {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "Usage:\n"
    "  varnolt-kw typos [--skip-letter] [--double-letters] [--reverse-letters]\n"
    "                   [--skip-spaces] [--missed-keys] [--inserted-keys] [--all]\n"
    "                   [INPUT] [-o OUTPUT]\n"
    "  varnolt-kw adwords [--broad] [--phrase] [--exact] [--minus] [--lowercase]\n"
    "                   [INPUT] [-o OUTPUT]\n"
    "\n"
    "typos writes the chosen misspellings of every keyword, keyword by keyword, in\n"
    "the order skip letter, double letters, reverse letters, skip spaces, missed\n"
    "keys, inserted keys (--all chooses all six).\n"
    "adwords writes every keyword in each chosen notation, notation by notation:\n"
    "broad (unchanged), phrase (\"k\"), exact ([k]), minus (-k); --lowercase\n"
    "lower-cases A-Z first.\n"
    "\n"
    "INPUT is a keyword file, one keyword per line; standard input when it is\n"
    "absent or \"-\". The result goes to OUTPUT (replaced if it exists) or to\n"
    "standard output, each line ended by CR LF.\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be read or written, 2 usage error,\n"
    "empty input or no action chosen.\n";

void PrintError(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
}

int UsageError(const std::string& problem) {
    PrintError("varnolt-kw: " + problem);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

struct Options {
    bool typos = false;
    TypoKinds kinds;
    MatchTypes types;
    std::string input;  // "" or "-": standard input
    std::string output;
    bool haveOutput = false;
    bool help = false;
};

// Returns an empty string when the arguments are good, else the problem.
std::string ParseArguments(int argc, char** argv, Options& opt) {
    if (argc < 2)
        return "missing command";
    const std::string_view command = argv[1];
    if (command == "--help" || command == "-h") {
        opt.help = true;
        return {};
    }
    if (command == "typos") {
        opt.typos = true;
    } else if (command != "adwords") {
        return "unknown command '" + std::string(command) + "'";
    }

    bool haveInput = false;
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (haveInput)
                return "more than one INPUT";
            opt.input = arg;
            haveInput = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            opt.help = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc)
                return "option " + std::string(arg) + " needs a file name";
            opt.output = argv[++i];
            opt.haveOutput = true;
        } else if (arg.starts_with("--output=")) {
            opt.output = arg.substr(9);
            opt.haveOutput = true;
        } else if (opt.typos && arg == "--skip-letter") {
            opt.kinds.skipLetter = true;
        } else if (opt.typos && arg == "--double-letters") {
            opt.kinds.doubleLetters = true;
        } else if (opt.typos && arg == "--reverse-letters") {
            opt.kinds.reverseLetters = true;
        } else if (opt.typos && arg == "--skip-spaces") {
            opt.kinds.skipSpaces = true;
        } else if (opt.typos && arg == "--missed-keys") {
            opt.kinds.missedKeys = true;
        } else if (opt.typos && arg == "--inserted-keys") {
            opt.kinds.insertedKeys = true;
        } else if (opt.typos && arg == "--all") {
            opt.kinds = {true, true, true, true, true, true};
        } else if (!opt.typos && arg == "--broad") {
            opt.types.broad = true;
        } else if (!opt.typos && arg == "--phrase") {
            opt.types.phrase = true;
        } else if (!opt.typos && arg == "--exact") {
            opt.types.exact = true;
        } else if (!opt.typos && arg == "--minus") {
            opt.types.minus = true;
        } else if (!opt.typos && arg == "--lowercase") {
            opt.types.lowercase = true;
        } else {
            return "unknown option '" + std::string(arg) + "'";
        }
    }
    return {};
}

int Run(int argc, char** argv) {
    Options opt;
    if (std::string problem = ParseArguments(argc, argv, opt); !problem.empty()) {
        return UsageError(problem);
    }
    if (opt.help) {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
    }

    // The same checks, in the same order, as the window's buttons.
    std::string text;
    try {
        if (opt.input.empty() || opt.input == "-") {
            text = LoadKeywordFd(STDIN_FILENO, "(standard input)");
        } else {
            text = LoadKeywordFile(FullPath(opt.input));
        }
    } catch (const FileError& e) {
        PrintError(e.what());
        return kExitFailure;
    }
    if (text.empty()) {
        PrintError(kMsgNoInput);
        return kExitUsage;
    }
    if (opt.typos ? !opt.kinds.Any() : !opt.types.Any()) {
        PrintError(kMsgNoAction);
        return kExitUsage;
    }

    // A file named by -o is replaced only once the whole output is written.
    const bool toFile = opt.haveOutput && opt.output != "-";
    const std::string outName = toFile ? FullPath(opt.output) : std::string("(standard output)");
    OutputFile out;
    if (toFile) {
        std::string error;
        if (!out.Open(outName, outName, &error)) {
            PrintError(error);
            return kExitFailure;
        }
    } else {
        out.OpenStandardOutput(outName);
    }

    const std::vector<std::string_view> keywords = KeywordLines(text);
    try {
        FdSink sink(out.Fd());
        if (opt.typos) {
            GenerateTypos(keywords, opt.kinds, sink);
        } else {
            FormatMatchTypes(keywords, opt.types, sink);
        }
        sink.Flush();
    } catch (const std::system_error& e) {
        out.Abandon();
        PrintError("Cannot write file \"" + outName + "\". " + e.code().message());
        return kExitFailure;
    }
    if (std::string error; !out.Commit(&error)) {
        PrintError(error);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace
}  // namespace varnolt

int main(int argc, char** argv) {
    return varnolt::Run(argc, argv);
}
