#include "keywords/ui/KeywordFileDialog.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace varnolt {

QString FirstDialogFolder(const QString& appFolder) {
    if (::access(QFile::encodeName(appFolder).constData(), W_OK) == 0)
        return appFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

FileDialogRequest KeywordFileDialog::DialogRequest(const QString& firstFolder) const {
    if (lastFile.isEmpty()) {
        return {title, filter, firstFolder, QString()};
    }
    const QFileInfo last(lastFile);
    return {title, filter, last.absolutePath(), last.fileName()};
}

std::optional<QString> KeywordFileDialog::RunOpenDialog(FileDialogService& dialogs, QWidget* parent,
                                                        const QString& firstFolder) {
    const FileDialogRequest req = DialogRequest(firstFolder);
    std::optional<QString> chosen = dialogs.OpenFile(parent, req);
    if (chosen && !chosen->isEmpty()) {
        lastFile = QFileInfo(QDir(req.directory), *chosen).absoluteFilePath();
        return lastFile;
    }
    return std::nullopt;
}

std::optional<QString> KeywordFileDialog::RunSaveDialog(FileDialogService& dialogs, QWidget* parent,
                                                        const QString& firstFolder) {
    const FileDialogRequest req = DialogRequest(firstFolder);
    std::optional<QString> chosen = dialogs.SaveFile(parent, req);
    if (!chosen || chosen->isEmpty()) {
        return std::nullopt;
    }
    QString path = QFileInfo(QDir(req.directory), *chosen).absoluteFilePath();
    // A name whose extension is not the dialog's (in any case) gets it added.
    if (QFileInfo(path).suffix().compare(extension, Qt::CaseInsensitive) != 0) {
        path += QLatin1Char('.') + extension;
    }
    lastFile = path;
    return path;
}

}  // namespace varnolt
