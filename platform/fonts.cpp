#include "platform/fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace platform {

QFont JapaneseUiFont() {
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic"}) {
        if (families.contains(QLatin1String(name))) {
            QFont font{QString::fromLatin1(name)};
            font.setPointSizeF(QGuiApplication::font().pointSizeF());
            return font;
        }
    }
    return QGuiApplication::font();
}

}  // namespace platform
