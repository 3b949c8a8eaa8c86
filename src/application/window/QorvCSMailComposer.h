#pragma once

#include <string>

// The user's mail program: a new, visible message with a subject, a body and one attachment.
class QorvCSMailComposer {
public:
    virtual ~QorvCSMailComposer() = default;
    // False when there is no mail program.
    virtual bool isAvailable() const = 0;
    // Opens the message and brings the mail program forward. Returns false when it could not be started.
    virtual bool composeMessage(const std::string& subject, const std::string& body, const std::string& attachmentPath)
        = 0;
};
