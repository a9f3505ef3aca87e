#include "common/ui/UiScale.h"

#include <QLabel>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace varnolt::ui_scale {

namespace {

double g_fontScale = 1.0;
// Set on a parent whose children are in screen pixels, with the scale used.
const char* const kScreenScale = "varnoltScreenScale";

int Scaled(int v, double s) {
    return static_cast<int>(std::lround(v * s));
}

template <typename F>
void ForPlacedChildren(QWidget* parent, F f) {
    for (QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow() && !w->property(kPlacesItself).toBool()) {
            f(w);
        }
    }
}

}  // namespace

void SetDesktopPointSize(double pointSize) {
    // A font given in pixels has no point size; it leaves the design as it is.
    g_fontScale = pointSize > 0 ? std::clamp(pointSize / kReferencePointSize, 0.5, 4.0) : 1.0;
}

double FontScale() {
    return g_fontScale;
}

double LayoutScale() {
    return std::max(1.0, g_fontScale);
}

double PointSize() {
    return kDesignPointSize * g_fontScale;
}

int Px(int designPixels) {
    return static_cast<int>(std::lround(designPixels * LayoutScale()));
}

}  // namespace varnolt::ui_scale

namespace varnolt::ui_scale {

int DesignUnits(int screenPixels) {
    return Scaled(screenPixels, 1.0 / LayoutScale());
}

void ChildrenToDesign(QWidget* parent) {
    const double s = parent->property(kScreenScale).toDouble();
    if (s <= 0) {
        return;  // already in design pixels
    }
    parent->setProperty(kScreenScale, QVariant());
    ForPlacedChildren(parent, [s](QWidget* w) {
        const QRect r = w->geometry();
        w->setGeometry(Scaled(r.x(), 1 / s), Scaled(r.y(), 1 / s), Scaled(r.width(), 1 / s),
                       Scaled(r.height(), 1 / s));
    });
}

void ChildrenToScreen(QWidget* parent) {
    const double s = LayoutScale();
    if (s == 1.0 || parent->property(kScreenScale).toDouble() > 0) {
        return;
    }
    parent->setProperty(kScreenScale, s);
    ForPlacedChildren(parent, [s](QWidget* w) {
        const QRect r = w->geometry();
        if (qobject_cast<QLabel*>(w)) {
            w->adjustSize();
            w->move(Scaled(r.x(), s), Scaled(r.y(), s));
            return;
        }
        w->setGeometry(Scaled(r.x(), s), Scaled(r.y(), s), Scaled(r.width(), s),
                       Scaled(r.height(), s));
    });
}

}  // namespace varnolt::ui_scale
