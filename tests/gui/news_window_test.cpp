// The news window against a local news service.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QTreeWidget>
#include <map>
#include <mutex>

#include "common/ui/Mnemonics.h"
#include "gui/Scripted.h"
#include "news/LocalServer.h"
#include "news/NewsMessages.h"
#include "news/ui/FNews.h"

namespace varnolt {
namespace {

using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;

using RecordedMessages = testing::ScriptedMessages;

class RecordedShell : public ShellService {
public:
    bool OpenDocument(const QString& target) override {
        opened << target;
        return true;
    }
    bool StartProgram(const QString&, const QStringList&) override { return false; }
    QStringList opened;
};

// The news id a details form asks for.
std::string NewsIdOfForm(const HttpRequest& req) {
    const std::string type = req.Header("Content-Type");
    const std::string boundary = type.substr(type.find("boundary=") + 9);
    for (const auto& [name, value] : test::ParseMultipart(req.body, boundary)) {
        if (name == "newsid")
            return value;
    }
    return {};
}

class NewsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        request_.publisherId = "pub";
        request_.branderCode = "CODE";
        request_.tierCode = "BM";
        request_.baseUrl = server_.Url("/news");
        http_.SetPump([this] {
            QCoreApplication::processEvents();
            if (pump_)
                pump_();
            if (++pumpCalls_ > 2000)
                http_.AbortAll();  // never wait for long
        });
    }

    std::unique_ptr<TfrmNews> Open(std::vector<std::string> lines, QWidget* owner = nullptr) {
        auto w = std::make_unique<TfrmNews>(
            std::move(lines), http_, request_, messages_, shell_,
            [this](const std::string& id) { stored_.push_back(id); }, owner);
        w->show();
        QCoreApplication::processEvents();
        return w;
    }

    void Reply(const std::string& id, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[id] = body;
    }

    std::vector<std::string> AskedIds() {
        std::vector<std::string> ids;
        for (const auto& r : server_.Requests())
            ids.push_back(NewsIdOfForm(r));
        return ids;
    }

    std::mutex mutex_;
    std::map<std::string, std::string> replies_;
    LocalServer server_{[this](const HttpRequest& req) {
        HttpResponse res;
        if (req.target != "/news/getnewsdetails.php") {
            res.status = 404;
            return res;
        }
        const std::string id = NewsIdOfForm(req);
        std::lock_guard<std::mutex> lock(mutex_);
        if (id == "99") {
            res.hang = true;
        } else {
            res.body = replies_[id];
        }
        return res;
    }};
    HttpClient http_;
    NewsRequest request_;
    RecordedMessages messages_;
    RecordedShell shell_;
    std::vector<std::string> stored_;
    std::function<void()> pump_;
    int pumpCalls_ = 0;
};

