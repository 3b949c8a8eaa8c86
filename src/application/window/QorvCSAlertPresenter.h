#pragma once

#include <string>

// Tells the user that something they asked for did not happen, or, briefly, that a file was written.
class QorvCSAlertPresenter {
public:
    virtual ~QorvCSAlertPresenter() = default;
    virtual void showAlert(const std::string& message, const std::string& detail) = 0;
    // A passing confirmation that offers to open the file at path; presenters without a place for it skip it.
    virtual void showNotice(const std::string& message, const std::string& path)
    {
        (void)message;
        (void)path;
    }
};
