#pragma once
// The file dialogs of the keyword pages: a title, a filter and the memory of
// the last file chosen with them.
#include <QString>
#include <optional>

#include "common/ui/Services.h"

class QWidget;

namespace varnolt {

// Where the keyword file dialogs open the first time: the program folder when
// it can be written (a copy unpacked by the user), else the user's documents
// folder (an installed, read-only copy). `appFolder` ends in '/'.
QString FirstDialogFolder(const QString& appFolder);

struct KeywordFileDialog {
    QString title;
    QString filter;
    QString lastFile;                           // empty until a file was chosen
    QString extension = QStringLiteral("txt");  // what a saved name ends in

    // The first time a dialog opens in `firstFolder`; afterwards in the
    // folder of its last file, with that file's name filled in.
    FileDialogRequest DialogRequest(const QString& firstFolder) const;
    // The existing file chosen, as an absolute path, or nothing.
    std::optional<QString> RunOpenDialog(FileDialogService& dialogs, QWidget* parent,
                                         const QString& firstFolder);
    // The name chosen, as an absolute path ending in "." + extension, or nothing.
    std::optional<QString> RunSaveDialog(FileDialogService& dialogs, QWidget* parent,
                                         const QString& firstFolder);
};

}  // namespace varnolt
