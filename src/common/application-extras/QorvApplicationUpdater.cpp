#include "QorvApplicationUpdater.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"

#include <QDesktopServices>
#include <QUrl>

QorvApplicationUpdater::QorvApplicationUpdater(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();
}

void QorvApplicationUpdater::checkForUpdates()
{
    const qorv::Value* value = qorv::Bundle::main().objectForInfoDictionaryKey("QorvApplicationUpdaterDownloadURL");
    const QUrl url(value && value->asString() ? QString::fromStdString(*value->asString()) : QString());
    if (!url.isValid() || url.isEmpty()) {
        qorv::log("QorvApplicationUpdater has no QorvApplicationUpdaterDownloadURL");
        return;
    }
    QDesktopServices::openUrl(url);
}
