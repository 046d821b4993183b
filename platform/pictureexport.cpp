#include "platform/pictureexport.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "model/safewrite.h"
#include "platform/paintersurface.h"
#include "platform/twips.h"

namespace platform {

PictureFormat PictureFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) return PictureFormat::Png;
    if (suffix == QLatin1String("svg")) return PictureFormat::Svg;
    if (suffix == QLatin1String("pdf")) return PictureFormat::Pdf;
    return PictureFormat::Unknown;
}

namespace {

// Draws on a device whose logical pixels are the picture's pixels.
void DrawOn(QPainter& painter, QSize size, const PictureDrawing& draw, bool curvesAsLines) {
    PainterSurface surface(painter, size, QGuiApplication::font());
    surface.SetCurvesAsLines(curvesAsLines);
    draw(surface);
}

bool WritePng(QIODevice& out, QSize size, const PictureDrawing& draw) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return false;
    const int dotsPerMeter = static_cast<int>(std::lround(ScreenDpi() / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawOn(painter, size, draw, false);
    }
    return image.save(&out, "PNG");
}

bool WriteSvg(QIODevice& out, QSize size, const PictureDrawing& draw, const QString& title) {
    QSvgGenerator svg;
    svg.setTitle(title);
    svg.setOutputDevice(&out);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(static_cast<int>(std::lround(ScreenDpi())));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    DrawOn(painter, size, draw, true);
    return painter.end();
}

bool WritePdf(QIODevice& out, QSize size, const PictureDrawing& draw, const QString& title) {
    // One page of exactly the picture's size at the screen's resolution.
    QPdfWriter pdf(&out);
    const double dpi = ScreenDpi();
    pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / dpi, size.height() * 72.0 / dpi),
                              QPageSize::Point, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(static_cast<int>(std::lround(dpi)));
    pdf.setCreator(QStringLiteral("ImpactFrame"));
    pdf.setTitle(title);
    QPainter painter;
    if (!painter.begin(&pdf)) return false;
    RenderPicture(painter, QRectF(0, 0, pdf.width(), pdf.height()), size, draw, true);
    return painter.end();
}

}  // namespace

ExportResult ExportPicture(const QString& path, QSize size, const PictureDrawing& draw,
                           const QString& title) {
    ExportResult result;
    const PictureFormat format = PictureFormatOf(path);
    if (format == PictureFormat::Unknown) {
        result.error = ExportError::UnknownFormat;
        return result;
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaxPictureSide ||
        size.height() > kMaxPictureSide) {
        result.error = ExportError::BadSize;
        return result;
    }
    // The whole picture in memory first: the file is then written in one go, through a
    // temporary file, so that a failure leaves an existing file as it was.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    bool drawn = buffer.open(QIODevice::WriteOnly);
    if (drawn) {
        switch (format) {
            case PictureFormat::Png:
                drawn = WritePng(buffer, size, draw);
                break;
            case PictureFormat::Svg:
                drawn = WriteSvg(buffer, size, draw, title);
                break;
            case PictureFormat::Pdf:
                drawn = WritePdf(buffer, size, draw, title);
                break;
            case PictureFormat::Unknown:
                drawn = false;
                break;
        }
        buffer.close();
    }
    if (!drawn) {
        result.error = ExportError::CannotDraw;
        result.detail = QStringLiteral("cannot draw the picture (not enough memory?)");
        return result;
    }
    fem::FileWriteError failure;
    if (!fem::WriteFileSafely(
            QFile::encodeName(path).toStdString(),
            std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &failure)) {
        result.error = ExportError::CannotWrite;
        result.detail = QString::fromLocal8Bit(failure.reason.c_str());
        result.writeFailure = failure;
    }
    return result;
}

void RenderPicture(QPainter& painter, const QRectF& target, QSize size, const PictureDrawing& draw,
                   bool curvesAsLines) {
    const QSize picture(std::max(size.width(), 1), std::max(size.height(), 1));
    const double scale =
        std::min(target.width() / picture.width(), target.height() / picture.height());
    if (!(scale > 0.0) || !std::isfinite(scale)) return;
    painter.save();
    painter.translate(target.x() + (target.width() - scale * picture.width()) / 2.0,
                      target.y() + (target.height() - scale * picture.height()) / 2.0);
    painter.scale(scale, scale);
    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(picture)));
    DrawOn(painter, picture, draw, curvesAsLines);
    painter.restore();
}

}  // namespace platform
