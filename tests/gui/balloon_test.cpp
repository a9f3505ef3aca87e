#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "news/NewsMessages.h"
#include "news/ui/Balloon.h"

namespace varnolt {
namespace {

QString Label(const Balloon& b, const char* name) {
    const QLabel* l = b.findChild<QLabel*>(name);
    return l == nullptr ? QString("<missing>") : l->text();
}

TEST(Balloon, ShowsHeadingAndTitleBelowLeftOfTheAnchor) {
    Balloon b;
    const QString text = QString(kNewsHintHeading) + "Spring offer";
    b.ShowAt(QPoint(500, 300), text);
    QCoreApplication::processEvents();
    ASSERT_TRUE(b.isShown());
    EXPECT_EQ(b.text(), text);
    EXPECT_EQ(b.anchor(), QPoint(500, 300));
    EXPECT_EQ(Label(b, "lblHeading"), "You've Got A Message!");
    EXPECT_EQ(Label(b, "lblTitle"), "Spring offer");
    // The tail's tip touches the anchor; the balloon lies below it, mostly left.
    EXPECT_EQ(b.pos() + b.tipOffset(), QPoint(500, 300));
    EXPECT_EQ(b.geometry().top(), 300);
    EXPECT_LT(b.geometry().left(), 500 - b.width() / 2);
    EXPECT_TRUE(b.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(Balloon, ClosesOnClickKeyOrDeactivationAndShowsOneAtATime) {
    Balloon b;
    b.ShowAt(QPoint(400, 200), "You've Got A Message!\r\nFirst");
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&b, &key);
    EXPECT_FALSE(b.isShown());

    b.ShowAt(QPoint(400, 200), "You've Got A Message!\r\nSecond");
    b.ShowAt(QPoint(450, 250), "You've Got A Message!\r\nThird");
    EXPECT_TRUE(b.isShown());
    EXPECT_EQ(Label(b, "lblTitle"), "Third");
    EXPECT_EQ(b.anchor(), QPoint(450, 250));
    EXPECT_EQ(b.pos() + b.tipOffset(), QPoint(450, 250));

    const QPointF inside(b.width() / 2, b.height() / 2);
    QMouseEvent click(QEvent::MouseButtonPress, inside, b.mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &click);
    EXPECT_FALSE(b.isShown());

    b.ShowAt(QPoint(400, 200), "You've Got A Message!\r\nFourth");
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&b, &deactivate);
    EXPECT_FALSE(b.isShown());
}

}  // namespace
}  // namespace varnolt
