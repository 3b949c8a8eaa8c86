#pragma once

#include <QByteArray>
#include <QMap>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Serves the report documents under "cellsheet://VIEW/N" addresses. The web engine's setHtml() refuses documents over
// 2 MB, and an inventory report can be larger.
class QorvCSReportSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static constexpr const char* scheme = "cellsheet";

    // Registers the scheme; must run before the application object exists.
    static void registerScheme();
    // The handler installed on the default profile.
    static QorvCSReportSchemeHandler& shared();

    // Stores a document under the view's name and returns its address. The path never ends in "html", so the
    // link policy treats the application's own loads as such.
    QUrl publish(const QString& viewName, const QByteArray& html);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QMap<QString, QByteArray> m_documents; // view name → its current document
    quint64 m_generation = 0;
};
