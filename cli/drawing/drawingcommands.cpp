// The drawing commands of the full build: each runs inside a QGuiApplication made for
// it, on the offscreen platform unless a platform is given (QT_QPA_PLATFORM), so that
// they work without a display.
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>

#include "cli/commands.h"
#include "cli/drawing/draw.h"
#include "cli/drawing/plot.h"
#include "platform/fonts.h"

namespace cli {

namespace {

struct DrawingCommand {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

// impactframe-cli's drawing commands; a new one is one more line here.
const DrawingCommand kDrawingCommands[] = {
    {"plot", RunPlot},
    {"draw", RunDraw},
};

}  // namespace

int RunDrawingCommand(const std::string& command, const std::vector<std::string>& args) {
    for (const DrawingCommand& c : kDrawingCommands) {
        if (command != c.name) continue;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        static int argc = 1;
        static char name[] = "impactframe-cli";
        static char* argv[] = {name, nullptr};
        // Qt's own notes (such as a missing runtime folder) are not the tool's output.
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "impactframe-cli: %s\n", text.toLocal8Bit().constData());
        });
        QGuiApplication app(argc, argv);
        // Pictures carry the window's Japanese captions.
        QGuiApplication::setFont(platform::JapaneseUiFont());
        return c.run(args);
    }
    return UsageError("unknown command '" + command + "'");
}

}  // namespace cli
