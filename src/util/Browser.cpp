#include "util/Browser.h"

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

// The first word of a desktop entry's Exec line, quotes honoured.
std::string ExecProgram(std::string_view exec) {
    std::string program;
    std::size_t i = 0;
    while (i < exec.size() && exec[i] == ' ') {
        ++i;
    }
    if (i < exec.size() && exec[i] == '"') {
        ++i;
        while (i < exec.size() && exec[i] != '"') {
            if (exec[i] == '\\' && i + 1 < exec.size()) {
                ++i;
            }
            program.push_back(exec[i++]);
        }
        return program;
    }
    while (i < exec.size() && exec[i] != ' ') {
        program.push_back(exec[i++]);
    }
    return program;
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
        plan.kind = BrowserLaunch::Kind::Desktop;
        if (url.empty()) {
            plan.kind = BrowserLaunch::Kind::Program;
            plan.program = ExecProgram(registeredCommand);
        }
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
