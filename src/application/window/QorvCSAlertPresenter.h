#pragma once

#include <string>

// Tells the user that something they asked for did not happen.
class QorvCSAlertPresenter {
public:
    virtual ~QorvCSAlertPresenter() = default;
    virtual void showAlert(const std::string& message, const std::string& detail) = 0;
};
