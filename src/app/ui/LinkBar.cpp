#include "app/ui/LinkBar.h"

#include <QResizeEvent>

#include "app/ui/Labels.h"
#include "common/ui/UiScale.h"

namespace varnolt {

namespace {
constexpr int kHeight = 36;
constexpr int kMargin = 13;
constexpr int kTop = 9;
}  // namespace

LinkBar::LinkBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("panLinks"));
    setFixedHeight(ui_scale::Px(kHeight));
    lblLink1URL = new LinkLabel(this);
    lblLink1URL->setObjectName(QStringLiteral("lblLink1URL"));
    lblLink1URL->setText(QStringLiteral("Search advertising tips"));
    lblLink1URL->SetTarget(QStringLiteral("https://www.varnolt.example/tips/"));
    lblLink1URL->adjustSize();
    lblLink1URL->move(ui_scale::Px(kMargin), ui_scale::Px(kTop));
    lblLink2URL = new LinkLabel(this);
    lblLink2URL->setObjectName(QStringLiteral("lblLink2URL"));
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblLink2URL->setText(QStringLiteral("www.varnolt.example"));
    lblLink2URL->SetTarget(QStringLiteral("https://www.varnolt.example/"));
}

void LinkBar::Layout() {
    lblLink1URL->adjustSize();
    const int margin = ui_scale::Px(kMargin);
    const int top = ui_scale::Px(kTop);
    lblLink1URL->move(margin, top);
    lblLink2URL->adjustSize();
    lblLink2URL->move(width() - margin - lblLink2URL->width(), top);
}

void LinkBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Layout();
}

}  // namespace varnolt
