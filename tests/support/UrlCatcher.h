#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Receives the addresses the application hands to the desktop (QDesktopServices::setUrlHandler).
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl& url) { urls.append(url); }
};
