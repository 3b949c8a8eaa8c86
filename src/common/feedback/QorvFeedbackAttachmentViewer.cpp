#include "QorvFeedbackAttachmentViewer.h"

#include "foundation/Bundle.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QString localized(std::string_view key)
{
    return QString::fromStdString(qorv::Bundle::main().localizedString(key, {}, "QorvFeedbackController"));
}

bool isHTML(const QorvFeedbackAttachment& attachment)
{
    const std::string_view start(attachment.contents.data(), std::min<size_t>(attachment.contents.size(), 64));
    return attachment.field.ends_with("-html") || start.starts_with("<!DOCTYPE html")
        || start.starts_with("<!doctype html");
}

} // namespace

QorvFeedbackAttachmentViewer::QorvFeedbackAttachmentViewer(
    const QorvFeedbackAttachment& attachment, const QString& title, const QString& note, QWidget* parent)
    : QDialog(parent)
    , m_text(new QPlainTextEdit)
{
    setObjectName(QStringLiteral("attachmentViewer"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    resize(720, 560);

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(note, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    const QString text = QString::fromUtf8(attachment.contents.data(), qsizetype(attachment.contents.size()));
    m_text->setObjectName(QStringLiteral("attachmentText"));
    m_text->setReadOnly(true);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setPlainText(text);
    if (isHTML(attachment)) {
        auto* tabs = new QTabWidget(this);
        m_formatted = new QTextBrowser;
        m_formatted->setObjectName(QStringLiteral("attachmentFormatted"));
        // Nothing in the viewer may reach out: no links followed, no images or style sheets fetched.
        m_formatted->setOpenLinks(false);
        m_formatted->setOpenExternalLinks(false);
        m_formatted->setHtml(text);
        tabs->addTab(m_formatted, localized("QorvFeedbackController.viewerFormatted"));
        tabs->addTab(m_text, localized("QorvFeedbackController.viewerSource"));
        layout->addWidget(tabs);
    } else {
        layout->addWidget(m_text);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
