#pragma once
// Pictures written to files or printed: a drawing made on a PainterSurface is replayed
// onto a PNG image, an SVG document or a PDF page of a chosen size in pixels, or onto
// any paint device such as a printer page. The format follows the file's extension.
//
// Usage (a drawing function draws the whole picture, back colour included):
//
//     auto draw = [&](platform::PainterSurface& s) {
//         s.SetBackColor(platform::RGB(255, 255, 255));  // clears
//         s.SetScale(0.0, 2.2, 1.0, -4.4);
//         ...  // Line, Dots or Polyline (see s.CurvesAsLines()), Print, ...
//     };
//     const platform::ExportResult r = platform::ExportPicture("graph.svg", {800, 600}, draw);
//     if (!r) ShowMessage(r.detail);
//
// SVG and PDF pictures ask for curves as lines (CurvesAsLines() true), so that one
// curve becomes one path; PNG pictures for dots, as the screen shows them. Text is
// sized at the screen's logical DPI (96 without a screen) on every device, so a
// picture of the window's size looks like the window.
#include <functional>

#include <QSize>
#include <QString>

#include "model/safewrite.h"

class QPaintDevice;
class QPainter;
class QRectF;

namespace platform {

class PainterSurface;

enum class PictureFormat { Unknown, Png, Svg, Pdf };

// The format of a file name by its extension, any case: .png, .svg, .pdf.
PictureFormat PictureFormatOf(const QString& path);

// The drawing of one picture; called once per picture written.
using PictureDrawing = std::function<void(PainterSurface&)>;

// Largest width and height of a written picture, in pixels.
inline constexpr int kMaxPictureSide = 10000;

enum class ExportError { None, UnknownFormat, BadSize, CannotDraw, CannotWrite };
struct ExportResult {
    ExportError error = ExportError::None;
    // CannotDraw, CannotWrite: why, in English ("cannot write the file: No space left on
    // device"), as the command-line tool prints it.
    QString detail;
    fem::FileWriteError writeFailure;  // CannotWrite: the failed step and the system's reason
    explicit operator bool() const { return error == ExportError::None; }
};

// Draws a picture of size pixels (each side 1 .. kMaxPictureSide) and writes it to path
// as PNG, SVG or PDF by the extension; an SVG or PDF document is titled title. The
// picture is drawn in memory and written through fem::WriteFileSafely, so a failure
// leaves an existing file as it was.
[[nodiscard]] ExportResult ExportPicture(const QString& path, QSize size,
                                         const PictureDrawing& draw,
                                         const QString& title = QString());

// Draws a picture of size logical pixels through an active painter into target (in the
// painter's coordinates), scaled to fit and centred, its proportions kept and its
// drawing clipped to it. curvesAsLines as in PainterSurface.
void RenderPicture(QPainter& painter, const QRectF& target, QSize size, const PictureDrawing& draw,
                   bool curvesAsLines = true);

}  // namespace platform
