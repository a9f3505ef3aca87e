#include "util/Browser.h"

#include "util/DesktopExec.h"
#include "util/UUtils.h"

namespace varnolt {

namespace {

std::vector<std::string> SplitOnSpaces(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

}  // namespace

BrowserLaunch PlanBrowserLaunch(std::string_view registeredCommand, std::string_view url) {
    BrowserLaunch plan;
    const std::string command = AsciiLower(registeredCommand);
    if (command.empty()) {
        return plan;
    }
    const std::size_t exe = command.find(".exe");
    if (exe == std::string::npos) {
        // A desktop entry's command line: the URL is one argument, whole.
        const auto parsed = ParseExec(registeredCommand);
        std::vector<std::string> argv;
        if (parsed) {
            argv = ExpandExec(*parsed, url);
        }
        if (argv.empty() || argv.front().empty()) {
            plan.kind = BrowserLaunch::Kind::Desktop;
            return plan;
        }
        plan.kind = BrowserLaunch::Kind::Program;
        plan.program = argv.front();
        plan.arguments.assign(argv.begin() + 1, argv.end());
        return plan;
    }
    std::string program = command.substr(0, exe) + ".exe";
    std::string unquoted;
    for (char c : program) {
        if (c != '"') {
            unquoted.push_back(c);
        }
    }
    plan.kind = BrowserLaunch::Kind::Program;
    plan.program = unquoted;
    plan.arguments = SplitOnSpaces(url);
    return plan;
}

}  // namespace varnolt
