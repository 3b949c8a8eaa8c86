#pragma once

#include "QorvFeedbackAttachments.h"

#include <QDialog>

class QPlainTextEdit;
class QTabWidget;
class QTextBrowser;

// Shows one attachment read-only, exactly as it will be sent, so that the user can check it before sending. An HTML
// attachment is shown formatted as well, on a tab before its source.
class QorvFeedbackAttachmentViewer : public QDialog {
    Q_OBJECT
public:
    // title: the window's title; note: the line above the text.
    QorvFeedbackAttachmentViewer(
        const QorvFeedbackAttachment& attachment, const QString& title, const QString& note, QWidget* parent);

    // The bytes as text.
    QPlainTextEdit* textView() const { return m_text; }
    // The formatted HTML, or null when the attachment is not HTML.
    QTextBrowser* formattedView() const { return m_formatted; }

private:
    QPlainTextEdit* m_text;
    QTextBrowser* m_formatted = nullptr;
};
