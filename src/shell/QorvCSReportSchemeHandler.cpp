#include "QorvCSReportSchemeHandler.h"

#include <QBuffer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

void QorvCSReportSchemeHandler::registerScheme()
{
    QWebEngineUrlScheme reportScheme(scheme);
    // Addresses with a host (the view's name) give all of a view's documents one origin, so that the engine shows
    // each new one in the renderer process of the one before instead of starting a process per document.
    reportScheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Not LocalAccessAllowed: a report page may not read local files.
    reportScheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(reportScheme);
}

QorvCSReportSchemeHandler& QorvCSReportSchemeHandler::shared()
{
    static QorvCSReportSchemeHandler* handler = [] {
        auto* h = new QorvCSReportSchemeHandler;
        QWebEngineProfile::defaultProfile()->installUrlSchemeHandler(scheme, h);
        return h;
    }();
    return *handler;
}

QUrl QorvCSReportSchemeHandler::publish(const QString& viewName, const QByteArray& html)
{
    m_documents.insert(viewName, html);
    // A fresh address per document, so the engine never serves an earlier one from its cache.
    return QUrl(QStringLiteral("%1://%2/%3").arg(QLatin1String(scheme), viewName).arg(++m_generation));
}

void QorvCSReportSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QString viewName = job->requestUrl().host();
    auto it = m_documents.constFind(viewName);
    if (it == m_documents.constEnd()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* buffer = new QBuffer(job);
    buffer->setData(*it);
    buffer->open(QIODevice::ReadOnly);
    job->reply("text/html;charset=utf-8", buffer);
}
