// The window built from a program folder that holds a reseller's brand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "Scripted.h"
#include "app/ui/BannerStrip.h"
#include "app/ui/FMain.h"
#include "app/ui/Skin.h"
#include "brand/ui/FAbout.h"
#include "common/ui/Mnemonics.h"
#include "crypto/AesLib.h"

namespace varnolt::testing {
namespace {

std::string Settings(const std::string& banner, const std::string& extra = "") {
    return "<%%ApplicationName%%>Shop Tool<%%/ApplicationName%%>\r\n"
           "<%%BranderCode%%>ST-1<%%/BranderCode%%>\r\n"
           "<%%BranderType%%>Free<%%/BranderType%%>\r\n"
           "<%%AffiliateURL%%>http://aff.example/?id=%%AFFILIATEID%%<%%/AffiliateURL%%>\r\n"
           "<%%AffiliateID%%>77<%%/AffiliateID%%>\r\n"
           "<%%MasterNewsBaseURL%%>http://news.example/<%%/MasterNewsBaseURL%%>\r\n"
           "<%%MasterPublID%%>M1<%%/MasterPublID%%>\r\n"
           "<%%MakeMoneyButton%%>Earn Cash<%%/MakeMoneyButton%%>\r\n"
           "<%%AppHelpURL%%>http://help.example/a b<%%/AppHelpURL%%>\r\n"
           "<%%CopyrightYears%%>2006-2008<%%/CopyrightYears%%>\r\n"
           "<%%CopyrightCompany%%>Example Ltd<%%/CopyrightCompany%%>\r\n"
           "<%%AboutText%%>First line\r\nSecond line<%%/AboutText%%>\r\n" +
           extra + "<%%Banner1%%>" + banner + "^http://banner.example/<%%/Banner1%%>\r\n" +
           "<%%Link1%%>Blog^http://blog.example/<%%/Link1%%>\r\n";
}

void SaveImage(const QString& path, const char* format, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(QColor(40, 120, 200));
    QPainter(&image).drawText(10, 20, QStringLiteral("banner"));
    ASSERT_TRUE(image.save(path, format)) << path.toStdString();
}

class BrandWindowTest : public ::testing::Test {
protected:
    void WriteSettings(const std::string& plain) {
        std::string error;
        ASSERT_TRUE(EncryptMemoryToFile(plain, ctx.Folder() + "dbsettings.dat", &error)) << error;
    }
    void Open() {
        win = std::make_unique<TfrmMain>(ctx.Make());
        win->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win.get()));
    }
    void TearDown() override {
        win.reset();
        Skin::ApplyBuiltIn();
    }
    TestContext ctx;
    std::unique_ptr<TfrmMain> win;
};

TEST_F(BrandWindowTest, ShowsTheBrandOnTheWindow) {
    WriteSettings(Settings("promo.png"));
    SaveImage(ctx.Path("banner1.dat"), "PNG", QSize(468, 60));
    Open();
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Shop Tool v2.0"));
    EXPECT_TRUE(win->btnNews->isVisible()) << "tier Free with the Master values shows the button";
    EXPECT_EQ(PlainCaption(win->btnMakeMoney->text()), QStringLiteral("Earn Cash"));
    EXPECT_TRUE(win->panBanner->isVisible());
    EXPECT_EQ(win->panBanner->height(), 70);
    EXPECT_TRUE(win->imgBanner->isVisible());
    EXPECT_FALSE(win->gifBanner->isVisible());
    EXPECT_EQ(win->imgBanner->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(win->imgBanner->x(), win->panBanner->width() / 2 - 234);
    EXPECT_TRUE(win->panLinks->isVisible());
    EXPECT_EQ(win->lblLink1URL->text(), QStringLiteral("Blog"));
    EXPECT_EQ(win->lblLink1URL->Target(), QStringLiteral("http://blog.example/"));
    EXPECT_TRUE(win->lblLink2URL->text().isEmpty()) << "a single link leaves the right label blank";
    EXPECT_TRUE(QFile::exists(ctx.Path("banner1.dat"))) << "nothing is renamed";
    EXPECT_FALSE(QFile::exists(ctx.Path("promo.png")));
    EXPECT_FALSE(QFile::exists(ctx.Path("dbsettings.sim")));
}

TEST_F(BrandWindowTest, ClicksOpenTheBrandsPages) {
    WriteSettings(Settings("promo.png"));
    SaveImage(ctx.Path("banner1.dat"), "PNG", QSize(100, 30));
    ctx.registry->command = "\"C:\\Web\\Browser.EXE\" \"%1\"";
    Open();
    QTest::mouseClick(win->btnMakeMoney, Qt::LeftButton);
    QTest::mouseClick(win->imgBanner, Qt::LeftButton);
    QTest::mouseClick(win->btnHelp, Qt::LeftButton);
    ASSERT_EQ(ctx.shell->started.size(), 3u);
    EXPECT_EQ(ctx.shell->started[0].first, QStringLiteral("c:\\web\\browser.exe"));
    EXPECT_EQ(ctx.shell->started[0].second,
              QStringList{QStringLiteral("http://aff.example/?id=77")});
    EXPECT_EQ(ctx.shell->started[1].second, QStringList{QStringLiteral("http://banner.example/")});
    EXPECT_EQ(ctx.shell->started[2].second,
              (QStringList{QStringLiteral("http://help.example/a"), QStringLiteral("b")}));
    // Footer links go straight to the desktop, not through the browser lookup.
    QTest::mouseClick(win->lblLink1URL, Qt::LeftButton);
    EXPECT_EQ(ctx.shell->opened, QStringList{QStringLiteral("http://blog.example/")});

    // With no browser registered nothing starts, and no message is shown.
    ctx.registry->command.clear();
    EXPECT_FALSE(win->OpenUrlInBrowser("http://x.example/"));
    EXPECT_EQ(ctx.shell->started.size(), 3u);
    EXPECT_TRUE(ctx.messages->shown.empty());
}

TEST_F(BrandWindowTest, AnimatedBannerAndWelcomePage) {
    WriteSettings(
        Settings("images\\promo.GIF",
                 "<%%Welcome1%%><html><body><p>Hi <a href=\"http://w.example/\">there</a></p>"
                 "</body></html><%%/Welcome1%%>\r\n"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VARNOLT_SOURCE_DIR "/examples/brand/harvest.gif"),
                            ctx.Path("banner1.dat")));
    Open();
    // The main page is not on screen yet: look at what each control is set to.
    EXPECT_FALSE(win->gifBanner->isHidden());
    EXPECT_TRUE(win->imgBanner->isHidden());
    EXPECT_EQ(win->panBanner->height(), win->gifBanner->height() + 10);
    EXPECT_EQ(win->pgcPrinc->currentWidget(), win->stsWelcome);
    EXPECT_FALSE(win->Timer1->isActive()) << "the news timer waits for the welcome page";
    EXPECT_TRUE(win->prfWelcome->toPlainText().contains(QStringLiteral("Hi there")));
    win->prfWelcome->anchorClicked(QUrl(QStringLiteral("http://w.example/")));
    EXPECT_EQ(ctx.shell->opened, QStringList{QStringLiteral("http://w.example/")});
    QTest::mouseClick(win->bsSkinButton1, Qt::LeftButton);
    EXPECT_EQ(win->pgcPrinc->currentWidget(), win->stsMain);
    EXPECT_TRUE(win->Timer1->isActive());
}

