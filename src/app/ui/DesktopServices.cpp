#include "app/ui/DesktopServices.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

#include "common/ui/WindowHttpClient.h"
#include "util/UUtils.h"

namespace varnolt {

namespace {
// The folder where the update description and the updater are published.
const char* const kLiveUpdateURL = "http://update.varnolt.example/liveupdate/varnolt/";
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

std::string DesktopRegistry::HttpOpenCommand() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/http")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        return std::string();
    }
    const QString entry = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (entry.isEmpty() || entry.contains(QLatin1Char('/'))) {
        return std::string();
    }
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::string();
    }
    bool inEntry = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
        } else if (inEntry && line.startsWith(QLatin1String("Exec="))) {
            const QByteArray exec = line.mid(5).toUtf8();
            return std::string(exec.constData(), static_cast<std::size_t>(exec.size()));
        }
    }
    return std::string();
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
