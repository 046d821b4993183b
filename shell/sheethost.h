#pragma once
// What the node and element sheets need of the window that opens them: placing
// the sheet, redrawing the structure after a change, and the on-screen keypad.
#include <functional>

class QLineEdit;
class QWidget;

namespace shell {

struct SheetHost {
    std::function<void(QWidget* sheet)> place;   // position the sheet before it opens
    std::function<void()> redraw;                // draw the structure after a model change
    std::function<void(QLineEdit* box)> keypad;  // edit a box with the on-screen keypad
};

}  // namespace shell
