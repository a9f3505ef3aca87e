#pragma once
// The About box: the branded product name, the program version, the
// reseller's copyright line and about text.
//
//     TfrmAbout box(settings, mainWindow);
//     box.exec();  // modal; "Ok", Enter and Esc close it
//
// The box draws its own caption, the title only: window managers decide for
// themselves which buttons and which icon a framed dialog's caption shows, so
// the box asks for no frame and looks the same under every one of them.
#include <QDialog>
#include <QPoint>

#include "brand/BrandSettings.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace varnolt {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const BrandSettings& settings, QWidget* parent = nullptr);

    // The caption strip along the top (drag it to move the box) and its title.
    QFrame* panCaption = nullptr;
    QLabel* lblCaption = nullptr;
    // The client area below the caption, which holds every other control.
    QWidget* panClient = nullptr;

    QLabel* lblProductName = nullptr;
    QLabel* lblProductVersion = nullptr;
    QLabel* lblCopyright1 = nullptr;
    QPlainTextEdit* memAbout = nullptr;
    QPushButton* editAbout = nullptr;

private slots:
    void editAboutClick();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Fills the texts from the settings while the box is created.
    void FormCreate(const BrandSettings& settings);
    void ShowCaption();

    // Where the caption was grabbed, while the box moves by itself because
    // the window system would not move it.
    QPoint dragOffset;
    bool dragging = false;
};

}  // namespace varnolt
