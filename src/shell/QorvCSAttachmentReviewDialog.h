#pragma once

#include "QorvCSAttachmentReview.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The attachment review as a window-modal dialog on the main window: the file's name and size, View (opens it in
// the desktop's viewer), the "Hide serial numbers, addresses and names" checkbox and Attach / Cancel. Changing the
// checkbox asks for the file to be made again; the dialog waits for it with its buttons disabled.
class QorvCSAttachmentReviewDialog : public QDialog, public QorvCSAttachmentReview {
    Q_OBJECT
public:
    explicit QorvCSAttachmentReviewDialog(QWidget* window);

    void reviewAttachment(const QorvCSAttachmentReviewItem& item, Answer answer) override;
    void endReview() override;

    QLabel* fileLabel() const { return m_file; }
    QCheckBox* hideCheckBox() const { return m_hide; }
    QPushButton* viewButton() const { return m_view; }
    QPushButton* sendButton() const { return m_send; }

private:
    // Gives the choice to the one waiting for it, once.
    void answer(QorvCSAttachmentReviewChoice choice);
    void setWaiting(bool waiting);

    QorvCSAttachmentReviewItem m_item;
    Answer m_answer;
    bool m_waiting = false; // for the file to be made again
    bool m_cancelledWhileWaiting = false;
    QLabel* m_file;
    QCheckBox* m_hide;
    QPushButton* m_view;
    QPushButton* m_send;
};
