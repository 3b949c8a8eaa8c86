#pragma once

#include "QorvCSAlertPresenter.h"

#include <QPointer>
#include <QWidget>

// A window-modal message box on the main window.
class QorvCSMessageAlert : public QorvCSAlertPresenter {
public:
    explicit QorvCSMessageAlert(QWidget* window)
        : m_window(window)
    { }
    void showAlert(const std::string& message, const std::string& detail) override;

private:
    QPointer<QWidget> m_window;
};
