// The About box: its texts, layout and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <initializer_list>
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
    // A fixed box whose client area below the caption is the design size.
    EXPECT_EQ(box.panClient->size(), QSize(368, 211));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    EXPECT_EQ(box.size(), box.minimumSize());
    EXPECT_TRUE(box.rect().contains(box.panClient->geometry()));
    for (QWidget* control :
         std::initializer_list<QWidget*>{box.lblProductName, box.lblProductVersion,
                                         box.lblCopyright1, box.memAbout, box.editAbout})
        EXPECT_EQ(control->parentWidget(), box.panClient) << control->objectName().toStdString();
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
}

// The caption is the box's own: the window system draws no frame, so no
// caption buttons and no caption icon, whatever the window manager; the strip
// along the top shows the title only and moves the box.
TEST(TfrmAbout, DrawsItsOwnCaptionWithTheTitleOnly) {
    BrandSettings s;
    s.ApplicationName = "Shop Tool";
    TfrmAbout box(s);
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    for (Qt::WindowType hint : {Qt::WindowTitleHint, Qt::WindowSystemMenuHint,
                                Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                                Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        EXPECT_FALSE(flags & hint) << std::hex << hint;

    ASSERT_EQ(box.findChild<QFrame*>("panCaption"), box.panCaption);
    ASSERT_EQ(box.findChild<QLabel*>("lblCaption"), box.lblCaption);
    EXPECT_EQ(box.lblCaption->parentWidget(), box.panCaption);
    EXPECT_EQ(box.lblCaption->text(), QStringLiteral("About Shop Tool..."));
    EXPECT_EQ(box.lblCaption->textFormat(), Qt::PlainText);
    EXPECT_TRUE(box.lblCaption->font().bold());
    // Only the title: nothing else lives in the strip.
    EXPECT_EQ(box.panCaption->findChildren<QWidget*>(), QList<QWidget*>{box.lblCaption});
    EXPECT_EQ(box.panCaption->y(), 1);
    EXPECT_EQ(box.panCaption->width(), box.panClient->width());
    EXPECT_LT(box.panCaption->geometry().bottom(), box.panClient->y());
    EXPECT_GE(box.panCaption->height(), box.lblCaption->fontMetrics().height());

    // The caption follows the title, shortened to the strip when too long.
    box.setWindowTitle(QStringLiteral("About Other..."));
    EXPECT_EQ(box.lblCaption->text(), QStringLiteral("About Other..."));
    box.setWindowTitle(QStringLiteral("About ") + QString(300, u'W') + QStringLiteral("..."));
    EXPECT_TRUE(box.lblCaption->text().endsWith(QChar(0x2026)));
    EXPECT_LE(box.lblCaption->fontMetrics().horizontalAdvance(box.lblCaption->text()),
              box.lblCaption->width());

    // Dragging the strip moves the box (here, where the window system moves
    // nothing, the box follows the mouse itself); a drag elsewhere does not.
    box.show();
    QApplication::processEvents();
    const QPoint start = box.pos();
    auto drag = [](QWidget* on, QPoint by) {
        const QPoint at(20, 5);
        QTest::mousePress(on, Qt::LeftButton, {}, at);
        QTest::mouseMove(on, at + by);
        QTest::mouseRelease(on, Qt::LeftButton, {}, at + by);
        QApplication::processEvents();
    };
    drag(box.panCaption, QPoint(-40, 30));
    EXPECT_EQ(box.pos(), start + QPoint(-40, 30));
    drag(box.panClient, QPoint(50, 50));
    EXPECT_EQ(box.pos(), start + QPoint(-40, 30));
    box.close();
}

// The keyboard closes the box as the button does: Enter and Return press "Ok"
// (it has the focus at start), Esc cancels; other keys leave it open.
TEST(TfrmAbout, KeyboardClosesTheBox) {
    const struct {
        Qt::Key key;
        int result;
    } cases[] = {{Qt::Key_Return, QDialog::Accepted},
                 {Qt::Key_Enter, QDialog::Accepted},
                 {Qt::Key_Escape, QDialog::Rejected},
                 {Qt::Key_A, 42}};
    for (const auto& c : cases) {
        BrandSettings s;
        TfrmAbout box(s);
        QTimer::singleShot(0, &box, [&] {
            box.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
            EXPECT_TRUE(box.editAbout->hasFocus());
            QTest::keyClick(QApplication::focusWidget(), c.key);
        });
        QTimer::singleShot(500, &box, [&] { box.done(42); });
        EXPECT_EQ(box.exec(), c.result) << c.key;
    }
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
