#include "shell/numbertext.h"

#include <cmath>
#include <string>

#include "numeric/numbertext.h"

namespace shell {

std::optional<double> ParseDouble(const QString& text) {
    double v = 0.0;
    if (!numeric::ParseNumber(text.trimmed().toStdString(), v) || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> ParseWhole(const QString& text) {
    int v = 0;
    if (!numeric::ParseWholeNumber(text.trimmed().toStdString(), v)) return std::nullopt;
    return v;
}

QString NumberText(double x) {
    if (x == 0.0) return QStringLiteral("0");  // no "-0"
    return QString::fromStdString(numeric::FormatGeneral(x, 15));
}

QString ReadoutText(double x) {
    if (x == 0.0) return QStringLiteral("0");
    return QString::fromStdString(numeric::FormatGeneral(x, 6));
}

std::optional<double> BoxValue(const QString& text, double shown) {
    if (std::isfinite(shown) && text == NumberText(shown)) return shown;
    return ParseDouble(text);
}

}  // namespace shell
