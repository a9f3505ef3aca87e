// varnolt-brand: the reseller's tool for the settings file.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "Commands.h"

namespace varnolt::brand_tool {
namespace {

const Command kCommands[] = {
    {"encrypt", "PLAIN DAT", "write DAT, the encrypted form of the plain settings text PLAIN", 2,
     EncryptCommand},
    {"decrypt", "DAT PLAIN", "write PLAIN, the plain text of DAT", 2, DecryptCommand},
    {"verify", "DAT", "exit status 0 when DAT decrypts and its tag matches, 1 otherwise", 1,
     VerifyCommand},
    {"show", "[--json] DAT", "print what the program reads from DAT and what it would ignore",
     AnyArgumentCount, ShowCommand},
    {"pack-skin", "QSS SKIN", "write the skin file SKIN (mainskin.dat) from the style sheet QSS", 2,
     PackSkinCommand},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: varnolt-brand COMMAND [ARGUMENTS]\n"
                 "The reseller's tool for the settings file (dbsettings.dat).\n\n");
    for (const Command& c : kCommands) {
        const std::string head = std::string(c.name) + " " + c.arguments;
        std::fprintf(out, "  varnolt-brand %-20s %s\n", head.c_str(), c.summary);
    }
    std::fprintf(out,
                 "\n\"-\" stands for standard input or output.\n"
                 "Exit status: 0 on success, 1 on failure, 2 on a usage error.\n");
}

int Run(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return ExitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return ExitOk;
    }
    for (const Command& c : kCommands) {
        if (name != c.name)
            continue;
        const Args args(argv + 2, argv + argc);
        if (c.argumentCount != AnyArgumentCount && args.size() != c.argumentCount) {
            std::fprintf(stderr, "varnolt-brand: usage: varnolt-brand %s %s\n", c.name,
                         c.arguments);
            return ExitUsage;
        }
        return c.run(args);
    }
    std::fprintf(stderr, "varnolt-brand: unknown command \"%s\"\n\n", name.c_str());
    PrintUsage(stderr);
    return ExitUsage;
}

}  // namespace
}  // namespace varnolt::brand_tool

int main(int argc, char** argv) {
    try {
        return varnolt::brand_tool::Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return varnolt::brand_tool::ExitFailure;
    }
}
