#include "QorvCSApplication.h"
#include "QorvCSBatchReport.h"
#include "QorvCSEngineLogging.h"
#include "QorvCSMainWindow.h"
#include "QorvCSReportColors.h"
#include "QorvCSReportSchemeHandler.h"
#include "QorvCSTranslations.h"
#include "QtRunLoopBinding.h"
#include "cellsheetAppDelegate.h"

#include "QorvCSCommandLine.h"
#include "QorvCSHistory.h"
#include "QorvCSModules.h"
#include "QorvCSResourceDirectories.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"

#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

bool hasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    auto commandLine = QorvCSCommandLine::parse(arguments, error);
    if (!commandLine) {
        std::fprintf(stderr, "cellsheet: %s\n", error.c_str());
        return 2;
    }
    if (commandLine->help) {
        std::fputs(QorvCSCommandLine::usage().c_str(), stdout);
        return 0;
    }
    if (commandLine->version) {
        std::printf("cellsheet %s\n", CELLSHEET_VERSION);
        return 0;
    }
    for (const auto& dir : commandLine->resourceDirectories) {
        std::error_code ec;
        if (!std::filesystem::is_directory(dir, ec)) {
            std::fprintf(stderr, "cellsheet: --resources %s: not a directory\n", dir.c_str());
            return 2;
        }
    }
    qorv::Bundle::main().setResourceDirectories(QorvCSResourceDirectories(
        commandLine->resourceDirectories, qorv::Bundle::executablePath(), CELLSHEET_BUILD_RESOURCES));
    QorvCSModules::setDirectory(QorvCSModuleDirectory(qorv::Bundle::executablePath(), CELLSHEET_BUILD_MODULES));

    if (!hasDisplay()) {
        if (!commandLine->isBatch()) {
            std::fprintf(stderr,
                "cellsheet: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                "use --html FILE to write the report without a window\n");
            return 1;
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // The web engine refuses to run as root with its sandbox on.
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QorvCSEngineLogging::quietUnlessDebugging();
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);

    // Without a window only a PDF needs the web engine; the other outputs neither start it nor set it up.
    const bool needsWebEngine = !commandLine->isBatch() || commandLine->pdf;
    if (needsWebEngine) {
        QorvCSReportSchemeHandler::registerScheme();
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
    std::vector<char*> qtArguments { argv[0] };
    for (auto& a : commandLine->toolkitArguments)
        qtArguments.push_back(a.data());
    int qtArgc = int(qtArguments.size());
    qtArguments.push_back(nullptr);
    QorvCSApplication application(qtArgc, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("cellsheet"));
    QApplication::setApplicationVersion(QStringLiteral(CELLSHEET_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.cellsheet.cellsheet"));
    QorvCSApplyColorSchemeFromEnvironment();
    QorvCSTranslations::install(application, qorv::Bundle::preferredLanguages());

    // The window records the power sources' history; the command line only reads what the window recorded.
    auto history = commandLine->isBatch() ? QorvCSHistory::forReading() : QorvCSHistory::forRecording();
    history->setShownDays(commandLine->historyDays);
    QorvCSHistory::setShared(history);
    struct ForgetHistory {
        ~ForgetHistory() { QorvCSHistory::setShared(nullptr); }
    } forgetHistory;

    if (commandLine->isBatch()) {
        const int status = QorvCSBatchReport(*commandLine).run();
        // Without the web engine the outputs are written and nothing else is left to close, but taking the
        // application object down would make Qt's font database start fontconfig only to release it, which costs a
        // headless run more than writing its report: leave at once.
        if (!needsWebEngine) {
            std::fflush(nullptr);
            std::_Exit(status);
        }
        return status;
    }

    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    // The installed icon when the theme has it, else the application's own copy (a build tree).
    const auto icon = qorv::Bundle::main().pathForResource("org.cellsheet.cellsheet", "svg");
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("org.cellsheet.cellsheet"), QIcon(icon ? QString::fromStdString(*icon) : QString())));

    QtRunLoopBinding binding(qorv::RunLoop::main());
    cellsheetAppDelegate delegate;
    try {
        delegate.launch();
    } catch (const std::exception& e) {
        qorv::log(e.what());
        // Without a window nothing could ever end the event loop.
        if (!delegate.window() || !delegate.window()->isVisible()) {
            std::fprintf(stderr, "cellsheet: the window could not be opened: %s\n", e.what());
            return 1;
        }
    }
    return application.exec();
}
