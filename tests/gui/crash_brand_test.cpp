// The crash report of a reseller's copy: named by its caption and mailed to
// the reseller's support address when the brand gives one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <memory>

#include "app/ui/CrashReport.h"
#include "app/ui/DesktopServices.h"
#include "app/ui/FMain.h"
#include "common/ui/WindowHttpClient.h"
#include "crypto/AesLib.h"

namespace varnolt {
namespace {

// A program folder of its own; the window never asks its services here.
AppContext FolderContext(const QTemporaryDir& dir) {
    AppContext c;
    c.appFolder = QDir(dir.path()).absolutePath().toStdString() + "/";
    c.messages = std::make_shared<QtMessageService>();
    c.dialogs = std::make_shared<QtFileDialogService>();
    c.shell = std::make_shared<DesktopShell>();
    c.registry = std::make_shared<DesktopRegistry>([] { return std::string(); });
    c.http = MakeWindowHttpClient();
    c.randomSeed = [] { return 1u; };
    return c;
}

TEST(CrashReportBrand, TheReportNamesTheBrandAndGoesToTheResellersAddress) {
    struct Case {
        const char* what;
        std::string settings;  // empty: no settings file
        QString subject;
        QString address;
        QString program;
    };
    const std::string shop = "<%%ApplicationName%%>Shop Tool<%%/ApplicationName%%>\r\n";
    auto help = [](const std::string& url) {
        return "<%%AppHelpURL%%>" + url + "<%%/AppHelpURL%%>\r\n";
    };
    const Case cases[] = {
        {"no brand", "", "Varnolt error report", "support@varnolt.example", "Varnolt 2.0"},
        {"a brand with a mail Help link", shop + help("mailto:help@shop.example?subject=Help"),
         "Shop Tool v2.0 error report", "help@shop.example", "Shop Tool v2.0 (Varnolt 2.0)"},
        {"written in capitals and percent-encoded", shop + help(" MAILTO:care%40shop.example "),
         "Shop Tool v2.0 error report", "care@shop.example", "Shop Tool v2.0 (Varnolt 2.0)"},
        {"a web Help link", shop + help("http://help.example/"), "Shop Tool v2.0 error report",
         "support@varnolt.example", "Shop Tool v2.0 (Varnolt 2.0)"},
        {"two addresses", shop + help("mailto:a@shop.example,b@shop.example"),
         "Shop Tool v2.0 error report", "support@varnolt.example", "Shop Tool v2.0 (Varnolt 2.0)"},
        {"a brand without a name", help("mailto:help@shop.example"), "Varnolt error report",
         "help@shop.example", "Varnolt 2.0"},
    };
    CrashReporter& reporter = CrashReporter::Instance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const AppContext ctx = FolderContext(dir);
        if (!c.settings.empty()) {
            std::string error;
            ASSERT_TRUE(EncryptMemoryToFile(c.settings, ctx.appFolder + "dbsettings.dat", &error))
                << error;
        }
        TfrmMain win(ctx);
        reporter.SetBrand(MakeReportBrand(win.windowTitle(), win.Brand));
        QString mailed, details;
        reporter.SetPresenter([&](const QString&, const QString& d) {
            details = d;
            return true;
        });
        reporter.SetMailer([&](const QString& url) { mailed = url; });
        reporter.Report(QStringLiteral("list.txt could not be read"));

        const QUrl url(mailed);
        EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
        EXPECT_EQ(url.path(QUrl::FullyDecoded), c.address);
        EXPECT_EQ(QUrlQuery(url).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                  c.subject);
        EXPECT_TRUE(details.contains(QStringLiteral("Program: ") + c.program + QLatin1Char('\n')))
            << details.toStdString();
    }
    reporter.SetBrand(MakeReportBrand(QStringLiteral("Varnolt"), BrandSettings()));
    reporter.SetPresenter([](const QString&, const QString&) { return false; });
    reporter.SetMailer(nullptr);
}

}  // namespace
}  // namespace varnolt
