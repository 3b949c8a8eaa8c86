#pragma once

#include <QWidget>

// The software updater that the extras interface file creates. Linux packages update themselves, so checking for
// updates opens the download page named by Info.plist's "QorvApplicationUpdaterDownloadURL" in the browser. A
// widget only so that the interface file can create it; it is never shown.
class QorvApplicationUpdater : public QWidget {
    Q_OBJECT
public:
    explicit QorvApplicationUpdater(QWidget* parent = nullptr);

public slots:
    void checkForUpdates();
};