TEST_F(NewsWindowTest, ListsTheRecordsInOrder) {
    auto w = Open(
        {"12^Spring offer^1 March^extra", "11^Welcome^1 February", "10^Caf\xE9^2 Jan", "9^Short"});
    EXPECT_EQ(w->windowTitle(), "News");
    EXPECT_EQ(w->size(), QSize(682, 411));
    QTreeWidget* list = w->findChild<QTreeWidget*>("lvwItems");
    ASSERT_EQ(list, w->lvwItems);
    ASSERT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), "News Title");
    EXPECT_EQ(list->headerItem()->text(1), "Published");
    EXPECT_EQ(list->header()->sectionSize(1), 160);
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Spring offer");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "1 March");
    EXPECT_EQ(TfrmNews::NewsIdOf(list->topLevelItem(0)), "12");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "Welcome");
    EXPECT_EQ(list->topLevelItem(2)->text(0), QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(list->topLevelItem(3)->text(0), "Short");
    EXPECT_EQ(list->topLevelItem(3)->text(1), "");
    EXPECT_TRUE(list->selectedItems().isEmpty());

    for (const char* name : {"bsSkinPanel1", "bsSkinSplitter1", "prfEditorNews", "bsSkinPanel3",
                             "btnExit", "bsSkinScrollBar1", "bsSkinScrollBar2"}) {
        EXPECT_NE(w->findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_EQ(PlainCaption(w->btnExit->text()), "Close");
    // A screen reader names the list, the message text and the button.
    EXPECT_EQ(w->lvwItems->accessibleName(), "News messages");
    EXPECT_EQ(w->prfEditorNews->accessibleName(), "News message");
    for (QWidget* part :
         {static_cast<QWidget*>(w->lvwItems), static_cast<QWidget*>(w->prfEditorNews),
          static_cast<QWidget*>(w->btnExit)}) {
        EXPECT_FALSE(part->accessibleDescription().isEmpty()) << part->objectName().toStdString();
    }
    EXPECT_EQ(w->btnExit->geometry(), QRect(304, 7, 97, 20));
    EXPECT_EQ(w->bsSkinPanel3->height(), 41);
    EXPECT_TRUE(w->prfEditorNews->isReadOnly());
    EXPECT_TRUE(w->prfEditorNews->toPlainText().isEmpty());
    EXPECT_TRUE(AskedIds().empty());
}

TEST_F(NewsWindowTest, SelectingAMessageFetchesItsBodyAndStoresItsId) {
    Reply("12", "$3Cb$3EHello$3C/b$3E\xAFOK");
    Reply("11", "Older $3Ca href=$22http://x.example/a$22$3Elink$3C/a$3E\xAFOK");
    auto w = Open({"12^Spring offer^1 March", "11^Welcome^1 February"});

    w->lvwItems->setCurrentItem(w->lvwItems->topLevelItem(0));
    EXPECT_EQ(w->prfEditorNews->toPlainText(), "Hello");
    EXPECT_TRUE(w->prfEditorNews->toHtml().contains("font-weight"));
    EXPECT_EQ(stored_, (std::vector<std::string>{"12"}));

    w->lvwItems->setCurrentItem(w->lvwItems->topLevelItem(1));
    EXPECT_EQ(w->prfEditorNews->toPlainText(), "Older link");
    EXPECT_EQ(stored_, (std::vector<std::string>{"12", "11"}));  // the older id is stored
    EXPECT_EQ(AskedIds(), (std::vector<std::string>{"12", "11"}));
    EXPECT_FALSE(w->LoadingNews);
    EXPECT_TRUE(messages_.shown.empty());

    // A link opens through the desktop, not in the view.
    emit w->prfEditorNews->anchorClicked(QUrl("http://x.example/a"));
    EXPECT_EQ(shell_.opened, QStringList{"http://x.example/a"});
    EXPECT_EQ(w->prfEditorNews->toPlainText(), "Older link");

    // No item selected: no request.
    w->lvwItems->clearSelection();
    EXPECT_EQ(AskedIds().size(), 2u);
}

TEST_F(NewsWindowTest, AFailedFetchWarnsAndKeepsThePreviousBody) {
    Reply("12", "Hello\xAFOK");
    Reply("11", " INVALIDNEWS\r\n");
    Reply("10", "bad $zz escape\xAFOK");
    QWidget main;
    main.setWindowTitle(QStringLiteral("Shop v2.0"));
    auto w = Open({"12^A^d", "11^B^d", "10^C^d"}, &main);
    w->lvwItems->setCurrentItem(w->lvwItems->topLevelItem(0));
    w->lvwItems->setCurrentItem(w->lvwItems->topLevelItem(1));
    ASSERT_EQ(messages_.shown.size(), 1u);
    // The warning is the main window's, with the application's caption.
    EXPECT_EQ(messages_.shown[0].caption, QStringLiteral("Shop v2.0"));
    EXPECT_EQ(messages_.shown[0].kind, MsgKind::Warning);
    EXPECT_EQ(messages_.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(messages_.shown[0].text, kMsgNewsItemTrouble);
    EXPECT_EQ(w->prfEditorNews->toPlainText(), "Hello");
    EXPECT_EQ(stored_, (std::vector<std::string>{"12"}));

    // A body whose escapes do not decode shows empty; the id is still stored.
    w->lvwItems->setCurrentItem(w->lvwItems->topLevelItem(2));
    EXPECT_EQ(w->prfEditorNews->toPlainText(), "");
    EXPECT_EQ(stored_, (std::vector<std::string>{"12", "10"}));
}

TEST_F(NewsWindowTest, SelectionCannotMoveWhileABodyIsLoading) {
    auto w = Open({"99^Slow^d", "11^Other^d"});
    QTreeWidget* list = w->lvwItems;
    int calls = 0;
    bool wasLoading = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    pump_ = [&] {
        if (++calls != 5)
            return;
        wasLoading = w->LoadingNews;
        cursor = w->cursor().shape();
        list->setCurrentItem(list->topLevelItem(1));
        // A click on the other row as the user would make it.
        const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, list->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, list->viewport()->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &press);
        QApplication::sendEvent(list->viewport(), &release);
        EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(0)});
        http_.AbortAll();
    };
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_TRUE(wasLoading);
    EXPECT_EQ(cursor, Qt::WaitCursor);
    EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(0)});
    EXPECT_EQ(AskedIds(), (std::vector<std::string>{"99"}));
    // The aborted request is a failed one.
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kMsgNewsSiteTrouble);
    EXPECT_TRUE(stored_.empty());
    EXPECT_FALSE(w->LoadingNews);
    EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(list->viewport()->cursor().shape(), Qt::ArrowCursor);

    // Once loaded, the selection moves again.
    pump_ = nullptr;
    Reply("11", "Other body\xAFOK");
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(list->selectedItems(), QList<QTreeWidgetItem*>{list->topLevelItem(1)});
    EXPECT_EQ(stored_, (std::vector<std::string>{"11"}));
}

TEST_F(NewsWindowTest, ClosingWhileLoadingEndsTheRequestFirst) {
    auto w = Open({"99^Slow^d"});
    int calls = 0;
    bool stillOpen = false;
    pump_ = [&] {
        if (++calls != 3)
            return;
        w->btnExit->click();
        stillOpen = w->isVisible();
    };
    w->lvwItems->setCurrentItem(w->lvwItems->topLevelItem(0));
    EXPECT_TRUE(stillOpen);  // closed only once the request has ended
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(stored_.empty());
    EXPECT_LT(calls, 100);
}

}  // namespace
}  // namespace varnolt
