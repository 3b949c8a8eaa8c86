#include "QorvCSXdgEmailComposer.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

QString xdgEmail()
{
    return QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
}

} // namespace

bool QorvCSXdgEmailComposer::isAvailable() const
{
    return !xdgEmail().isEmpty();
}

bool QorvCSXdgEmailComposer::composeMessage(
    const std::string& subject, const std::string& body, const std::string& attachmentPath)
{
    const QString program = xdgEmail();
    if (program.isEmpty())
        return false;
    // Detached: the mail program lives on after this application, and xdg-email may wait for it.
    return QProcess::startDetached(program,
        { QStringLiteral("--utf8"), QStringLiteral("--subject"), QString::fromStdString(subject),
            QStringLiteral("--body"), QString::fromStdString(body), QStringLiteral("--attach"),
            QString::fromStdString(attachmentPath) });
}
