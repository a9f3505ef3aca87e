#pragma once
// What assistive technology learns of a keyword pane's editor: its text, the
// caret and the selection, in UTF-16 offsets over the whole text.
class QAccessibleInterface;
class QObject;
class QString;

namespace varnolt {

// The accessibility factory of the pane's editor (installed once by the editor).
QAccessibleInterface* PaneAccessibleFactory(const QString& className, QObject* object);

}  // namespace varnolt
