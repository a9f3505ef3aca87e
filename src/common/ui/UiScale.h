#pragma once
// Sizes that follow the desktop's font size. The windows are designed in
// 9 pt type, the size Qt itself gives an application when the desktop names
// none; a desktop with bigger type gets the type scaled by the same ratio,
// and the fixed design sizes (in pixels) scaled with it so the captions
// still fit. Smaller type keeps the design sizes.
class QWidget;

namespace varnolt::ui_scale {

// The application font size the design's 9 pt belongs to.
constexpr double kReferencePointSize = 9.0;
// The design's type size.
constexpr double kDesignPointSize = 9.0;

// Takes the desktop's application font size (in points) as the measure.
void SetDesktopPointSize(double pointSize);
// The ratio of the desktop's font size to the reference (1 until set).
double FontScale();
// The ratio fixed design sizes grow by: FontScale(), never below 1.
double LayoutScale();
// The type size of the windows: the design's 9 pt times FontScale().
double PointSize();
// A design size in pixels at the layout scale.
int Px(int designPixels);

// A widget laid out by hand in design pixels keeps its children's places in
// design pixels while it works them out, and in screen pixels otherwise:
// ChildrenToDesign before the layout, ChildrenToScreen after it. Labels keep
// the size of their text. A child that places itself beside another (it
// carries the property kPlacesItself) is left to do so. Both do nothing at
// a layout scale of 1.
constexpr const char* kPlacesItself = "varnoltPlacesItself";
void ChildrenToDesign(QWidget* parent);
void ChildrenToScreen(QWidget* parent);
// A length on screen in design pixels.
int DesignUnits(int screenPixels);

}  // namespace varnolt::ui_scale
