#pragma once
// The program's text face: one with Japanese glyphs when one is installed.
#include <QFont>

namespace platform {

// "Noto Sans CJK JP", "Noto Sans JP" or "IPAGothic", the first one installed, at the
// application font's size; the application font when none is. Needs a QGuiApplication.
QFont JapaneseUiFont();

}  // namespace platform
