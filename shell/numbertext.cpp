#include "shell/numbertext.h"

#include <cmath>

#include "model/datafile.h"

namespace shell {

std::optional<double> ParseDouble(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> ParseInt16(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < -32768 || v > 32767) return std::nullopt;
    return v;
}

QString NumberText(double x) {
    return QString::fromStdString(fem::FormatFileNumber(x));
}

}  // namespace shell
