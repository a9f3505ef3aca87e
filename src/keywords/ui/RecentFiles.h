#pragma once
// The last keyword files loaded, newest first, kept in a small settings file
// in the user's config folder, and the menu button beside a Load button
// that offers them.
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <memory>

class QAbstractButton;
class QMenu;

namespace varnolt {

class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    // The list lives in "recent-files.ini" in `configFolder`; an empty folder
    // means the user's config folder of this program.
    explicit RecentFiles(const QString& configFolder = QString());

    // The files of the list that still exist, newest first. Files that have
    // gone drop out of the stored list too.
    QStringList Files() const;
    // Puts `path` at the top; an older entry of it goes, the ninth drops off.
    void Add(const QString& path);
    QString SettingsPath() const { return settingsPath_; }

private:
    QStringList Stored() const;
    void Store(const QStringList& files) const;
    QString settingsPath_;
};

// A small menu button that sits right beside `beside` and follows it when
// the page lays itself out; its menu lists the recent files and reports the
// one chosen. Space, Enter or Down opens the menu from the keyboard.
class RecentFilesButton : public QToolButton {
    Q_OBJECT
public:
    RecentFilesButton(std::shared_ptr<RecentFiles> files, QAbstractButton* beside);

    // The texts of the menu as it is now built (tests read them).
    QMenu* Menu() const { return menu_; }
    // Fills the menu from the list; runs each time the menu opens.
    void Rebuild();

signals:
    void fileChosen(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow();
    std::shared_ptr<RecentFiles> files_;
    QAbstractButton* beside_;
    QMenu* menu_;
};

}  // namespace varnolt
