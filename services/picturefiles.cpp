#include "services/picturefiles.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/messagebox.h"
#include "platform/twips.h"
#include "services/fileservice.h"
#include "services/picturesizedialog.h"
#include "services/savefile.h"

namespace services {

const char* const kPictureFilter = "PNG画像(*.png)|*.png|SVG画像(*.svg)|*.svg|PDF文書(*.pdf)|*.pdf";
const char* const kPdfFilter = "PDF文書(*.pdf)|*.pdf";

namespace {

const char* const kPictureExtensions[] = {"png", "svg", "pdf"};

}  // namespace

QString AskFileToWrite(QWidget* parent, const QString& filter, const QString& proposedName) {
    // The service's filter serves every file dialog of the program: it is put back.
    FileService& files = ProgramFileService();
    files.SetParentWindow(parent);
    const QString oldFilter = files.Filter();
    const int oldIndex = files.FilterIndex();
    files.SetFilter(filter);
    files.SetFilterIndex(1);
    QString path = files.ChooseFileToWrite(proposedName, true);
    const int chosen = files.FilterIndex();
    files.SetFilter(oldFilter);
    files.SetFilterIndex(oldIndex);
    if (!path.isEmpty() && filter == QString::fromUtf8(kPictureFilter) &&
        platform::PictureFormatOf(path) == platform::PictureFormat::Unknown) {
        const int entry = std::clamp(chosen, 1, 3) - 1;
        path += QLatin1Char('.') + QLatin1String(kPictureExtensions[entry]);
    }
    return path;
}

void SavePictureAsked(QWidget* parent, PictureSizeDialog& sizeDialog, const QString& proposedName,
                      QSize size, const platform::PictureDrawing& draw, const QString& title) {
    const QString path = AskFileToWrite(parent, QString::fromUtf8(kPictureFilter), proposedName);
    if (path.isEmpty()) return;
    if (!sizeDialog.Ask(size)) return;
    const platform::ExportResult r = platform::ExportPicture(path, size, draw, title);
    if (r) return;
    QString why;
    switch (r.error) {
        case platform::ExportError::UnknownFormat:
            why = QStringLiteral(
                "画像の形式はファイル名の拡張子（.png, .svg, .pdf）で選んで下さい。");
            break;
        case platform::ExportError::BadSize:
            why = QStringLiteral("画像の大きさは幅、高さとも 1～%1 ピクセルにして下さい。")
                      .arg(platform::kMaxPictureSide);
            break;
        case platform::ExportError::CannotDraw:
            why = QStringLiteral("画像を描けません（メモリが足りない可能性があります）。");
            break;
        default:
            why = WriteFailureText(r.writeFailure);
            break;
    }
    platform::ShowMessage(parent, QStringLiteral("画像を保存できません。\n%1\n%2").arg(path, why));
}

namespace {

// Draws the picture onto the printable area of a page (a printer's, or a PDF
// document's), with text and lines as large on paper as on the screen.
bool DrawPage(QPaintDevice& page, const platform::PictureDrawing& draw) {
    QPainter painter;
    if (!painter.begin(&page)) return false;
    const double toScreen = platform::ScreenDpi() / std::max(page.logicalDpiX(), 1);
    const QSize logical(std::max(1, static_cast<int>(std::lround(page.width() * toScreen))),
                        std::max(1, static_cast<int>(std::lround(page.height() * toScreen))));
    platform::RenderPicture(painter, QRectF(0, 0, page.width(), page.height()), logical, draw);
    return painter.end();
}

// The page printer would print, as a PDF document in memory; empty when it cannot be
// drawn.
QByteArray PdfPage(const QPrinter& printer, const platform::PictureDrawing& draw,
                   const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QPdfWriter pdf(&buffer);
    pdf.setPageLayout(printer.pageLayout());
    pdf.setResolution(printer.resolution());
    pdf.setCreator(QStringLiteral("ImpactFrame"));
    pdf.setTitle(title);
    if (!DrawPage(pdf, draw)) return {};
    return bytes;
}

}  // namespace

bool PrintPicture(QPrinter& printer, const platform::PictureDrawing& draw) {
    return DrawPage(printer, draw);
}

void PrintAsked(QWidget* parent, bool landscape, const QString& proposedPdfName,
                const platform::PictureDrawing& draw, const QString& title) {
    FileService& files = ProgramFileService();
    files.SetParentWindow(parent);
    QPrinter& printer = files.Printer();
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // No printer installed: the page goes into a PDF file, drawn in memory first and
        // then written safely.
        const QString path = AskFileToWrite(parent, QString::fromUtf8(kPdfFilter), proposedPdfName);
        if (path.isEmpty()) return;
        const QByteArray pdf = PdfPage(printer, draw, title);
        QString why = QStringLiteral("画像を描けません（メモリが足りない可能性があります）。");
        if (!pdf.isEmpty() && SaveFileBytes(path, pdf, &why)) return;
        platform::ShowMessage(parent, QStringLiteral("印刷できません。\n%1\n%2").arg(path, why));
        return;
    }
    if (!files.ChoosePrinter()) return;
    printer.setDocName(title);
    if (!PrintPicture(printer, draw))
        platform::ShowMessage(
            parent, QStringLiteral("印刷できません。\n%1")
                        .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                : printer.outputFileName()));
}

}  // namespace services
