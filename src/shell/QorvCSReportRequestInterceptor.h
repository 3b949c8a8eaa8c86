#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Keeps the report's pages to themselves: a template (possibly from a folder someone sent) may name any address in
// an image, style sheet, font or frame, but nothing outside the report's own scheme and inline data is fetched, so
// the report can neither read local files nor reach the network. Links go through the view's link policy instead.
class QorvCSReportRequestInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    static bool isAllowed(const QUrl& url);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};
