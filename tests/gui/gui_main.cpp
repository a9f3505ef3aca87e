// Runs the window tests inside one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/ui/CrashReport.h"
#include "app/ui/Skin.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    varnolt::VarnoltApplication app(argc, argv);
    // Nothing a test does lands in the user's own config folder.
    QStandardPaths::setTestModeEnabled(true);
    varnolt::Skin::ApplyBuiltIn();
    // Error reports of the tests go to a scratch log, never to a dialog.
    QTemporaryDir logDir;
    varnolt::CrashReporter::Instance().SetLogFolder(logDir.path());
    varnolt::CrashReporter::Instance().SetPresenter(
        [](const QString&, const QString&) { return false; });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
