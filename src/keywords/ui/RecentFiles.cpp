#include "keywords/ui/RecentFiles.h"

#include <QAbstractButton>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

#include "common/ui/UiScale.h"

namespace varnolt {

namespace {

const QString kKey = QStringLiteral("load/files");

// A path as the menu shows it: the home folder written as "~".
QString Shown(const QString& path) {
    const QString home = QDir::homePath();
    QString shown = QDir::toNativeSeparators(path);
    if (!home.isEmpty() && home != QLatin1String("/") &&
        shown.startsWith(home + QLatin1Char('/'))) {
        shown = QLatin1Char('~') + shown.mid(home.size());
    }
    // A '&' in a name is a character of the name, not a mnemonic.
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return shown;
}

}  // namespace

RecentFiles::RecentFiles(const QString& configFolder) {
    QString folder = configFolder;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    }
    settingsPath_ = QDir(folder).absoluteFilePath(QStringLiteral("recent-files.ini"));
}

QStringList RecentFiles::Stored() const {
    QSettings settings(settingsPath_, QSettings::IniFormat);
    return settings.value(kKey).toStringList();
}

void RecentFiles::Store(const QStringList& files) const {
    QSettings settings(settingsPath_, QSettings::IniFormat);
    settings.setValue(kKey, files);
}

QStringList RecentFiles::Files() const {
    const QStringList stored = Stored();
    QStringList present;
    for (const QString& f : stored) {
        if (QFileInfo(f).isFile() && present.size() < kMaxFiles) {
            present << f;
        }
    }
    if (present != stored) {
        Store(present);
    }
    return present;
}

void RecentFiles::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = Stored();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > kMaxFiles) {
        files.removeLast();
    }
    Store(files);
}

RecentFilesButton::RecentFilesButton(std::shared_ptr<RecentFiles> files, QAbstractButton* beside)
    : QToolButton(beside->parentWidget()),
      files_(std::move(files)),
      beside_(beside),
      menu_(new QMenu(this)) {
    setObjectName(beside->objectName() + QStringLiteral("Recent"));
    // It follows its button; the page's scaling leaves it to that.
    setProperty(ui_scale::kPlacesItself, true);
    setArrowType(Qt::DownArrow);
    setPopupMode(QToolButton::InstantPopup);
    setFocusPolicy(Qt::StrongFocus);
    setMenu(menu_);
    menu_->setObjectName(objectName() + QStringLiteral("Menu"));
    menu_->setTitle(QStringLiteral("Recent files"));
    menu_->setAccessibleName(QStringLiteral("Recent files"));
    connect(menu_, &QMenu::aboutToShow, this, &RecentFilesButton::Rebuild);
    beside_->installEventFilter(this);
    Rebuild();
    Follow();
}

void RecentFilesButton::Rebuild() {
    menu_->clear();
    const QStringList files = files_->Files();
    if (files.isEmpty()) {
        menu_->addAction(QStringLiteral("No recent files"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* a = menu_->addAction(QStringLiteral("&%1  %2").arg(i + 1).arg(Shown(path)));
        a->setToolTip(path);
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] { emit fileChosen(path); });
    }
}

bool RecentFilesButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == beside_) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                Follow();
                break;
            case QEvent::EnabledChange:
                setEnabled(beside_->isEnabled());
                break;
            default:
                break;
        }
    }
    return QToolButton::eventFilter(watched, event);
}

void RecentFilesButton::Follow() {
    // As high as the button beside it, just right of it, and wide enough
    // for its arrow.
    const QRect b = beside_->geometry();
    setIconSize(QSize(b.height() / 2, b.height() / 2));
    setGeometry(b.right() + 3, b.top(), std::max(b.height(), sizeHint().width()), b.height());
}

}  // namespace varnolt
