#include "app/ui/ScreenFit.h"

#include <algorithm>

namespace varnolt {

QRect FitWindowRect(QSize design, QMargins frame, QRect available) {
    const int frameW = frame.left() + frame.right();
    const int frameH = frame.top() + frame.bottom();
    const int w = std::max(1, std::min(design.width(), available.width() - frameW));
    const int h = std::max(1, std::min(design.height(), available.height() - frameH));
    // Centred by halving the free space (QRect::center rounds towards zero,
    // which shifts a window on a screen left of the origin).
    QRect outer(available.left() + (available.width() - w - frameW) / 2,
                available.top() + (available.height() - h - frameH) / 2, w + frameW, h + frameH);
    // An area too small even for the frame keeps the title bar on it.
    outer.moveLeft(std::max(outer.left(), available.left()));
    outer.moveTop(std::max(outer.top(), available.top()));
    return QRect(outer.left() + frame.left(), outer.top() + frame.top(), w, h);
}

}  // namespace varnolt
