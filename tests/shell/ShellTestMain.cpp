#include "QorvCSReportSchemeHandler.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

// The shell's tests need an application object, and test discovery runs this binary without the test
// environment: choose the offscreen platform unless one was asked for, and prepare the web engine as main() does.
int main(int argc, char** argv)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QorvCSReportSchemeHandler::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
