#pragma once

#include "QorvCSReportSchemeHandler.h"

#include <QCoreApplication>

#include <cstdlib>
#include <unistd.h>

// Programs that show report pages without a display (tests, benchmarks) choose the offscreen platform unless one was
// asked for, and prepare the web engine as main() does. Call before the application object exists.
inline void prepareOffscreenWebEngine()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QorvCSReportSchemeHandler::registerScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
