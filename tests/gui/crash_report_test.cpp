// Crash reporting: what escapes an event reaches the user and the error log.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <stdexcept>

#include "app/ui/CrashReport.h"

namespace varnolt {
namespace {

class Throwing : public QObject {
protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("list.txt could not be read");
        }
        return QObject::event(e);
    }
};

class CrashReportTest : public ::testing::Test {
protected:
    void TearDown() override {
        CrashReporter::Instance().SetPresenter(
            [](const QString&, const QString&) { return false; });
        CrashReporter::Instance().SetMailer(nullptr);
    }
};

TEST_F(CrashReportTest, AnErrorEscapingAnEventIsReportedLoggedAndCanBeMailed) {
    CrashReporter& reporter = CrashReporter::Instance();
    QString shown, details, mailed;
    reporter.SetPresenter([&](const QString& message, const QString& d) {
        shown = message;
        details = d;
        return true;  // the user chooses to send the report
    });
    reporter.SetMailer([&](const QString& url) { mailed = url; });
    const int before = reporter.Count();

    Throwing target;
    QEvent event(QEvent::User);
    EXPECT_NO_THROW(QApplication::sendEvent(&target, &event));
    EXPECT_EQ(reporter.Count(), before + 1);
    EXPECT_EQ(shown, QStringLiteral("list.txt could not be read"));
    EXPECT_TRUE(details.contains(QStringLiteral("Varnolt 2.0")));

    QFile log(reporter.LogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Error: list.txt could not be read"));

    const QUrl url(mailed);
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
              QStringLiteral("Varnolt error report"));
    EXPECT_TRUE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)
                    .contains(QStringLiteral("list.txt could not be read")));
}

TEST_F(CrashReportTest, DecliningToSendMailsNothing) {
    CrashReporter& reporter = CrashReporter::Instance();
    bool mailed = false;
    reporter.SetPresenter([](const QString&, const QString&) { return false; });
    reporter.SetMailer([&](const QString&) { mailed = true; });
    reporter.Report(QStringLiteral("disk full"));
    EXPECT_FALSE(mailed);
    EXPECT_EQ(reporter.LastMessage(), QStringLiteral("disk full"));
}

}  // namespace
}  // namespace varnolt
