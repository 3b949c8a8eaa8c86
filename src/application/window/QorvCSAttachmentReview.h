#pragma once

#include <cstdint>
#include <functional>
#include <string>

// A file about to leave the machine as an attachment, as the user reviews it.
struct QorvCSAttachmentReviewItem {
    std::string path; // the file as made
    std::string fileName; // the name the recipient sees
    std::uint64_t size = 0; // bytes
    bool hidesIdentifying = true; // whether serials, addresses and names are masked in it
};

// What the user decided: send it, give up, or have it made again with or without identifying text.
enum class QorvCSAttachmentReviewChoice { Send, Cancel, HideIdentifying, ShowIdentifying };

// Shows the user a file before it is handed to another program (the mail composer): its name and size, a way to
// open it, and whether it hides serial numbers, addresses and names.
class QorvCSAttachmentReview {
public:
    using Answer = std::function<void(QorvCSAttachmentReviewChoice)>;
    virtual ~QorvCSAttachmentReview() = default;
    // Shows item, or shows it in place of the previous one when the review is still up (the file was made again).
    // answer is called once, with the user's choice.
    virtual void reviewAttachment(const QorvCSAttachmentReviewItem& item, Answer answer) = 0;
    // The file could not be made again after the user's last choice: the review closes without an answer.
    virtual void endReview() = 0;
};
