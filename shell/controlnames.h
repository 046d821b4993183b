#pragma once
// Object names of controls: a control array member is named after the array and
// its index, e.g. TxV_2 for TxV(2).
#include <QString>

namespace shell {

inline QString Indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

}  // namespace shell
