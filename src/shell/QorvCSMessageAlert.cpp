#include "QorvCSMessageAlert.h"

#include "foundation/Bundle.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

void QorvCSMessageAlert::showAlert(const std::string& message, const std::string& detail)
{
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("cellsheet"), QString::fromStdString(message), QMessageBox::Ok, m_window);
    box->setObjectName(QStringLiteral("alert"));
    box->setInformativeText(QString::fromStdString(detail));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void QorvCSMessageAlert::showNotice(const std::string& message, const std::string& path)
{
    auto* window = qobject_cast<QMainWindow*>(m_window.data());
    if (!window)
        return;
    QStatusBar* bar = window->statusBar();
    auto* label = bar->findChild<QLabel*>(QStringLiteral("notice"));
    if (!label) {
        label = new QLabel(bar);
        label->setObjectName(QStringLiteral("notice"));
        label->setTextFormat(Qt::RichText);
        bar->addWidget(label, 1);
        QObject::connect(
            label, &QLabel::linkActivated, label, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
        auto* timer = new QTimer(label);
        timer->setObjectName(QStringLiteral("noticeTimer"));
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, label, &QLabel::hide);
    }
    const QString open
        = QString::fromStdString(qorv::Bundle::main().localizedString("QorvCSMessageAlert.Open", "Open"));
    label->setText(
        QStringLiteral("%1 — <a href=\"%2\">%3</a>")
            .arg(QString::fromStdString(message).toHtmlEscaped(),
                QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                open.toHtmlEscaped()));
    label->show();
    label->findChild<QTimer*>(QStringLiteral("noticeTimer"))->start(noticeMilliseconds);
}
