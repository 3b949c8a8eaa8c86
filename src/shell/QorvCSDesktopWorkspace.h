#pragma once

#include "QorvCSWorkspace.h"

#include <QDesktopServices>
#include <QUrl>

// Opens addresses in the user's default browser.
class QorvCSDesktopWorkspace : public QorvCSWorkspace {
public:
    void openURL(const std::string& url) override { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }
};
