#pragma once
// What the node and element sheets need of the window that opens them: placing
// the sheet, redrawing the structure after a change, and the on-screen keypad;
// and the behaviour both sheets share.
#include <functional>
#include <string>

class QDialog;
class QEvent;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;

namespace shell {

struct SheetHost {
    std::function<void(QWidget* sheet)> place;   // position the sheet before it opens
    std::function<void()> redraw;                // draw the structure after a model change
    std::function<void(QLineEdit* box)> keypad;  // edit a box with the on-screen keypad
    // Open the dialog of the named materials or sections on entry `name`; they return
    // what that entry is called when the dialog closes ("" when it no longer exists).
    std::function<std::string(const std::string& name)> editMaterials;
    std::function<std::string(const std::string& name)> editSections;
    // The same for the named load histories.
    std::function<std::string(const std::string& name)> editHistories;
};

// The confirm, delete and cancel buttons set `result` to 1, 2 and -1 and hide the sheet;
// Enter presses the confirm button.
void ConnectSheetButtons(QDialog* sheet, int& result, QPushButton* confirm, QPushButton* remove,
                         QPushButton* cancel);

// A double click on one of the sheet's text boxes opens the keypad on it (not on a box
// that only shows a value); returns true when the event was taken.
bool OpenKeypadOnDoubleClick(const SheetHost& host, QObject* watched, QEvent* event);

}  // namespace shell
