#include "QorvCSMessageAlert.h"

#include <QMessageBox>

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
