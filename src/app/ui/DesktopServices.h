#pragma once
// The desktop implementations of the service interfaces.
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "common/ui/Services.h"

namespace varnolt {

// A message text as the box draws it: each line break of the program's texts
// (CR LF, LF CR, a lone LF or a lone CR) becomes one LF.
QString MessageBoxText(const QString& text);

class QtMessageService : public MessageService {
public:
    MsgResult Show(QWidget* parent, MsgKind kind, MsgButtons buttons, const QString& text) override;
};

class QtFileDialogService : public FileDialogService {
public:
    std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& req) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& req) override;
};

class DesktopShell : public ShellService {
public:
    bool OpenDocument(const QString& target) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;
};

// The desktop's web browser: the command line of the default handler of
// https (else http) links, from its .desktop entry (util/DesktopEntry.h).
// The lookup reads files and may run `xdg-mime`, so it runs once, in a
// worker started with the registry, and its answer is kept; a click never
// waits for more than a moment. A click before the answer is there hands the
// URL to the desktop.
class DesktopRegistry : public RegistryService {
public:
    // `lookup` finds the command; the desktop's own lookup unless given.
    explicit DesktopRegistry(std::function<std::string()> lookup = {});
    ~DesktopRegistry() override;
    std::string HttpOpenCommand() override;

private:
    std::future<std::string> pending_;
    std::optional<std::string> command_;
};

// A filter written as "Description|*.ext" in the form the file dialog reads.
QString ToQtFilter(const QString& filter);

// Everything the program needs, for the desktop.
AppContext DesktopContext();

}  // namespace varnolt