TEST_F(BrandWindowTest, DamagedOrUnknownBannerHidesTheStripOnly) {
    WriteSettings(Settings("promo.jpg"));
    QFile f(ctx.Path("banner1.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
    f.close();
    Open();
    EXPECT_FALSE(win->panBanner->isVisible());
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Shop Tool v2.0")) << "the other steps still run";
    EXPECT_TRUE(win->panLinks->isVisible());
}

TEST_F(BrandWindowTest, SkinAndIconFilesApply) {
    WriteSettings(Settings("promo.png"));
    const QByteArray sheet = "QPushButton#btnAbout { color: rgb(1, 2, 3); }";
    QFile skin(ctx.Path("mainskin.dat"));
    ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
    skin.write(qCompress(sheet));
    skin.close();
    SaveImage(ctx.Path("main.ico"), "ICO", QSize(32, 32));
    Open();
    EXPECT_EQ(qApp->styleSheet(), QString::fromLatin1(sheet));
    EXPECT_EQ(win->btnAbout->palette().color(QPalette::ButtonText), QColor(1, 2, 3));
    EXPECT_FALSE(win->windowIcon().isNull());
    EXPECT_FALSE(win->panBanner->isVisible()) << "banner1.dat is missing";
}

TEST_F(BrandWindowTest, AboutBoxShowsTheBrand) {
    WriteSettings(Settings("promo.png"));
    Open();
    QString caption, product, version, copyright, about;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        product = box->lblProductName->text();
        version = box->lblProductVersion->text();
        copyright = box->lblCopyright1->text();
        about = box->memAbout->toPlainText();
        QTest::mouseClick(box->editAbout, Qt::LeftButton);
    });
    QTest::mouseClick(win->btnAbout, Qt::LeftButton);
    EXPECT_EQ(caption, QStringLiteral("About Shop Tool..."));
    EXPECT_EQ(product, QStringLiteral("Shop Tool"));
    EXPECT_EQ(version, QStringLiteral("Product Version: 2.0"));
    EXPECT_EQ(copyright, QStringLiteral("Copyright (c) 2006-2008 Example Ltd"));
    EXPECT_EQ(about, QStringLiteral("First line\nSecond line"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the box is gone after Ok";
}

TEST_F(BrandWindowTest, ReadOnlyProgramFolderStartsWithItsBrand) {
    WriteSettings(Settings("promo.png"));
    SaveImage(ctx.Path("banner1.dat"), "PNG", QSize(200, 40));
    QFile::setPermissions(ctx.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Open();
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Shop Tool v2.0"));
    EXPECT_EQ(win->panBanner->height(), 50);
    EXPECT_EQ(QDir(ctx.dir.path()).entryList(QDir::Files).size(), 2)
        << "nothing written beside the program";
    QFile::setPermissions(ctx.dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A GIF of two 1x1 frames of 10 ms and no loop block, which by itself plays once.
TEST(BannerStrip, AnAnimatedBannerPlaysInALoop) {
    const char frame[] =
        "\x21\xF9\x04\x00\x01\x00\x00\x00"          // 10 ms
        "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00"  // 1x1
        "\x02\x02\x44\x01\x00";                     // one pixel
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    gif.append("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif.append(frame, sizeof frame - 1).append(frame, sizeof frame - 1).append('\x3B');
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("banner1.dat"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(gif);
    file.close();

    BannerStrip strip;
    ASSERT_TRUE(strip.ShowPicture(path, "gif"));
    QMovie* movie = strip.gifBanner->movie();
    ASSERT_NE(movie, nullptr);
    int starts = 0;
    QObject::connect(movie, &QMovie::started, [&] { ++starts; });
    QTest::qWait(400);  // twenty frames' time: several rounds of two frames
    EXPECT_GE(starts, 2);
    EXPECT_EQ(movie->state(), QMovie::Running);
}

}  // namespace
}  // namespace varnolt::testing
