#include "QorvCSImages.h"

#include <QHash>

QIcon QorvCSIcon(const qorv::Image& image)
{
    static QHash<QString, QIcon> cache;
    const QString key
        = QString::fromStdString(image.themeName) + QLatin1Char('\n') + QString::fromStdString(image.path);
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QIcon fallback = image.path.empty() ? QIcon() : QIcon(QString::fromStdString(image.path));
    QIcon icon
        = image.themeName.empty() ? fallback : QIcon::fromTheme(QString::fromStdString(image.themeName), fallback);
    cache.insert(key, icon);
    return icon;
}
