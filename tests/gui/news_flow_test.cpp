// The main window's news check, Check News and Check Updates, against a real
// HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "Scripted.h"
#include "app/ui/FMain.h"
#include "brand/BrandFile.h"
#include "crypto/AesLib.h"
#include "news/LocalServer.h"
#include "news/ui/Balloon.h"
#include "news/ui/FNews.h"

namespace varnolt::testing {
namespace {

using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;

const QString kNoNews = QStringLiteral("There's no news for this application!");
const QString kNoUpdates = QStringLiteral("There's no new updates for this application!");

class NewsFlowTest : public ::testing::Test {
protected:
    // Replies by path; a path without a reply gets 404.
    void Reply(const std::string& path, int status, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex);
        replies[path] = {status, body};
    }
    void WriteSettings(const std::string& tier, const std::string& extra = "") {
        const std::string base = server.Url("/news/");
        std::string plain =
            "<%%ApplicationName%%>Shop Tool<%%/ApplicationName%%>\r\n"
            "<%%BranderCode%%>ST-9<%%/BranderCode%%>\r\n"
            "<%%BranderType%%>" +
            tier +
            "<%%/BranderType%%>\r\n"
            "<%%MasterNewsBaseURL%%>" +
            base +
            "<%%/MasterNewsBaseURL%%>\r\n"
            "<%%GoldNewsBaseURL%%>" +
            base +
            "<%%/GoldNewsBaseURL%%>\r\n"
            "<%%MasterPublID%%>M1<%%/MasterPublID%%>\r\n"
            "<%%GoldPublID%%>G7<%%/GoldPublID%%>\r\n" +
            extra;
        std::string error;
        ASSERT_TRUE(EncryptMemoryToFile(plain, ctx.Folder() + "dbsettings.dat", &error)) << error;
    }
    void Open() {
        win = std::make_unique<TfrmMain>(ctx.Make(server.Url("/liveupdate/varnolt/")));
        win->Timer1->stop();
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    }
    std::vector<HttpRequest> NewsRequests() {
        std::vector<HttpRequest> out;
        for (const auto& r : server.Requests()) {
            if (r.target.rfind("/news/", 0) == 0) {
                out.push_back(r);
            }
        }
        return out;
    }
    void TearDown() override {
        win.reset();
        server.Release();
    }

    std::mutex mutex;
    std::map<std::string, std::pair<int, std::string>> replies;
    LocalServer server{[this](const HttpRequest& req) {
        std::lock_guard<std::mutex> lock(mutex);
        HttpResponse r;
        auto it = replies.find(req.target);
        if (it == replies.end()) {
            r.status = 404;
            r.body = "not found";
        } else {
            r.status = it->second.first;
            r.body = it->second.second;
        }
        return r;
    }};
    TestContext ctx;
    std::unique_ptr<TfrmMain> win;
};

TEST_F(NewsFlowTest, TimerShowsTheBalloonForANewerMessageOnly) {
    WriteSettings("Gold");
    Reply("/news/getlastnews.php", 200, "5^Spring offer\xAFOK\r\n");
    Open();
    win->Timer1->start();
    win->Timer1Timer();
    EXPECT_FALSE(win->Timer1->isActive());
    ASSERT_TRUE(win->LMDMessageHint1->isShown());
    EXPECT_EQ(win->LMDMessageHint1->text(),
              QStringLiteral("You've Got A Message!\r\nSpring offer"));
    const QPoint centre(win->btnNews->x() + win->btnNews->width() / 2,
                        win->btnNews->y() + win->btnNews->height() / 2);
    EXPECT_EQ(win->LMDMessageHint1->anchor(), win->mapToGlobal(centre));
    const auto requests = NewsRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].body.find("name=\"memusername\"\r\n\r\nG7\r\n"), std::string::npos);
    EXPECT_NE(requests[0].body.find("name=\"prodtype\"\r\n\r\nBG\r\n"), std::string::npos);
    EXPECT_NE(requests[0].body.find("name=\"conttype\"\r\n\r\nlastcode\r\n"), std::string::npos);
    // The quiet update check ran after the news check and said nothing.
    const auto all = server.Requests();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].target, "/liveupdate/varnolt/mainappupdate.inf");
    EXPECT_TRUE(ctx.messages->shown.empty());
    win->LMDMessageHint1->close();

    // Once the user has opened message 5 (or a newer one) the balloon stays away.
    ASSERT_TRUE(WriteLastNewsId(ctx.Folder(), "7"));
    win->Timer1Timer();
    EXPECT_FALSE(win->LMDMessageHint1->isShown());
}

