#pragma once

#include "QorvCSAlertPresenter.h"

#include <QPointer>
#include <QWidget>

// A window-modal message box on the main window; notices go to its status bar, with a link that opens the file.
class QorvCSMessageAlert : public QorvCSAlertPresenter {
public:
    explicit QorvCSMessageAlert(QWidget* window)
        : m_window(window)
    { }
    void showAlert(const std::string& message, const std::string& detail) override;
    void showNotice(const std::string& message, const std::string& path) override;

    // How long a notice stays.
    static constexpr int noticeMilliseconds = 15000;

private:
    QPointer<QWidget> m_window;
};
