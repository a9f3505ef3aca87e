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
        Desktop,  // hand the URL to the desktop (a command line it cannot read)
    };
    Kind kind = Kind::None;
    std::string program;
    std::vector<std::string> arguments;
};

// The registered command is lower-cased (A-Z only); an empty one finds no
// browser. A command naming ".exe" is cut right after its first ".exe" and
// freed of double quotes: that program gets the URL as its parameter text, so
// a URL with blanks arrives as several arguments and an empty URL as none.
// A command without ".exe" is the Exec line of a desktop entry (see
// util/DesktopExec.h): its program starts with its own arguments and the URL
// as one argument in place of %u (none for an empty URL), so prefixes such as
// `env VAR=1 browser` or `flatpak run org.example.Browser` just work. A line
// that is not a valid command line leaves the URL to the desktop.
BrowserLaunch PlanBrowserLaunch(std::string_view registeredCommand, std::string_view url);

}  // namespace varnolt
