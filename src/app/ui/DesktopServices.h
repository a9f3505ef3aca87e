#pragma once
// The desktop implementations of the service interfaces.
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

// The desktop's default handler for http links, from the `Exec` line of the
// .desktop entry that `xdg-mime` names for x-scheme-handler/http.
class DesktopRegistry : public RegistryService {
public:
    std::string HttpOpenCommand() override;
};

// A filter written as "Description|*.ext" in the form the file dialog reads.
QString ToQtFilter(const QString& filter);

// Everything the program needs, for the desktop.
AppContext DesktopContext();

}  // namespace varnolt
