#include "shell/sheethost.h"

#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>

namespace shell {

void ConnectSheetButtons(QDialog* sheet, int& result, QPushButton* confirm, QPushButton* remove,
                         QPushButton* cancel) {
    const std::pair<QPushButton*, int> buttons[] = {{confirm, 1}, {remove, 2}, {cancel, -1}};
    for (const auto& [button, code] : buttons) {
        QObject::connect(button, &QPushButton::clicked, sheet, [sheet, &result, code = code] {
            result = code;
            sheet->hide();
        });
    }
}

bool OpenKeypadOnDoubleClick(const SheetHost& host, QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonDblClick || !host.keypad) return false;
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box || box->isReadOnly()) return false;
    host.keypad(box);
    return true;
}

}  // namespace shell
