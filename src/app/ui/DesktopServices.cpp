#include "app/ui/DesktopServices.h"

#include <QDateTime>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <chrono>

#include "common/ui/WindowHttpClient.h"
#include "util/DesktopEntry.h"
#include "util/UUtils.h"

namespace varnolt {

namespace {
// The folder where the update description and the updater are published.
const char* const kLiveUpdateURL = "http://update.varnolt.example/liveupdate/varnolt/";
// What a click uses while the browser lookup has not answered yet.
const char* const kDesktopOpen = "xdg-open %u";
// How long a click waits for that answer, well inside a frame's time.
constexpr int kClickWaitMs = 30;
}  // namespace

QString MessageBoxText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

MsgResult QtMessageService::Show(QWidget* parent, MsgKind kind, MsgButtons buttons,
                                 const QString& text) {
    QMessageBox box(parent);
    box.setIcon(kind == MsgKind::Warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setWindowTitle(parent ? parent->window()->windowTitle() : QStringLiteral("Varnolt"));
    box.setText(MessageBoxText(text));
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    const int r = box.exec();
    return r == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
}

QString ToQtFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!name.endsWith(QLatin1Char(')'))) {
            name += QStringLiteral(" (") + patterns + QLatin1Char(')');
        }
        out << name;
    }
    return out.join(QStringLiteral(";;"));
}

static std::optional<QString> RunDialog(QWidget* parent, const FileDialogRequest& req, bool save) {
    QFileDialog dlg(parent, req.title, req.directory, ToQtFilter(req.filter));
    // The desktop's own dialog would not follow the program's skin.
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    if (save) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
    }
    if (!req.fileName.isEmpty()) {
        dlg.selectFile(req.fileName);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dlg.selectedFiles().first();
}

std::optional<QString> QtFileDialogService::OpenFile(QWidget* parent,
                                                     const FileDialogRequest& req) {
    return RunDialog(parent, req, false);
}

std::optional<QString> QtFileDialogService::SaveFile(QWidget* parent,
                                                     const FileDialogRequest& req) {
    return RunDialog(parent, req, true);
}

bool DesktopShell::OpenDocument(const QString& target) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {target});
}

bool DesktopShell::StartProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

DesktopRegistry::DesktopRegistry(std::function<std::string()> lookup) {
    pending_ = std::async(std::launch::async, lookup ? std::move(lookup) : FindBrowserCommand);
}

// A lookup still running when the program ends is waited for here.
DesktopRegistry::~DesktopRegistry() = default;

std::string DesktopRegistry::HttpOpenCommand() {
    if (!command_) {
        if (!pending_.valid()) {
            return kDesktopOpen;
        }
        if (pending_.wait_for(std::chrono::milliseconds(kClickWaitMs)) !=
            std::future_status::ready) {
            return kDesktopOpen;
        }
        try {
            command_ = pending_.get();
        } catch (...) {
            command_ = std::string(kDesktopOpen);
        }
    }
    return *command_;
}

AppContext DesktopContext() {
    AppContext ctx;
    ctx.appFolder = AppFolder();
    ctx.liveUpdateURL = kLiveUpdateURL;
    ctx.messages = std::make_shared<QtMessageService>();
    ctx.dialogs = std::make_shared<QtFileDialogService>();
    ctx.shell = std::make_shared<DesktopShell>();
    ctx.registry = std::make_shared<DesktopRegistry>();
    ctx.http = MakeWindowHttpClient();
    ctx.randomSeed = [] { return static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()); };
    return ctx;
}

}  // namespace varnolt
