#pragma once

#include "QorvFeedbackAttachments.h"

#include <QDialog>

class QPlainTextEdit;

// Shows one attachment read-only, exactly as it will be sent, so that the user can check it before sending.
class QorvFeedbackAttachmentViewer : public QDialog {
    Q_OBJECT
public:
    // title: the window's title; note: the line above the text.
    QorvFeedbackAttachmentViewer(
        const QorvFeedbackAttachment& attachment, const QString& title, const QString& note, QWidget* parent);

    QPlainTextEdit* textView() const { return m_text; }

private:
    QPlainTextEdit* m_text;
};
