#include "app/ui/TopBar.h"

#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QToolButton>

#include "common/ui/UiScale.h"

namespace varnolt {

namespace {

// The bar's design width and height; the right-hand buttons keep their
// distance to its right edge.
constexpr int kDesignWidth = 796;
constexpr int kHeight = 43;
constexpr int kNewsLeft = 657;
constexpr int kUpdateLeft = 700;
constexpr int kHelpLeft = 743;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, 6, 125, 20);
    b->setAutoDefault(false);
    return b;
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& hint,
                            QStyle::StandardPixmap icon, int x) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setIconSize(QSize(ui_scale::Px(24), ui_scale::Px(24)));
    b->setAutoRaise(true);
    b->setGeometry(x, 1, 41, 34);
    return b;
}

}  // namespace

TopBar::TopBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("bsSkinPanel1"));
    setFrameShape(QFrame::NoFrame);
    setFixedHeight(ui_scale::Px(kHeight));
    btnMakeMoney = MakeButton(this, "btnMakeMoney", QStringLiteral("Make Money"), 8);
    btnAbout = MakeButton(this, "btnAbout", QStringLiteral("About"), 140);
    btnNews = MakeToolButton(this, "btnNews", QStringLiteral("Check News"),
                             QStyle::SP_MessageBoxInformation, kNewsLeft);
    btnUpdate = MakeToolButton(this, "btnUpdate", QStringLiteral("Check Updates"),
                               QStyle::SP_BrowserReload, kUpdateLeft);
    btnHelp = MakeToolButton(this, "btnHelp", QStringLiteral("Help"), QStyle::SP_DialogHelpButton,
                             kHelpLeft);
}

void TopBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    ui_scale::ChildrenToDesign(this);
    Layout();
    ui_scale::ChildrenToScreen(this);
}

void TopBar::Layout() {
    const int w = ui_scale::DesignUnits(width());
    btnNews->move(w - (kDesignWidth - kNewsLeft), 1);
    btnUpdate->move(w - (kDesignWidth - kUpdateLeft), 1);
    btnHelp->move(w - (kDesignWidth - kHelpLeft), 1);
}

}  // namespace varnolt
