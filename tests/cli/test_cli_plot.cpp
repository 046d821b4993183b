// impactframe-cli plot and draw run as programs (full build): the picture of a bar whose
// loaded end force is the step load itself, the structure with and without its impact
// response, and the refusal of bad options.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QXmlStreamReader>

namespace {

int Plot(const std::string& args, std::string* err = nullptr) {
    const std::string errPath = std::string(WORK_DIR) + "/plot.err";
    const int status =
        std::system((std::string(CLI_PATH) + " plot " + args + " 2>" + errPath).c_str());
    if (err) {
        std::ifstream in(errPath);
        std::stringstream ss;
        ss << in.rdbuf();
        *err = ss.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One bar of 200 mm along x, fixed at node 0, a unit step load along x at node 1: the
// bar is the only member at node 1, so its end force there (global Fx of the second
// node) is the load: 0 before the step at Te/10, 1 after it.
const char* const kBar =
    "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
    "1,200,0,0\r\npf,1\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
    "0,0,1\r\n21000,8000,7.86E-06,10\r\n";

TEST(CliPlot, PngOfTheRequestedSizeWithTheLoadWhereItBelongs) {
    const std::string data = std::string(WORK_DIR) + "/plot_bar.txt";
    std::ofstream(data, std::ios::binary) << kBar;
    const std::string png = std::string(WORK_DIR) + "/plot_bar.png";
    std::remove(png.c_str());
    std::string err;
    ASSERT_EQ(Plot(data + " --element 0 --global --te 0.0004 -o " + png + " --size 500x600", &err),
              0)
        << err;
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(500, 600));
    const QRgb loadColour = qRgb(128, 0, 0);  // the pen of Fx at the second node
    // The data area lies inside the plot's margins (64 pixels left, 70 right, 38 below for
    // the axes' values): time 0 .. Te across it, y = -1.2 of the scale at its bottom; its
    // top lies below the title and legend.
    const int left = 64, right = 500 - 70, bottom = 600 - 38;
    int axisRow = -1, stepRow = -1;
    for (int x = left + 1; x < right; ++x) {
        const double t = (x + 0.5 - left) / (right - left);  // in units of Te
        for (int y = 0; y < 600; ++y) {
            if ((image.pixel(x, y) | 0xFF000000u) != loadColour) continue;
            EXPECT_LT(y, bottom) << x << "," << y;  // inside the data area
            if (t < 0.08) {
                if (axisRow < 0) axisRow = y;
                EXPECT_LE(std::abs(y - axisRow), 1) << x << "," << y;  // before the step
            } else if (t > 0.2 && t < 0.8) {
                if (stepRow < 0) stepRow = y;
                EXPECT_LE(std::abs(y - stepRow), 1) << x << "," << y;  // constant load
            }
        }
    }
    ASSERT_GT(axisRow, 0);
    EXPECT_GT(stepRow, 0);
    EXPECT_LT(stepRow, axisRow - 10);  // above the axis: a positive force
}

TEST(CliPlot, NodeHistoriesAsSvgAndBadOptionsRefused) {
    const std::string svg = std::string(WORK_DIR) + "/plot_node.svg";
    ASSERT_EQ(Plot("sample:2 --node 2 --nw 256 -o " + svg), 0);
    std::ifstream in(svg);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_NE(ss.str().find("<svg"), std::string::npos);
    std::string err;
    for (const char* bad :
         {"sample:1 --element 0 -o a.bmp", "sample:1 --element 0 --node 1 -o a.png",
          "sample:1 --element 0", "sample:1 --node 0 --global -o a.png",
          "sample:1 --element 9 -o a.png", "sample:1 --node 0 -o a.png --size 0x5"}) {
        EXPECT_EQ(Plot(bad, &err), 2) << bad;
        EXPECT_NE(err.find("impactframe-cli: "), std::string::npos) << bad;
    }
}

int Draw(const std::string& args, std::string* err = nullptr) {
    const std::string errPath = std::string(WORK_DIR) + "/draw.err";
    const int status =
        std::system((std::string(CLI_PATH) + " draw " + args + " 2>" + errPath).c_str());
    if (err) {
        std::ifstream in(errPath);
        std::stringstream ss;
        ss << in.rdbuf();
        *err = ss.str();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int PixelsOf(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) | 0xFF000000u) == colour;
    return n;
}

TEST(CliDraw, StructureAndItsImpactResponseAsPicturesOfTheRequestedSize) {
    // Sample 3, a portal frame (Te 0.005 s): the structure alone, then deformed at 2 ms.
    const std::string plain = std::string(WORK_DIR) + "/draw_plain.png";
    const std::string moved = std::string(WORK_DIR) + "/draw_moved.png";
    std::string err;
    ASSERT_EQ(Draw("sample:3 -o " + plain + " --size 320x200", &err), 0) << err;
    ASSERT_EQ(Draw("sample:3 --time 0.002 --nw 256 -o " + moved + " --size 320x200", &err), 0)
        << err;
    const QImage structure(QString::fromStdString(plain));
    const QImage deformed(QString::fromStdString(moved));
    ASSERT_EQ(structure.size(), QSize(320, 200));
    ASSERT_EQ(deformed.size(), QSize(320, 200));
    const QRgb black = qRgb(0, 0, 0);
    const QRgb deformation = qRgb(220, 0, 0);  // the curves of the moving elements
    EXPECT_GT(PixelsOf(structure, black), 200);
    EXPECT_EQ(PixelsOf(structure, deformation), 0);
    EXPECT_GT(PixelsOf(deformed, deformation), 100);

    // The static deformation as SVG: well-formed, the curves in their colour (100, 0, 0)
    // beside the structure's black lines.
    const std::string svg = std::string(WORK_DIR) + "/draw_static.svg";
    ASSERT_EQ(Draw("sample:3 --deformed --nw 256 -o " + svg, &err), 0) << err;
    QFile svgFile(QString::fromStdString(svg));
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svgFile);
    int deformationStrokes = 0;
    int blackStrokes = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QStringView stroke = xml.attributes().value(QLatin1String("stroke"));
        deformationStrokes += stroke == QLatin1String("#640000");
        blackStrokes += stroke == QLatin1String("#000000");
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(deformationStrokes, 0);
    EXPECT_GT(blackStrokes, 0);

    for (const char* bad :
         {"sample:3 -o a.png --deformed --time 0.001", "sample:3 -o a.png --time 1",
          "sample:3 -o a.png --magnification 5", "sample:3 -o a.bmp", "sample:3 --deformed"}) {
        EXPECT_EQ(Draw(bad, &err), 2) << bad;
        EXPECT_NE(err.find("impactframe-cli: "), std::string::npos) << bad;
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // for QImage's PNG reader
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
