#pragma once
// Finding the web browser from the command registered for "http" links.
#include <string>
#include <string_view>
#include <vector>

namespace varnolt {

// What starting the browser for a URL comes down to.
struct BrowserLaunch {
    enum class Kind {
        None,     // no command registered: nothing is started
        Program,  // start `program` with `arguments`
        Desktop,  // hand the URL to the desktop (the command names no ".exe")
    };
    Kind kind = Kind::None;
    std::string program;
    std::vector<std::string> arguments;
};

// The registered command is lower-cased (A-Z only); an empty one finds no
// browser. A command naming ".exe" is cut right after its first ".exe" and
// freed of double quotes: that program gets the URL as its parameter text, so
// a URL with blanks arrives as several arguments and an empty URL as none.
// A command without ".exe", as desktop entries on this platform are, leaves
// the URL to the desktop; an empty URL then starts the entry's own program
// (its first word, field codes such as %u dropped) to show its start page.
BrowserLaunch PlanBrowserLaunch(std::string_view registeredCommand, std::string_view url);

}  // namespace varnolt
