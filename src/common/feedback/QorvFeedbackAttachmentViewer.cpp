#include "QorvFeedbackAttachmentViewer.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

QorvFeedbackAttachmentViewer::QorvFeedbackAttachmentViewer(
    const QorvFeedbackAttachment& attachment, const QString& title, const QString& note, QWidget* parent)
    : QDialog(parent)
    , m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("attachmentViewer"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    resize(720, 520);

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(note, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    m_text->setObjectName(QStringLiteral("attachmentText"));
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The report's text is HTML and property-list source: the markup is shown, as the form sends it.
    m_text->setPlainText(QString::fromUtf8(attachment.contents.data(), qsizetype(attachment.contents.size())));
    layout->addWidget(m_text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
