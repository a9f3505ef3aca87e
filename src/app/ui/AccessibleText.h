#pragma once
// What a screen reader says about the controls of the main window, and the
// readable message boxes of the whole program.
class QWidget;

namespace varnolt {

// Gives every control under `root` an accessible name and description:
// the program's own words for the controls it knows by name, the caption
// (without its mnemonic marker) for other buttons and check boxes.
void DescribeControls(QWidget* root);

// From now on every message box of the application names itself by its
// caption, and reads its message as its description and as the name of
// its text. Idempotent.
void MakeMessageBoxesReadable();

}  // namespace varnolt
