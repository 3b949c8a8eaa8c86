#pragma once

#include "QorvCSPrintInfo.h"

#include <functional>
#include <string>

// The platform's print operation on the hidden export view. It finishes later; completion is called once, on the
// main thread, with whether the job succeeded (false when the user cancelled the print panel) and a reason.
class QorvCSPrintOperation {
public:
    using Completion = std::function<void(bool ok, const std::string& reason)>;
    virtual ~QorvCSPrintOperation() = default;
    virtual void run(const QorvCSPrintJob& job, bool showPrintPanel, Completion completion) = 0;
    // Lets the user edit the shared print settings (paper, orientation, borders).
    virtual void runPageLayout(qorv::Value::Dictionary& sharedSettings) = 0;
};