TEST_F(NewsFlowTest, FreeTierAsksNoNewsButStillChecksForUpdates) {
    WriteSettings("Free");
    Open();
    EXPECT_TRUE(win->btnNews->isVisibleTo(win.get()));
    win->Timer1Timer();
    EXPECT_TRUE(NewsRequests().empty());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].method, "GET");
    QTest::mouseClick(win->btnNews, Qt::LeftButton);
    EXPECT_EQ(ctx.messages->Texts(), QStringList{kNoNews});
    EXPECT_EQ(ctx.messages->shown[0].kind, MsgKind::Information);
    EXPECT_TRUE(NewsRequests().empty());
}

TEST_F(NewsFlowTest, CheckNewsShowsTheServiceWarningThenNoNews) {
    WriteSettings("Master");
    Reply("/news/getlastnews.php", 200, "  INVALIDUSER\r\n");
    Open();
    win->btnNewsClick();
    EXPECT_EQ(ctx.messages->Texts(),
              (QStringList{QStringLiteral(
                               "There is a trouble with the Publisher Id. Contact your provider."),
                           kNoNews}));
    EXPECT_EQ(ctx.messages->shown[0].kind, MsgKind::Warning);
    EXPECT_TRUE(win->NewsList->empty());
    Reply("/news/getlastnews.php", 200, "OK");
    win->btnNewsClick();
    EXPECT_EQ(ctx.messages->Texts().last(), kNoNews);
    EXPECT_EQ(ctx.messages->shown.size(), 3u);
}

