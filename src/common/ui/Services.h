#pragma once
// Everything the windows do that waits for a person or reaches outside the
// process goes through these small interfaces. The program uses the Qt/desktop
// implementations (DesktopServices.h); tests hand in scripted ones.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace varnolt {

class HttpClient;

enum class MsgKind { Warning, Information };
enum class MsgButtons { Ok, OkCancel };
enum class MsgResult { Ok, Cancel };

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgResult Show(QWidget* parent, MsgKind kind, MsgButtons buttons,
                           const QString& text) = 0;
};

struct FileDialogRequest {
    QString title;
    QString filter;     // e.g. "Text files(*.txt)|*.txt"
    QString directory;  // folder the dialog opens in
    QString fileName;   // name filled in, may be empty
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen existing file, or nothing when cancelled.
    virtual std::optional<QString> OpenFile(QWidget* parent, const FileDialogRequest& req) = 0;
    // The chosen name (not yet adjusted for its extension), or nothing.
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogRequest& req) = 0;
};

class ShellService {
public:
    virtual ~ShellService() = default;
    // Opens a document or URL with the desktop's handler.
    virtual bool OpenDocument(const QString& target) = 0;
    // Starts a program with an argument list, without waiting for it.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
};

class RegistryService {
public:
    virtual ~RegistryService() = default;
    // The command registered for opening "http" links, or "" when none is.
    virtual std::string HttpOpenCommand() = 0;
};

// Everything a TfrmMain needs from outside, handed over at construction.
struct AppContext {
    std::string appFolder;      // with a trailing '/'
    std::string liveUpdateURL;  // folder of the update description, ends in '/'
    std::shared_ptr<MessageService> messages;
    std::shared_ptr<FileDialogService> dialogs;
    std::shared_ptr<ShellService> shell;
    std::shared_ptr<RegistryService> registry;
    // The client of the news service and the update check; a window that
    // closes ends every request of it still in flight. Required.
    std::shared_ptr<HttpClient> http;
    // Seed for the random picks of the brand settings; the clock when empty.
    std::function<std::uint32_t()> randomSeed;
    // Where the user's own choices are kept (the recent files); the user's
    // config folder of the program when empty.
    std::string configFolder;
};

}  // namespace varnolt
