// Varnolt: keyword tools for people who buy search advertising.
#include <QIcon>

#include "app/ui/CrashReport.h"
#include "app/ui/DesktopServices.h"
#include "app/ui/FMain.h"
#include "app/ui/Skin.h"

int main(int argc, char** argv) {
    varnolt::VarnoltApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnolt"));
    QApplication::setOrganizationName(QStringLiteral("Varnolt"));
    // The menu entry this window belongs to (Wayland names windows by it).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnolt.Varnolt"));
    varnolt::Skin::ApplyBuiltIn();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/varnolt/varnolt.png")));
    varnolt::CrashReporter::Instance().SetMailer(
        [](const QString& url) { varnolt::DesktopShell().OpenDocument(url); });

    varnolt::TfrmMain frmMain(varnolt::DesktopContext());
    // From here on a report names the brand the window shows.
    varnolt::CrashReporter::Instance().SetBrand(
        varnolt::MakeReportBrand(frmMain.windowTitle(), frmMain.Brand));
    frmMain.show();
    return app.exec();
}
