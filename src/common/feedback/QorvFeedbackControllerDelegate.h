#pragma once

#include "QorvFeedbackControllerUpload.h"

#include <optional>

class QorvFeedbackController;

// Supplies the feedback form's further fields and learns when the sheet has closed.
class QorvFeedbackControllerDelegate {
public:
    virtual ~QorvFeedbackControllerDelegate() = default;
    // Further fields to send; they replace the form's fields of the same name. nullopt adds nothing.
    virtual std::optional<QorvFeedbackFields> dictionaryForFeedbackController(QorvFeedbackController& controller) = 0;
    // Called once each time the sheet has closed, sent or cancelled.
    virtual void feedbackControllerDidFinish(QorvFeedbackController& controller) = 0;
};
