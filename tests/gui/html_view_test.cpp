// The HTML view of the welcome page and the news bodies: pictures from the
// program folder and from a local web server, the text never waiting for
// them, bad addresses and pictures left blank, style sheets, and fetching a
// few at a time until the window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "common/ui/HtmlView.h"
#include "news/LocalServer.h"

namespace varnolt::testing {
namespace {

using std::chrono::milliseconds;
using test::HttpRequest;
using test::HttpResponse;
using test::LocalServer;

QByteArray Png(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage Shown(HtmlView& view, const QString& address) {
    return view.document()->resource(QTextDocument::ImageResource, QUrl(address)).value<QImage>();
}

bool IsBlank(const QImage& image) {
    return image.size() == QSize(1, 1) && qAlpha(image.pixel(0, 0)) == 0;
}

QColor ColourOf(QTextDocument* doc, const QString& text) {
    QTextCursor c = doc->find(text);
    return c.isNull() ? QColor() : c.charFormat().foreground().color();
}

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

TEST(HtmlView, TextFirstThenPicturesFromFolderAndServerAndNothingElse) {
    QTemporaryDir folder;
    const QString dir = folder.path();
    auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(dir + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write("local.png", Png(4, 4, Qt::red));
    write("abs.png", Png(6, 6, Qt::blue));
    write("style.css", "p.c { color: #00ff00 }");
    write("huge.png", QByteArray(int(HtmlView::kMaxPictureBytes) + 1, 'x'));

    const QByteArray good = Png(3, 2, Qt::green);
    const QByteArray tall = Png(5, 300, Qt::black);
    LocalServer server([&](const HttpRequest& req) {
        HttpResponse res;
        res.headers.emplace_back("Content-Type", "image/png");
        if (req.target == "/good.png") {
            res.body = good.toStdString();
        } else if (req.target == "/slow.png") {
            std::this_thread::sleep_for(milliseconds(400));
            res.body = tall.toStdString();
        } else if (req.target == "/big.png") {
            res.body.assign(HtmlView::kMaxPictureBytes + 1, 'x');
        } else if (req.target == "/bad.png") {
            res.body = "GIF89a but not really";
        } else if (req.target == "/silent.png") {
            res.hang = true;
        } else {
            res.status = 404;
        }
        return res;
    });
    const QString web = QString::fromStdString(server.Url(""));
    const QString dataPng = "data:image/png;base64," + good.toBase64();
    const QString html =
        "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\">"
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"" +
        web +
        "/remote.css\">"
        "<style>b { color: #0000ff }</style></head><body>"
        "<p class=\"c\">Hello reseller</p><b>bold words</b>"
        "<img src=\"local.png\"><img src=\"file://" +
        dir +
        "/abs.png\">"
        "<img src=\"huge.png\"><img src=\"nowhere.png\">"
        "<img src=\"" +
        web + "/good.png\"><img src=\"" + web +
        "/slow.png\">"
        "<img src=\"" +
        web +
        "/missing.png\" width=\"10\" height=\"10\">"
        "<img src=\"" +
        web + "/big.png\"><img src=\"" + web +
        "/bad.png\">"
        "<img src=\"" +
        web +
        "/silent.png\">"
        "<img src=\"ftp://127.0.0.1:" +
        QString::number(server.port()) +
        "/ftp.png\">"
        "<img src=\"//127.0.0.1:" +
        QString::number(server.port()) +
        "/nohost.png\">"
        "<img src=\"" +
        dataPng +
        "\"><img src=\"qrc:/varnolt/varnolt.png\">"
        "<a href=\"" +
        web + "/link.html\">a link</a></body></html>";

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new HtmlView(dir, &window);
    view->SetHttpLimits({milliseconds(1000), milliseconds(800), milliseconds(3000)});
    layout->addWidget(view);
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::map<QString, bool> done;
    QObject::connect(view, &HtmlView::pictureDone,
                     [&](const QUrl& url, bool shown) { done[url.toString()] = shown; });

    QElapsedTimer t;
    t.start();
    view->setHtml(html);
    const qreal heightBefore = view->document()->size().height();
    QTest::qWait(20);
    EXPECT_LT(t.elapsed(), 300) << "the text waits for no picture";
    EXPECT_TRUE(view->document()->toPlainText().contains("Hello reseller"));
    EXPECT_EQ(done.count(web + "/slow.png"), 0u);
    EXPECT_TRUE(IsBlank(Shown(*view, web + "/slow.png")));

    ASSERT_TRUE(WaitFor([&] { return view->PendingPictures() == 0; })) << view->PendingPictures();
    EXPECT_EQ(Shown(*view, "local.png").size(), QSize(4, 4));
    EXPECT_EQ(Shown(*view, "file://" + dir + "/abs.png").size(), QSize(6, 6));
    EXPECT_EQ(Shown(*view, web + "/good.png").pixelColor(1, 1), QColor(Qt::green));
    EXPECT_EQ(Shown(*view, web + "/slow.png").size(), QSize(5, 300));
    // The document was laid out again around the tall picture.
    EXPECT_GT(view->document()->size().height(), heightBefore + 250);
    const char* blank[] = {"huge.png", "nowhere.png", "/missing.png",
                           "/big.png", "/bad.png",    "/silent.png"};
    for (const char* b : blank) {
        const QString address = b[0] == '/' ? web + b : QString(b);
        EXPECT_TRUE(IsBlank(Shown(*view, address))) << b;
        EXPECT_EQ(done.count(address), 1u) << b;
        EXPECT_FALSE(done[address]) << b;
    }
    for (const QString& ignored :
         {"ftp://127.0.0.1:" + QString::number(server.port()) + "/ftp.png", dataPng,
          "//127.0.0.1:" + QString::number(server.port()) + "/nohost.png",
          QString("qrc:/varnolt/varnolt.png")}) {
        EXPECT_TRUE(IsBlank(Shown(*view, ignored))) << ignored.left(40).toStdString();
        EXPECT_EQ(done.count(ignored), 0u) << "never fetched";
    }
    EXPECT_EQ(done.size(), 10u);
    // Style sheets from the folder and the page apply.
    EXPECT_EQ(ColourOf(view->document(), "Hello reseller"), QColor(0, 255, 0));
    EXPECT_EQ(ColourOf(view->document(), "bold words"), QColor(0, 0, 255));

    // Only the pictures were asked for, each once.
    std::multiset<std::string> asked;
    for (const HttpRequest& r : server.Requests())
        asked.insert(r.method + " " + r.target);
    EXPECT_EQ(asked,
              (std::multiset<std::string>{"GET /bad.png", "GET /big.png", "GET /good.png",
                                          "GET /missing.png", "GET /silent.png", "GET /slow.png"}));
    server.Release();
}

TEST(HtmlView, HundredsOfPicturesAFewAtATimeUntilTheWindowCloses) {
    std::atomic<int> active{0}, most{0};
    LocalServer server([&](const HttpRequest&) {
        const int now = ++active;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(milliseconds(40));
        --active;
        HttpResponse res;
        res.body = Png(2, 2, Qt::yellow).toStdString();
        return res;
    });
    QString html = "<p>many</p>";
    for (int i = 0; i < 300; ++i)
        html += QString("<img src=\"%1\">")
                    .arg(QString::fromStdString(server.Url("/p/")) + QString::number(i) + ".png");
    auto window = std::make_unique<QWidget>();
    auto* view = new HtmlView(QString(), window.get());
    int arrived = 0;
    QObject::connect(view, &HtmlView::pictureDone, [&](const QUrl&, bool ok) { arrived += ok; });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    view->setHtml(html);
    ASSERT_TRUE(WaitFor([&] { return arrived >= 20; }));
    window->close();
    const std::size_t atClose = server.Requests().size();
    QTest::qWait(300);
    const std::size_t later = server.Requests().size();
    EXPECT_LE(later, atClose + HtmlView::kMaxFetches) << "fetching went on after the close";
    EXPECT_LT(later, 100u);
    EXPECT_LE(most.load(), HtmlView::kMaxFetches);
    EXPECT_GE(most.load(), 2) << "pictures are fetched side by side";
    QElapsedTimer t;
    t.start();
    window.reset();
    EXPECT_LT(t.elapsed(), 500) << "the view's workers end at once";
}

}  // namespace
}  // namespace varnolt::testing
