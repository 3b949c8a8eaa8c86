#include "QorvCSReportRequestInterceptor.h"

#include "QorvCSReportSchemeHandler.h"

bool QorvCSReportRequestInterceptor::isAllowed(const QUrl& url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String(QorvCSReportSchemeHandler::scheme) || scheme == QLatin1String("data")
        || scheme == QLatin1String("about");
}

void QorvCSReportRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    if (!isAllowed(info.requestUrl()))
        info.block(true);
}
