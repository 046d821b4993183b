// impactframe: three-dimensional frame structures under static and step loads.
// `impactframe FILE` opens the structure data file FILE at start.
#include <memory>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include "analysis/sparse_solver.h"
#include "shell/mainwindow.h"
#include "shell/messages.h"

int main(int argc, char** argv) {
    // Before any thread: a single-threaded BLAS, freed factors kept for reuse.
    fem::ConfigureProcessForAnalysis();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("impactframe"));
    // The interface is Japanese: so are the standard dialogs and buttons.
    shell::InstallQtJapanese(app);
    // Japanese captions need a font that has the glyphs.
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic"}) {
        if (families.contains(QLatin1String(name))) {
            QFont font{QString::fromLatin1(name)};
            font.setPointSize(QApplication::font().pointSize());
            QApplication::setFont(font);
            break;
        }
    }
    const QStringList args = QApplication::arguments();
    std::unique_ptr<shell::MainWindow> frame(
        shell::StartUp(args.size() > 1 ? args.at(1) : QString()));
    return app.exec();
}