TEST_F(NewsFlowTest, CheckNewsOpensTheNewsWindowWithTheLatestList) {
    WriteSettings("Master");
    Reply("/news/getlastnews.php", 200,
          "12^Spring offer^1 March\xAF"
          "11^Welcome^1 February\xAFOK");
    Reply("/news/getnewsdetails.php", 200, "$3Cb$3EHello$3C/b$3E\xAFOK");
    Open();
    int shownRows = -1;
    // The request itself lets timers run, so wait for the news window to be up.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* news = qobject_cast<TfrmNews*>(QApplication::activeModalWidget());
        if (!news) {
            return;
        }
        poll.stop();
        auto* list = news->findChild<QTreeWidget*>();
        shownRows = list ? list->topLevelItemCount() : -2;
        news->close();
    });
    poll.start(20);
    QTimer::singleShot(10000, [&] {
        if (auto* w = QApplication::activeModalWidget())
            w->close();
    });
    win->btnNewsClick();
    EXPECT_TRUE(ctx.messages->shown.empty());
    ASSERT_EQ(win->NewsList->size(), 2u);
    EXPECT_EQ((*win->NewsList)[0], "12^Spring offer^1 March");
    EXPECT_EQ(shownRows, 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(NewsFlowTest, UpdateCheckPaths) {
    WriteSettings("Free");
    Open();
    // No description file on the server: nothing is left behind.
    QFile old(ctx.Path("mainappupdate.inf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("[APPLICATION]\r\nVersion=9\r\n");
    old.close();
    QTest::mouseClick(win->btnUpdate, Qt::LeftButton);
    EXPECT_EQ(ctx.messages->Texts(), QStringList{kNoUpdates});
    EXPECT_FALSE(QFile::exists(ctx.Path("mainappupdate.inf")));

    // The same version: no update, and the file stays.
    Reply("/liveupdate/varnolt/mainappupdate.inf", 200,
          "[APPLICATION]\r\nName=Varnolt\r\nVersion=2.0\r\n");
    win->CheckForUpdate(true);
    EXPECT_EQ(ctx.messages->shown.size(), 1u) << "quiet: no message";
    EXPECT_TRUE(QFile::exists(ctx.Path("mainappupdate.inf")));

    // A newer one: Cancel on the first question ends the check.
    Reply("/liveupdate/varnolt/mainappupdate.inf", 200, "[application]\r\nversion=2.01\r\n");
    ctx.messages->answers = {MsgResult::Cancel};
    win->CheckForUpdate(true);
    ASSERT_EQ(ctx.messages->shown.size(), 2u);
    EXPECT_EQ(
        ctx.messages->shown[1].text,
        QStringLiteral("There is a new update: (version 2.01) available for your application!. "
                       "Do you want download this update now?"));
    EXPECT_EQ(ctx.messages->shown[1].buttons, MsgButtons::OkCancel);

    // OK without an updater beside the program: a warning, and the window stays.
    ctx.messages->answers = {MsgResult::Ok};
    win->CheckForUpdate(false);
    ASSERT_EQ(ctx.messages->shown.size(), 4u);
    EXPECT_EQ(ctx.messages->shown[3].text,
              QStringLiteral(
                  "The updater module is missing. Please reinstall again the current version!"));
    EXPECT_EQ(ctx.messages->shown[3].kind, MsgKind::Warning);
    EXPECT_TRUE(win->isVisible());
    EXPECT_TRUE(ctx.shell->started.empty());

    // With the updater: Cancel on the second question stops ...
    QFile updater(ctx.Path("Updater.exe"));
    ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
    updater.close();
    ctx.messages->answers = {MsgResult::Ok, MsgResult::Cancel};
    win->CheckForUpdate(false);
    ASSERT_EQ(ctx.messages->shown.size(), 6u);
    EXPECT_EQ(
        ctx.messages->shown[5].text,
        QStringLiteral("To update your software the application will close to\n\rreplace some "
                       "files. Do you want to update now?"));
    EXPECT_TRUE(ctx.shell->started.empty());

    // ... and OK starts the updater with its three words and closes the window.
    ctx.messages->answers = {MsgResult::Ok, MsgResult::Ok};
    win->CheckForUpdate(false);
    ASSERT_EQ(ctx.shell->started.size(), 1u);
    EXPECT_EQ(ctx.shell->started[0].first, ctx.Path("Updater.exe"));
    EXPECT_EQ(ctx.shell->started[0].second,
              (QStringList{QString::fromStdString(server.Url("/liveupdate/varnolt/")),
                           QStringLiteral("2.0"), QStringLiteral("A")}));
    EXPECT_FALSE(win->isVisible());
}

TEST_F(NewsFlowTest, WindowKeepsPaintingWhileARequestWaitsAndClosingEndsEverything) {
    server.Release();  // nothing hangs yet
    LocalServer silent([](const HttpRequest&) {
        HttpResponse r;
        r.hang = true;
        return r;
    });
    std::string plain =
        "<%%BranderType%%>Master<%%/BranderType%%>"
        "<%%MasterNewsBaseURL%%>" +
        silent.Url("/news/") +
        "<%%/MasterNewsBaseURL%%>"
        "<%%MasterPublID%%>M1<%%/MasterPublID%%>";
    ASSERT_TRUE(EncryptMemoryToFile(plain, ctx.Folder() + "dbsettings.dat"));
    // The start-up tick (news, then updates), Check News and Check Updates,
    // each closed while its first request waits on a server that never answers.
    const std::pair<const char*, void (TfrmMain::*)()> handlers[] = {
        {"start-up tick", &TfrmMain::Timer1Timer},
        {"Check News", &TfrmMain::btnNewsClick},
        {"Check Updates", &TfrmMain::btnUpdateClick},
    };
    std::size_t asked = 0;
    for (const auto& [name, handler] : handlers) {
        win = std::make_unique<TfrmMain>(ctx.Make(silent.Url("/liveupdate/")));
        win->Timer1->stop();
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QElapsedTimer sinceClose;
        QTimer::singleShot(300, [&] {
            sinceClose.start();
            win->close();
        });
        (win.get()->*handler)();
        ASSERT_TRUE(sinceClose.isValid()) << name;
        EXPECT_LT(sinceClose.elapsed(), 1000) << name;
        EXPECT_GT(ticks, 10) << name << ": events kept flowing during the wait";
        // Nothing after the close: no further request, no message, no balloon,
        // and a later click asks nothing either.
        win->btnNewsClick();
        win->btnUpdateClick();
        win->Timer1Timer();
        EXPECT_FALSE(win->Timer1->isActive()) << name;
        EXPECT_FALSE(win->LMDMessageHint1->isShown()) << name;
        EXPECT_EQ(ctx.messages->Texts(), QStringList()) << name;
        EXPECT_EQ(silent.Requests().size(), ++asked) << name;
        win.reset();
    }
    const auto requests = silent.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/news/getlastnews.php");
    EXPECT_EQ(requests[1].target, "/news/getlastnews.php");
    EXPECT_EQ(requests[2].target, "/liveupdate/mainappupdate.inf");
    silent.Release();
}

}  // namespace
}  // namespace varnolt::testing
