#pragma once

#include "QorvCSMailComposer.h"

// The user's mail program through xdg-email; no xdg-email on PATH means no mail program.
class QorvCSXdgEmailComposer : public QorvCSMailComposer {
public:
    bool isAvailable() const override;
    bool composeMessage(
        const std::string& subject, const std::string& body, const std::string& attachmentPath) override;
};
