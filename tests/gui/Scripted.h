#pragma once
// Scripted stand-ins for the services that wait for a person or reach
// outside the process.
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "app/ui/FMain.h"
#include "common/ui/Services.h"
#include "common/ui/WindowHttpClient.h"

namespace varnolt::testing {

struct ShownMessage {
    MsgKind kind;
    MsgButtons buttons;
    QString text;
    QString caption;  // the title of the window the box belongs to
};

class ScriptedMessages : public MessageService {
public:
    MsgResult Show(QWidget* parent, MsgKind kind, MsgButtons buttons,
                   const QString& text) override {
        shown.push_back(
            {kind, buttons, text, parent ? parent->window()->windowTitle() : QString()});
        if (answers.empty()) {
            return MsgResult::Ok;
        }
        MsgResult r = answers.front();
        answers.pop_front();
        return r;
    }
    QStringList Texts() const {
        QStringList t;
        for (const auto& m : shown) {
            t << m.text;
        }
        return t;
    }
    std::vector<ShownMessage> shown;
    std::deque<MsgResult> answers;
};

class ScriptedDialogs : public FileDialogService {
public:
    std::optional<QString> OpenFile(QWidget*, const FileDialogRequest& req) override {
        openRequests.push_back(req);
        return Next(openAnswers);
    }
    std::optional<QString> SaveFile(QWidget*, const FileDialogRequest& req) override {
        saveRequests.push_back(req);
        return Next(saveAnswers);
    }
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;

private:
    static std::optional<QString> Next(std::deque<std::optional<QString>>& q) {
        if (q.empty()) {
            return std::nullopt;
        }
        auto r = q.front();
        q.pop_front();
        return r;
    }
};

class RecordingShell : public ShellService {
public:
    bool OpenDocument(const QString& target) override {
        opened << target;
        return true;
    }
    bool StartProgram(const QString& program, const QStringList& arguments) override {
        started.push_back({program, arguments});
        return true;
    }
    QStringList opened;
    std::vector<std::pair<QString, QStringList>> started;
};

class ScriptedRegistry : public RegistryService {
public:
    std::string HttpOpenCommand() override { return command; }
    std::string command;
};

// A program folder in a temporary directory with scripted services.
struct TestContext {
    TestContext() {
        messages = std::make_shared<ScriptedMessages>();
        dialogs = std::make_shared<ScriptedDialogs>();
        shell = std::make_shared<RecordingShell>();
        registry = std::make_shared<ScriptedRegistry>();
    }
    AppContext Make(
        const std::string& liveUpdateURL = "http://127.0.0.1:9/liveupdate/varnolt/") const {
        AppContext c;
        c.appFolder = Folder();
        c.liveUpdateURL = liveUpdateURL;
        c.messages = messages;
        c.dialogs = dialogs;
        c.shell = shell;
        c.registry = registry;
        c.http = MakeWindowHttpClient();
        c.randomSeed = [] { return 12345u; };
        c.configFolder = Folder() + "config/";
        return c;
    }
    std::string Folder() const { return QDir(dir.path()).absolutePath().toStdString() + "/"; }
    QString Path(const QString& name) const { return QDir(dir.path()).absoluteFilePath(name); }

    QTemporaryDir dir;
    std::shared_ptr<ScriptedMessages> messages;
    std::shared_ptr<ScriptedDialogs> dialogs;
    std::shared_ptr<RecordingShell> shell;
    std::shared_ptr<ScriptedRegistry> registry;
};

}  // namespace varnolt::testing
