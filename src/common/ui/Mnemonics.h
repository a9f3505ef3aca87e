#pragma once
// Keyboard mnemonics (Alt+letter) for the buttons, check boxes and labelled
// controls of one window page. The visible captions stay as they are; only
// the '&' marker goes in, on a letter that no other control of the same
// group uses, so no two controls on screen answer the same Alt+letter.
#include <QList>
#include <QString>

class QWidget;

namespace varnolt {

// `caption` as it shows on screen: the '&' markers taken out, "&&" read as '&'.
QString PlainCaption(const QString& caption);

// Gives every control in `group` (buttons, check boxes, and labels with a
// buddy) a mnemonic no other control of the group has, preferring the first
// letters of words and then the order of `group`. A control whose caption
// has no letter left keeps none. Run it again after a caption changes (a
// brand's): the markers are worked out afresh from the plain captions.
// Letters in `taken` (lower case) belong to controls shown beside the group
// and are left to them. Returns `taken` with the group's letters added.
QString AssignMnemonics(const QList<QWidget*>& group, const QString& taken = QString());

}  // namespace varnolt
