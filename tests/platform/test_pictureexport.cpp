// Pictures drawn through a QPainter: a PNG lands on the same pixels as the picture box,
// an SVG keeps one polyline per curve, and bad names or sizes are refused.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include "platform/paintersurface.h"
#include "platform/picturebox.h"
#include "platform/pictureexport.h"
#include "platform/qtcolor.h"

namespace {

using platform::RGB;

QString TempPath(const char* name) {
    return QDir::temp().filePath(QStringLiteral("impactframe_export_") + QLatin1String(name));
}

// Dots of widths 1 to 3 in the result plot's user system, some a rounding error short of
// a pixel edge, some partly outside.
using DotsCall = std::function<void(const double*, const double*, int, platform::Color)>;
void DrawDots(platform::Surface& s, const DotsCall& dots) {
    s.SetBackColor(RGB(250, 250, 240));
    s.SetScale(0.0, 2.2, 1.0, -4.4);
    const double xs[] = {0.0, 0.1, 0.25, 0.5 - 1e-12, 0.999, 1.0};
    double ys[] = {0.0, 1.1, -2.2, 2.2, 0.3, -1.0};
    for (int w = 1; w <= 3; ++w) {
        s.SetDrawWidth(w);
        dots(xs, ys, 6, RGB(40 * w, 0, 255 - 40 * w));
        for (double& y : ys) y -= 0.05;
    }
}

TEST(PictureExport, PngDotsLandWhereThePictureBoxPutsThem) {
    platform::PictureBox box;
    box.resize(203, 151);
    DrawDots(box, [&box](const double* x, const double* y, int n, platform::Color c) {
        box.Dots(x, y, n, c);
    });
    const QString path = TempPath("dots.png");
    const platform::ExportResult r =
        platform::ExportPicture(path, QSize(203, 151), [](platform::PainterSurface& s) {
            EXPECT_FALSE(s.CurvesAsLines());
            DrawDots(s, [&s](const double* x, const double* y, int n, platform::Color c) {
                s.Dots(x, y, n, c);
            });
        });
    ASSERT_TRUE(r) << r.detail.toStdString();
    const QImage png(path);
    ASSERT_EQ(png.size(), QSize(203, 151));
    const QImage expected = box.Image().convertToFormat(QImage::Format_RGB32);
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
            if (png.pixel(x, y) != expected.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
}

TEST(PictureExport, SvgHoldsOnePolylinePerCurveAndPdfIsAPdf) {
    const QString path = TempPath("curves.svg");
    auto draw = [](platform::PainterSurface& s) {
        EXPECT_TRUE(s.CurvesAsLines());
        s.SetBackColor(RGB(255, 255, 255));
        s.SetScale(0.0, 1.0, 1.0, -2.0);
        double xs[50], ys[50];
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < 50; ++i) xs[i] = i / 50.0, ys[i] = 0.01 * i * (c - 1);
            s.SetDrawWidth(2);
            s.Polyline(xs, ys, 50, RGB(c == 0 ? 255 : 0, c == 1 ? 255 : 0, c == 2 ? 255 : 0));
        }
    };
    ASSERT_TRUE(platform::ExportPicture(path, QSize(320, 200), draw));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList strokes;  // stroke of the group around each polyline
    QStringList groupStroke{QString()};
    QString width;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString stroke = xml.attributes().value(QLatin1String("stroke")).toString();
            if (xml.name() == QLatin1String("svg")) {
                width = xml.attributes().value(QLatin1String("viewBox")).toString();
            } else if (xml.name() == QLatin1String("g")) {
                groupStroke << (stroke.isEmpty() ? groupStroke.back() : stroke);
            } else if (xml.name() == QLatin1String("polyline")) {
                const QString points = xml.attributes().value(QLatin1String("points")).toString();
                EXPECT_EQ(points.split(QLatin1Char(' '), Qt::SkipEmptyParts).size(), 50);
                strokes << groupStroke.back();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("g")) {
            groupStroke.removeLast();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(width, QStringLiteral("0 0 320 200"));
    EXPECT_EQ(strokes, QStringList({"#ff0000", "#00ff00", "#0000ff"}));

    const QString pdf = TempPath("curves.PDF");
    ASSERT_TRUE(platform::ExportPicture(pdf, QSize(320, 200), draw));
    QFile pdfFile(pdf);
    ASSERT_TRUE(pdfFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdfFile.read(5) == "%PDF-");
}

TEST(PictureExport, RefusesUnknownFormatsBadSizesAndUnwritableFiles) {
    const auto nothing = [](platform::PainterSurface&) {};
    EXPECT_EQ(platform::ExportPicture(TempPath("a.bmp"), QSize(10, 10), nothing).error,
              platform::ExportError::UnknownFormat);
    EXPECT_EQ(platform::ExportPicture(TempPath("a.png"), QSize(0, 10), nothing).error,
              platform::ExportError::BadSize);
    EXPECT_EQ(platform::ExportPicture(TempPath("a.png"), QSize(10, 10001), nothing).error,
              platform::ExportError::BadSize);
    const platform::ExportResult r = platform::ExportPicture(
        QStringLiteral("/nonexistent/folder/a.png"), QSize(10, 10), nothing);
    EXPECT_EQ(r.error, platform::ExportError::CannotWrite);
    EXPECT_EQ(r.detail, QStringLiteral("cannot create a temporary file in its folder: ") +
                            QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_EQ(r.writeFailure.step, fem::FileWriteStep::CreateTemporary);

    // Written through the safe writer, which removes what a killed export of the same
    // file left behind.
    const QString leftover =
        QDir::temp().filePath(QStringLiteral(".impactframe_export_saved.svg.saving-k1lled00"));
    QFile stale(leftover);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    ASSERT_TRUE(platform::ExportPicture(TempPath("saved.svg"), QSize(10, 10), nothing));
    EXPECT_FALSE(QFile::exists(leftover));
}

}  // namespace
