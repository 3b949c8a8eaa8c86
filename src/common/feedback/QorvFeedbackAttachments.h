#pragma once

#include "QorvFeedbackControllerUpload.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One thing the feedback form sends besides what the user typed: the delegate's report, debug information or file.
struct QorvFeedbackAttachment {
    std::string field; // the form field that carries it
    std::string title; // what the sheet calls it
    std::string contents; // the bytes sent, exactly
    bool operator==(const QorvFeedbackAttachment&) const = default;
};

// What the feedback sheet lists before sending, so that the user can see (and read) everything that leaves the
// machine. Qt-free: the sheet only shows the list.
class QorvFeedbackAttachments {
public:
    // The attachments among the fields, in the fields' order: every field whose name starts with "file-" and
    // every file or raw-bytes field. The typed entries and the product's name and version are not attachments.
    // title gives a field's display name; an empty answer shows the field's name.
    static std::vector<QorvFeedbackAttachment> attachmentsInFields(
        const QorvFeedbackFields& fields, const std::function<std::string(std::string_view field)>& title);

    // A size as people read it: "1 byte", "820 bytes", "12.4 kB", "3.1 MB" (1 kB = 1000 bytes, as file managers
    // show them).
    static std::string formattedSize(std::uint64_t bytes);
};
