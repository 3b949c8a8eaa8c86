#include "QorvCSEngineLogging.h"

#include <QLoggingCategory>
#include <QString>

#include <cstdlib>
#include <cstring>

namespace {

QtMessageHandler previousHandler = nullptr;

// The engine writes these two through the default category, so no category rule reaches them.
bool isEngineChatter(const QString& message)
{
    const QString text = message.trimmed();
    return text == QLatin1String("Sandboxing disabled by user.")
        || text == QLatin1String("No suitable graphics backend found");
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg && isEngineChatter(message))
        return;
    previousHandler(type, context, message);
}

} // namespace

bool QorvCSEngineLogging::isDebugging()
{
    const char* debug = std::getenv("CELLSHEET_DEBUG");
    return debug && std::strcmp(debug, "1") == 0;
}

void QorvCSEngineLogging::quietUnlessDebugging()
{
    if (isDebugging())
        return;
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webengine*.debug=false\n"
                                                    "qt.webengine*.info=false\n"
                                                    "qt.webengine*.warning=false\n"));
    previousHandler = qInstallMessageHandler(handleMessage);
    // Chromium's own log lines (below fatal) go to standard error directly.
    if (!std::getenv("QTWEBENGINE_CHROMIUM_FLAGS"))
        ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --log-level=3", 1);
}
