#include "QorvCSDesktopWorkspace.h"

#include "foundation/Bundle.h"

#include <QDesktopServices>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The Icon= entry of a desktop file found in the applications folders.
QString desktopFileIcon(const QString& desktopFile)
{
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopFile);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith("Icon="))
            return QString::fromUtf8(line.mid(5));
    }
    return {};
}

std::string bundledImage(const char* name)
{
    return qorv::Bundle::main().pathForResource(name, "svg").value_or(std::string());
}

} // namespace

void QorvCSDesktopWorkspace::openURL(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

std::optional<qorv::Image> QorvCSDesktopWorkspace::mailApplicationIcon() const
{
    // The default handler of mailto: addresses is the user's mail program.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return std::nullopt;
    QProcess query;
    query.start(
        xdgMime, { QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto") });
    if (!query.waitForFinished(1500) || query.exitCode() != 0)
        return std::nullopt;
    const QString desktopFile = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (desktopFile.isEmpty())
        return std::nullopt;
    const QString icon = desktopFileIcon(desktopFile);
    if (icon.isEmpty())
        return std::nullopt;
    if (icon.startsWith(QLatin1Char('/')))
        return qorv::Image { {}, icon.toStdString() };
    return qorv::Image { icon.toStdString(), bundledImage("mail") };
}

qorv::Image QorvCSDesktopWorkspace::iconForFileType(const std::string& extension) const
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(
        QStringLiteral("x.") + QString::fromStdString(extension), QMimeDatabase::MatchExtension);
    const char* fallback = extension == "pdf" ? "pdf-document" : "mail";
    return qorv::Image { type.iconName().toStdString(), bundledImage(fallback) };
}
