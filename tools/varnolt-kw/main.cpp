// varnolt-kw: the typo generator and the match-type formatter of the keyword
// pages, for keyword lists in files or pipes. The output is exactly the lines
// the window puts in its output pane, each ended by CR LF.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "ExportCommand.h"
#include "FdSink.h"
#include "keywords/Keywords.h"
#include "keywords/Layouts.h"
#include "keywords/UniqueSink.h"
#include "util/FileError.h"
#include "util/KeywordFile.h"
#include "util/OutputFile.h"

namespace varnolt {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The option list of one command, broken before the 80th column.
void AppendOptionLines(std::string& text, std::string_view command,
                       const std::vector<std::string_view>& options) {
    const std::string indent(19, ' ');
    std::string line = "  varnolt-kw " + std::string(command);
    for (std::string_view o : options) {
        std::string item = "[";
        item.append(o).append("]");
        if (line.size() + 1 + item.size() > 80) {
            text += line + "\n";
            line = indent + item;
        } else {
            line += " " + item;
        }
    }
    text += line + "\n" + indent + "[INPUT] [-o OUTPUT]\n";
}

// `words` joined by spaces and broken before the 80th column.
std::string Wrapped(const std::string& words) {
    std::string text, line;
    std::size_t at = 0;
    while (at < words.size()) {
        std::size_t end = words.find(' ', at);
        if (end == std::string::npos)
            end = words.size();
        const std::string_view word(words.data() + at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > 80) {
            text += line + "\n";
            line.clear();
        }
        if (!line.empty())
            line += ' ';
        line.append(word);
        at = end + 1;
    }
    return text + line + "\n";
}

// "--skip-letter" as the usage text names it: "skip letter".
std::string OptionName(std::string_view option) {
    std::string name(option.substr(2));
    for (char& c : name) {
        if (c == '-')
            c = ' ';
    }
    return name;
}

std::string NumberWord(std::size_t n) {
    static const char* const kWords[] = {"none", "one",    "two",   "three", "four",
                                         "five", "six",    "seven", "eight", "nine",
                                         "ten",  "eleven", "twelve"};
    return n < std::size(kWords) ? kWords[n] : std::to_string(n);
}

// The usage text, with the options and their order read from the tables of
// typo kinds and match-type options.
const std::string& UsageText() {
    static const std::string text = [] {
        std::vector<std::string_view> typoOptions;
        std::string order;
        for (const TypoKindRow& k : TypoKindTable()) {
            typoOptions.push_back(k.option);
            order += (order.empty() ? "" : ", ") + OptionName(k.option);
        }
        typoOptions.push_back("--all");
        typoOptions.push_back("--unique");
        typoOptions.push_back("--layout NAME");
        // The notations first, then the options that change them.
        std::vector<std::string_view> matchOptions;
        std::string notations, modifiers;
        for (const MatchOptionRow& m : MatchOptionTable()) {
            if (m.add == nullptr)
                continue;
            matchOptions.push_back(m.option);
            const std::string example = m.before.empty() && m.after.empty()
                                            ? std::string("unchanged")
                                            : std::string(m.before) + "k" + std::string(m.after);
            notations +=
                (notations.empty() ? "" : ", ") + OptionName(m.option) + " (" + example + ")";
        }
        for (const MatchOptionRow& m : MatchOptionTable()) {
            if (m.add != nullptr)
                continue;
            matchOptions.push_back(m.option);
            modifiers += "; " + std::string(m.option) + " lower-cases A-Z first.";
        }
        matchOptions.push_back("--unique");
        std::string u = "Usage:\n";
        AppendOptionLines(u, "typos", typoOptions);
        AppendOptionLines(u, "adwords", matchOptions);
        u += ExportUsageText();
        u += "\n";
        u += Wrapped(
            "typos writes the chosen misspellings of every keyword, keyword by keyword, "
            "in the order " +
            order + " (--all chooses all " + NumberWord(TypoKindTable().size()) + ").");
        u += Wrapped(
            "adwords writes every keyword in each chosen notation, notation by "
            "notation: " +
            notations + modifiers);
        std::string layouts;
        for (const KeyboardLayout& l : KeyboardLayouts())
            layouts += (layouts.empty() ? "" : ", ") + std::string(l.name);
        u += Wrapped("--layout chooses the keyboard of missed keys and inserted keys: " + layouts +
                     " (the first is the default).");
        u += Wrapped(
            "--unique writes a line only when no earlier line equals it with letter case "
            "ignored (for typos, nor any input keyword).");
        u += "\n"
             "INPUT is a keyword file, one keyword per line; standard input when it is\n"
             "absent or \"-\". The result goes to OUTPUT (replaced if it exists) or to\n"
             "standard output, each line ended by CR LF.\n"
             "\n"
             "export writes an upload file for Google Ads Editor or Microsoft Advertising:\n"
             "one row per keyword and chosen match type, quoted as CSV, ended by CR LF.\n"
             "\n"
             "Exit status: 0 done, 1 a file could not be read or written, 2 usage error,\n"
             "empty input or no action chosen.\n";
        return u;
    }();
    return text;
}

void PrintError(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
}

int UsageError(const std::string& problem) {
    PrintError("varnolt-kw: " + problem);
    std::fputs(UsageText().c_str(), stderr);
    return kExitUsage;
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

// The keyword list of INPUT ("" or "-": standard input).
std::unique_ptr<KeywordList> ReadInput(const std::string& input) {
    if (input.empty() || input == "-")
        return std::make_unique<KeywordList>(ReadKeywordListFd(STDIN_FILENO, "(standard input)"));
    return std::make_unique<KeywordList>(ReadKeywordListFile(FullPath(input)));
}

struct Options {
    bool typos = false;
    TypoKinds kinds;
    MatchTypes types;
    bool unique = false;
    const KeyboardLayout* layout = nullptr;
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
        } else if (opt.typos && (arg == "--layout" || arg.starts_with("--layout="))) {
            std::string_view name;
            if (arg == "--layout") {
                if (i + 1 >= argc)
                    return "option --layout needs a keyboard name";
                name = argv[++i];
            } else {
                name = arg.substr(9);
            }
            opt.layout = FindKeyboardLayout(name);
            if (opt.layout == nullptr)
                return "unknown keyboard '" + std::string(name) + "'";
        } else if (arg == "--unique") {
            opt.unique = true;
        } else if (opt.typos && arg == "--all") {
            opt.kinds = TypoKinds::All();
        } else if (const int kind = opt.typos ? FindTypoKind(arg) : -1; kind >= 0) {
            opt.kinds.Set(static_cast<std::size_t>(kind));
        } else if (const int type = opt.typos ? -1 : FindMatchOption(arg); type >= 0) {
            opt.types.Set(static_cast<std::size_t>(type));
        } else {
            return "unknown option '" + std::string(arg) + "'";
        }
    }
    return {};
}

