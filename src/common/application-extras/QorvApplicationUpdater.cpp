#include "QorvApplicationUpdater.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/Log.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
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
    if (QDesktopServices::openUrl(url))
        return;
    // Nothing on this desktop opens web pages: give the address, so that the user can visit it some other way.
    const auto& bundle = qorv::Bundle::main();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("cellsheet"),
        QString::fromStdString(bundle.localizedString("QorvApplicationUpdater.NoBrowser")), QMessageBox::Ok,
        QApplication::activeWindow());
    box->setObjectName(QStringLiteral("noBrowser"));
    box->setInformativeText(QString::fromStdString(qorv::format(
        bundle.localizedString("QorvApplicationUpdater.NoBrowserDetailFormat"), url.toString().toStdString())));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
