#pragma once
// The About box: the branded product name, the program version, the
// reseller's copyright line and about text.
//
//     TfrmAbout box(settings, mainWindow);
//     box.exec();  // modal; the "Ok" button closes it
#include <QDialog>

#include "brand/BrandSettings.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace varnolt {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const BrandSettings& settings, QWidget* parent = nullptr);

    QLabel* lblProductName = nullptr;
    QLabel* lblProductVersion = nullptr;
    QLabel* lblCopyright1 = nullptr;
    QPlainTextEdit* memAbout = nullptr;
    QPushButton* editAbout = nullptr;

private slots:
    void editAboutClick();

private:
    // Fills the texts from the settings while the box is created.
    void FormCreate(const BrandSettings& settings);
};

}  // namespace varnolt
