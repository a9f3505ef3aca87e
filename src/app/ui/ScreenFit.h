// Where the main window first opens: the design size on a screen with room
// for it, else shrunk to the screen, and never outside the screen's area.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace varnolt {

// The client rectangle of a window of `design` size with the frame `frame`
// (title bar and borders) on `available`, the screen's area free of panels,
// all in device-independent pixels (so any scale factor): the frame fits in
// the area and is centred in it; a side too long for the area is shortened.
QRect FitWindowRect(QSize design, QMargins frame, QRect available);

}  // namespace varnolt