int Run(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "export")
        return RunExport(argc, argv);
    Options opt;
    if (std::string problem = ParseArguments(argc, argv, opt); !problem.empty()) {
        return UsageError(problem);
    }
    if (opt.help) {
        std::fputs(UsageText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
    }

    // The same checks, in the same order, as the window's buttons.
    std::unique_ptr<KeywordList> input;
    try {
        input = ReadInput(opt.input);
    } catch (const FileError& e) {
        PrintError(e.what());
        return kExitFailure;
    }
    if (input->Empty()) {
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

    const std::vector<std::string_view>& keywords = input->Lines();
    try {
        FdSink sink(out.Fd());
        std::unique_ptr<UniqueSink> unique;
        // Behind the UniqueSink a repeated keyword writes nothing: skip it.
        std::vector<std::string_view> distinct;
        if (opt.unique) {
            unique = std::make_unique<UniqueSink>(sink, UniqueSink::ThreadsToUse());
            if (opt.typos) {
                distinct = ReadyForTypos(*unique, keywords, opt.kinds, opt.layout);
            } else {
                std::size_t notations = 0;
                for (std::size_t i = 0; i < MatchOptionTable().size(); ++i)
                    notations += opt.types.Has(i) && MatchOptionTable()[i].add != nullptr;
                unique->Expect(std::uint64_t{keywords.size()} * notations);
            }
        }
        LineSink& lines = unique ? static_cast<LineSink&>(*unique) : sink;
        if (opt.typos) {
            GenerateTypos(unique ? distinct : keywords, opt.kinds, lines, opt.layout);
        } else {
            FormatMatchTypes(keywords, opt.types, lines);
        }
        if (unique)
            unique->Finish();
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
    // Out of room, the run stops with a message; an output file named by -o
    // is left as it was (its half-written copy goes with the unwinding).
    const char* problem;
    try {
        return varnolt::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        problem = "Not enough memory to finish.";
    } catch (const std::length_error& e) {
        problem = e.what();
    }
    std::fputs(problem, stderr);
    std::fputc('\n', stderr);
    return varnolt::kExitFailure;
}
