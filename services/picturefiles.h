#pragma once
// "画像保存" and "印刷" of the windows that draw (the graphs, the three-dimensional view):
// the file and size asked for, the picture written as PNG, SVG or PDF, or printed on the
// program's printer (into a PDF file when no printer is installed), failures shown in a
// message box. The window hands in its drawing (platform/pictureexport.h).
#include <QSize>
#include <QString>

#include "platform/pictureexport.h"

class QPrinter;
class QWidget;

namespace services {

class PictureSizeDialog;

// File dialog filters; the picture filter's entries are PNG, SVG, PDF in this order.
extern const char* const kPictureFilter;
extern const char* const kPdfFilter;

// Asks the program's file service for a file to write with filter (the service's own
// filter is put back afterwards); a name without a picture extension chosen under
// kPictureFilter gets the extension of the entry in use. Empty when cancelled.
QString AskFileToWrite(QWidget* parent, const QString& filter, const QString& proposedName);

// "画像保存": asks for a file and for a size (starting from size) and writes the picture;
// an SVG or PDF document is titled title.
void SavePictureAsked(QWidget* parent, PictureSizeDialog& sizeDialog, const QString& proposedName,
                      QSize size, const platform::PictureDrawing& draw,
                      const QString& title = QString());

// Draws the picture onto the printable area of printer's page with text and lines as
// large as on the screen; false when the printer cannot be started.
bool PrintPicture(QPrinter& printer, const platform::PictureDrawing& draw);

// "印刷": the program's printer after its printer dialog, or with no printer installed a
// PDF file asked for (proposedPdfName); the page landscape when asked, the document
// titled title.
void PrintAsked(QWidget* parent, bool landscape, const QString& proposedPdfName,
                const platform::PictureDrawing& draw, const QString& title = QString());

}  // namespace services
