// The window after it has saved one PDF, then idle: idle-pss measures it like the window that printed nothing, to
// show whether a finished job leaves the export view's renderer behind. Usage: window_after_export [RESOURCES];
// runs until killed.
#include "OffscreenWebEngine.h"
#include "QorvCSApplicationController.h"
#include "QorvCSMainWindow.h"
#include "QorvCSResourceDirectories.h"
#include "QtRunLoopBinding.h"

#include "foundation/Bundle.h"
#include "foundation/RunLoop.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    prepareOffscreenWebEngine();
    QApplication application(argc, argv);
    std::vector<std::string> overlays;
    if (argc > 1)
        overlays.emplace_back(argv[1]);
    qorv::Bundle::main().setResourceDirectories(
        QorvCSResourceDirectories(overlays, qorv::Bundle::executablePath(), CELLSHEET_BUILD_RESOURCES));
    QtRunLoopBinding binding(qorv::RunLoop::main());
    QorvCSMainWindow window;
    window.show();
    QTemporaryDir folder;
    // Once the report is shown, as a user would.
    QTimer::singleShot(3000, &window, [&] {
        window.applicationController().printToPDF(
            folder.filePath(QStringLiteral("report.pdf")).toStdString(), [](bool ok, const std::string& reason) {
                std::fprintf(
                    stderr, ok ? "window_after_export: saved\n" : "window_after_export: failed: %s\n", reason.c_str());
            });
    });
    return application.exec();
}
