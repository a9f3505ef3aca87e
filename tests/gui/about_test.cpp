// The About box: its texts, layout and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <string>

#include "brand/ui/FAbout.h"
#include "support/Process.h"

namespace varnolt {
namespace {

QStringList LinesOf(const QPlainTextEdit* edit) {
    QStringList lines;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

TEST(TfrmAbout, WithoutSettingsShowsVersionAndBlanks) {
    BrandSettings none;
    TfrmAbout box(none);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About ..."));
    ASSERT_EQ(box.findChild<QLabel*>("lblProductName"), box.lblProductName);
    ASSERT_EQ(box.findChild<QLabel*>("lblProductVersion"), box.lblProductVersion);
    ASSERT_EQ(box.findChild<QLabel*>("lblCopyright1"), box.lblCopyright1);
    ASSERT_EQ(box.findChild<QPlainTextEdit*>("memAbout"), box.memAbout);
    ASSERT_EQ(box.findChild<QPushButton*>("editAbout"), box.editAbout);
    EXPECT_EQ(box.lblProductName->text(), QString());
    EXPECT_EQ(box.lblProductVersion->text(), QStringLiteral("Product Version: 2.0"));
    EXPECT_EQ(box.lblCopyright1->text(), QStringLiteral("Copyright (c)  "));
    EXPECT_EQ(box.memAbout->toPlainText(), QString());
}

TEST(TfrmAbout, LayoutIsFixed) {
    BrandSettings none;
    TfrmAbout box(none);
    EXPECT_EQ(box.size(), QSize(368, 211));
    EXPECT_EQ(box.minimumSize(), QSize(368, 211));
    EXPECT_EQ(box.maximumSize(), QSize(368, 211));
    EXPECT_EQ(box.memAbout->size(), QSize(348, 71));
    EXPECT_TRUE(box.memAbout->isReadOnly());
    EXPECT_EQ(box.memAbout->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box.memAbout->font().family(), QStringLiteral("Arial"));
    EXPECT_TRUE(box.lblProductName->font().bold());
    EXPECT_FALSE(box.lblProductVersion->font().bold());
    EXPECT_EQ(box.editAbout->text(), QStringLiteral("Ok"));
    const QRect ok = box.editAbout->geometry();
    EXPECT_LE(std::abs(ok.center().x() - 368 / 2), 1);
    EXPECT_GT(ok.top(), box.memAbout->geometry().bottom());
    EXPECT_LE(ok.bottom(), 211);
    // Top to bottom: name, version, copyright, text.
    EXPECT_LT(box.lblProductName->y(), box.lblProductVersion->y());
    EXPECT_LT(box.lblProductVersion->y(), box.lblCopyright1->y());
    EXPECT_LT(box.lblCopyright1->geometry().bottom(), box.memAbout->y());
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
}

TEST(TfrmAbout, ShowsTheBrandTexts) {
    BrandSettings s;
    s.ApplicationName = "Caf\xe9 <b>Tool</b>";  // Windows-1252, and no markup
    s.CopyrightYears = "2006-2008";
    s.CopyrightCompany = "Example Ltd";
    s.AboutText = "one\r\ntwo\rthree\nfour \xe2\x82\xac\r\n";
    TfrmAbout box(s);
    const QString name = QString::fromUtf8("Caf\xc3\xa9 <b>Tool</b>");
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About ") + name + QStringLiteral("..."));
    EXPECT_EQ(box.lblProductName->text(), name);
    EXPECT_EQ(box.lblProductName->textFormat(), Qt::PlainText);
    EXPECT_EQ(box.lblCopyright1->text(), QStringLiteral("Copyright (c) 2006-2008 Example Ltd"));
    EXPECT_EQ(LinesOf(box.memAbout),
              (QStringList{"one", "two", "three", QString::fromUtf8("four \xe2\x82\xac")}));
}

TEST(TfrmAbout, LongTextScrollsInsideTheBox) {
    BrandSettings s;
    for (int i = 0; i < 40; ++i)
        s.AboutText += "line " + std::to_string(i) + "\r\n";
    TfrmAbout box(s);
    box.show();
    QApplication::processEvents();
    EXPECT_EQ(box.memAbout->size(), QSize(348, 71));
    EXPECT_GT(box.memAbout->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(LinesOf(box.memAbout).size(), 40);
    box.close();
}

TEST(TfrmAbout, OkEndsTheModalLoop) {
    BrandSettings s;
    s.ApplicationName = "Shop Tool";
    TfrmAbout box(s);
    bool clicked = false;
    QTimer::singleShot(0, &box, [&] {
        clicked = true;
        box.editAbout->click();
    });
    // Should Ok fail to close the box, this ends the loop with another result.
    QTimer::singleShot(5000, &box, [&] { box.done(42); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(box.isVisible());
}

// The skin file made by varnolt-brand pack-skin is what Qt's qUncompress reads.
TEST(BrandSkin, PackedStyleSheetUnpacksInQt) {
    QTemporaryDir dir;
    const QString qss = QStringLiteral(VARNOLT_SOURCE_DIR "/examples/brand/skin.qss");
    const QString skin = dir.filePath(QStringLiteral("mainskin.dat"));
    const test::ProcessResult packing =
        test::RunProcess(VARNOLT_BRAND_EXE, {"pack-skin", qss.toStdString(), skin.toStdString()});
    ASSERT_EQ(packing.status, 0) << packing.err;
    QFile packed(skin), sheet(qss);
    ASSERT_TRUE(packed.open(QIODevice::ReadOnly));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QByteArray expected = sheet.readAll();
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(qUncompress(packed.readAll()), expected);

    // Qt takes the example skin without complaint and draws the About box with it.
    static QStringList complaints;
    complaints.clear();
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { complaints << text; });
    const QString saved = qApp->styleSheet();
    qApp->setStyleSheet(QString::fromUtf8(expected));
    {
        BrandSettings s;
        s.AboutText = "text";
        TfrmAbout box(s);
        box.show();
        QApplication::processEvents();
        EXPECT_FALSE(box.grab().isNull());
        box.close();
    }
    qApp->setStyleSheet(saved);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(complaints.filter(QStringLiteral("style")).isEmpty())
        << complaints.join('\n').toStdString();
}

}  // namespace
}  // namespace varnolt
