#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <map>
#include <string>

// Runs Qt's events until condition holds; false when it still does not after milliseconds.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The test form endpoint (tests/common/feedback_server.py) on 127.0.0.1: one JSON record per request it parsed.
// The test target defines CELLSHEET_PYTHON and CELLSHEET_FEEDBACK_SERVER.
class FeedbackServer {
public:
    explicit FeedbackServer(QStringList options = {})
    {
        m_process.start(QStringLiteral(CELLSHEET_PYTHON),
            QStringList {
                QStringLiteral(CELLSHEET_FEEDBACK_SERVER), QStringLiteral("--lifetime"), QStringLiteral("60") }
                + options);
        if (waitFor([this] { return m_process.canReadLine(); })) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("PORT "))
                port = line.mid(5).toInt();
        }
    }
    ~FeedbackServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    FeedbackServer(const FeedbackServer&) = delete;
    FeedbackServer& operator=(const FeedbackServer&) = delete;

    // The next request's record, waiting for it.
    QJsonObject request()
    {
        if (!waitFor([this] { return m_process.canReadLine(); }))
            return {};
        return QJsonDocument::fromJson(m_process.readLine()).object();
    }
    bool hasRequest() { return m_process.canReadLine(); }
    // The next request's fields: name to decoded content.
    std::map<std::string, std::string> fields()
    {
        std::map<std::string, std::string> result;
        const QJsonObject fields = request()["fields"].toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            result[it.key().toStdString()] = content(it.value().toObject());
        return result;
    }
    // A field's record decoded.
    static std::string content(const QJsonObject& field)
    {
        return QByteArray::fromBase64(field["content"].toString().toLatin1()).toStdString();
    }

    int port = 0;

private:
    QProcess m_process;
};
