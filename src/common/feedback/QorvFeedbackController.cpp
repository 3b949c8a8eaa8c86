#include "QorvFeedbackController.h"

#include "QorvFeedbackAddressBook.h"
#include "QorvFeedbackAttachmentViewer.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Format.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QUiLoader>
#include <QUrl>

#include <cstdlib>

namespace {

constexpr std::string_view table = "QorvFeedbackController";
// A server that takes the request but never answers would otherwise keep the sheet sending for ever.
constexpr int transferTimeoutMilliseconds = 60000;

std::string localized(std::string_view key)
{
    return qorv::Bundle::main().localizedString(key, {}, table);
}

std::string infoString(std::string_view key)
{
    const qorv::Value* value = qorv::Bundle::main().objectForInfoDictionaryKey(key);
    return value && value->asString() ? *value->asString() : std::string();
}

// The sheet's name for an attachment field; empty when the table has none.
std::string attachmentTitle(std::string_view field)
{
    const std::string key = "QorvFeedbackController.attachment." + std::string(field);
    std::string title = localized(key);
    return title == key ? std::string() : title;
}

QString qt(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

QorvFeedbackController::QorvFeedbackController()
    : m_network(new QNetworkAccessManager(this))
{ }

QorvFeedbackController::~QorvFeedbackController()
{
    // Outlets are the sheet's children; the sheet is ours unless its parent window went first.
    delete m_window.data();
}

std::shared_ptr<QorvFeedbackController> QorvFeedbackController::feedbackController()
{
    return std::make_shared<QorvFeedbackController>();
}

void QorvFeedbackController::loadView()
{
    if (m_viewLoaded)
        return;
    m_viewLoaded = true;
    auto path = qorv::Bundle::main().pathForResource(className(), "ui");
    if (!path)
        return;
    QFile file(qt(*path));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QUiLoader loader;
    QWidget* view = loader.load(&file);
    m_window = qobject_cast<QDialog*>(view);
    if (!m_window) {
        delete view;
        return;
    }
    m_messageLabel = m_window->findChild<QLabel*>(QStringLiteral("messageLabel"));
    m_nameField = m_window->findChild<QLineEdit*>(QStringLiteral("nameField"));
    m_emailField = m_window->findChild<QLineEdit*>(QStringLiteral("emailField"));
    m_detailView = m_window->findChild<QPlainTextEdit*>(QStringLiteral("detailView"));
    m_reportButton = m_window->findChild<QPushButton*>(QStringLiteral("reportButton"));
    m_cancelButton = m_window->findChild<QPushButton*>(QStringLiteral("cancelButton"));
    m_progressIndicator = m_window->findChild<QProgressBar*>(QStringLiteral("progressIndicator"));
    m_progressStatus = m_window->findChild<QLabel*>(QStringLiteral("progressStatus"));
    m_attachmentsList = m_window->findChild<QTreeWidget*>(QStringLiteral("attachmentsList"));
    m_sanitizeCheckBox = m_window->findChild<QCheckBox*>(QStringLiteral("sanitizeCheckBox"));
    m_viewButton = m_window->findChild<QPushButton*>(QStringLiteral("viewButton"));

    if (m_reportButton)
        connect(m_reportButton, &QPushButton::clicked, this, [this] { report(); });
    if (m_cancelButton)
        connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    if (m_sanitizeCheckBox)
        connect(m_sanitizeCheckBox, &QCheckBox::toggled, this, [this] { reloadAttachments(); });
    const auto viewCurrent = [this] {
        if (m_attachmentsList && m_attachmentsList->currentItem())
            viewAttachment(size_t(m_attachmentsList->indexOfTopLevelItem(m_attachmentsList->currentItem())));
    };
    if (m_viewButton)
        connect(m_viewButton, &QPushButton::clicked, this, viewCurrent);
    if (m_attachmentsList) {
        // The name takes the room; the size column fits its sizes.
        m_attachmentsList->header()->setStretchLastSection(false);
        m_attachmentsList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
        m_attachmentsList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        connect(m_attachmentsList, &QTreeWidget::itemActivated, this, viewCurrent);
        connect(m_attachmentsList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
            if (m_viewButton)
                m_viewButton->setEnabled(current != nullptr);
        });
    }
    // Escape and the window's close button end the sheet too.
    connect(m_window, &QDialog::finished, this, [this](int result) { sheetDidEnd(result); });

    if (m_nameField)
        m_nameField->setText(qt(usersName()));
    if (m_emailField)
        m_emailField->setText(qt(usersEmail()));
}

void QorvFeedbackController::beginModalForWindow(QWidget* window)
{
    loadView();
    QorvAssert(m_window, "%@'s view is missing.", className());
    if (m_showing) {
        m_window->raise();
        return;
    }
    if (m_detailView)
        m_detailView->clear();
    showProgress(false, {});
    // Each showing starts hiding identifying text: unticking it once is not a standing choice.
    if (m_sanitizeCheckBox) {
        const QSignalBlocker quiet(m_sanitizeCheckBox);
        m_sanitizeCheckBox->setChecked(true);
    }
    reloadAttachments();
    if (!m_message.empty() && m_messageLabel)
        m_messageLabel->setText(qt(m_message));
    if (window && m_window->parentWidget() != window)
        m_window->setParent(window, m_window->windowFlags());
    m_showing = true;
    m_window->open();
    // The name and e-mail are usually filled in already: start with the message.
    if (m_detailView)
        m_detailView->setFocus();
}

void QorvFeedbackController::report()
{
    if (!m_showing || m_connection)
        return;
    const auto text = [](QLineEdit* field) { return field ? field->text().toStdString() : std::string(); };
    const std::string detail = m_detailView ? m_detailView->toPlainText().toStdString() : std::string();
    const auto fields = QorvFeedbackControllerUpload::fieldsForReport(text(m_nameField), text(m_emailField), detail,
        infoString("CFBundleIdentifier"), infoString("CFBundleVersion"), m_delegateFields);

    // A new boundary for every upload, and one that no field contains.
    const std::string boundary = QorvFeedbackControllerUpload::uniqueBoundary(
        fields, [this] { return QorvFeedbackControllerUpload::boundary(::random(), this); });
    const std::string body = dataForPOSTWithDictionary(fields, boundary);

    const QUrl url(qt(infoString("QorvFeedbackControllerURL")));
    if (!url.isValid() || url.scheme().isEmpty()) {
        connectionDidFail(nullptr, localized("QorvFeedbackController.noAddress"));
        return;
    }
    QNetworkRequest request(url);
    request.setRawHeader(
        "Content-Length", QByteArray::fromStdString(QorvFeedbackControllerUpload::contentLength(body)));
    request.setRawHeader(
        "Content-Type", QByteArray::fromStdString(QorvFeedbackControllerUpload::contentType(boundary)));
    request.setRawHeader("charset", "utf-8");
    request.setTransferTimeout(transferTimeoutMilliseconds);

    QNetworkReply* reply = m_network->post(request, QByteArray(body.data(), qsizetype(body.size())));
    m_connection = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { connectionDidFinish(reply); });
    showProgress(true, localized("QorvFeedbackController.connecting"));
}

void QorvFeedbackController::connectionDidFinish(QNetworkReply* reply)
{
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        const std::string phrase
            = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
        connectionDidFail(reply, qorv::format(localized("QorvFeedbackController.serverError"), status, phrase));
    } else if (reply->error() != QNetworkReply::NoError) {
        connectionDidFail(reply, reply->errorString().toStdString());
    } else {
        connectionDidFinishLoading(reply);
    }
}

void QorvFeedbackController::connectionDidFinishLoading(QNetworkReply* connection)
{
    // The answer to an upload whose sheet has already ended changes nothing.
    if (connection != m_connection)
        return;
    m_connection = nullptr;
    endSheet();
}

void QorvFeedbackController::connectionDidFail(QNetworkReply* connection, const std::string& reason)
{
    if (connection != m_connection || !m_showing)
        return;
    m_connection = nullptr;
    showProgress(false, qorv::format(localized("QorvFeedbackController.failed"), reason));
}

void QorvFeedbackController::cancel()
{
    endSheet();
}

void QorvFeedbackController::endSheet()
{
    // Only a sheet that is up can end, so the delegate hears of each showing once.
    if (m_showing && m_window)
        m_window->reject();
}

void QorvFeedbackController::sheetDidEnd(int)
{
    if (!m_showing)
        return;
    m_showing = false;
    if (m_window)
        m_window->hide();
    delete m_attachmentViewer.data();
    m_delegateFields.reset();
    // An upload still running is left to finish on its own; its answer is ignored.
    m_connection = nullptr;
    if (m_delegate)
        m_delegate->feedbackControllerDidFinish(*this);
}

bool QorvFeedbackController::sanitizesAttachments() const
{
    return !m_sanitizeCheckBox || m_sanitizeCheckBox->isChecked();
}

void QorvFeedbackController::reloadAttachments()
{
    m_delegateFields = m_delegate ? m_delegate->dictionaryForFeedbackController(*this) : std::nullopt;
    m_attachments.clear();
    if (m_delegateFields)
        m_attachments = QorvFeedbackAttachments::attachmentsInFields(*m_delegateFields, attachmentTitle);
    if (!m_attachmentsList)
        return;
    const int selected = m_attachmentsList->currentItem()
        ? m_attachmentsList->indexOfTopLevelItem(m_attachmentsList->currentItem())
        : 0;
    m_attachmentsList->clear();
    for (const auto& attachment : m_attachments) {
        auto* item = new QTreeWidgetItem(m_attachmentsList,
            { qt(attachment.title), qt(QorvFeedbackAttachments::formattedSize(attachment.contents.size())) });
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_attachmentsList->setCurrentItem(m_attachmentsList->topLevelItem(selected));
    if (m_viewButton)
        m_viewButton->setEnabled(m_attachmentsList->currentItem() != nullptr);
}

void QorvFeedbackController::viewAttachment(size_t index)
{
    if (index >= m_attachments.size() || !m_window)
        return;
    const auto& attachment = m_attachments[index];
    delete m_attachmentViewer.data();
    auto* viewer = new QorvFeedbackAttachmentViewer(attachment,
        qt(qorv::format(localized("QorvFeedbackController.viewerTitle"), attachment.title,
            QorvFeedbackAttachments::formattedSize(attachment.contents.size()))),
        qt(localized("QorvFeedbackController.viewerNote")), m_window);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    m_attachmentViewer = viewer;
    viewer->open();
}

QDialog* QorvFeedbackController::attachmentViewer() const
{
    return m_attachmentViewer;
}

QorvFeedbackController::State QorvFeedbackController::state() const
{
    if (!m_showing)
        return State::Hidden;
    return m_connection ? State::Sending : State::Editing;
}

void QorvFeedbackController::showProgress(bool sending, const std::string& status)
{
    if (m_reportButton)
        m_reportButton->setEnabled(!sending);
    // What is being sent cannot change any more.
    if (m_sanitizeCheckBox)
        m_sanitizeCheckBox->setEnabled(!sending);
    if (m_progressIndicator)
        m_progressIndicator->setVisible(sending);
    if (m_progressStatus) {
        m_progressStatus->setText(qt(status));
        m_progressStatus->setVisible(!status.empty());
    }
}

QDialog* QorvFeedbackController::window() const
{
    return m_window;
}

QLabel* QorvFeedbackController::messageLabel() const
{
    return m_messageLabel;
}

QLineEdit* QorvFeedbackController::nameField() const
{
    return m_nameField;
}

QLineEdit* QorvFeedbackController::emailField() const
{
    return m_emailField;
}

QPlainTextEdit* QorvFeedbackController::detailView() const
{
    return m_detailView;
}

QPushButton* QorvFeedbackController::reportButton() const
{
    return m_reportButton;
}

QPushButton* QorvFeedbackController::cancelButton() const
{
    return m_cancelButton;
}

QProgressBar* QorvFeedbackController::progressIndicator() const
{
    return m_progressIndicator;
}

QLabel* QorvFeedbackController::progressStatus() const
{
    return m_progressStatus;
}

QTreeWidget* QorvFeedbackController::attachmentsList() const
{
    return m_attachmentsList;
}

QCheckBox* QorvFeedbackController::sanitizeCheckBox() const
{
    return m_sanitizeCheckBox;
}

QPushButton* QorvFeedbackController::viewButton() const
{
    return m_viewButton;
}

std::string QorvFeedbackController::usersName()
{
    return QorvFeedbackAddressBook::usersName();
}

std::string QorvFeedbackController::usersEmail()
{
    return QorvFeedbackAddressBook::usersEmail();
}

std::string QorvFeedbackController::dataForPOSTWithDictionary(
    const QorvFeedbackFields& fields, std::string_view boundary)
{
    return QorvFeedbackControllerUpload::dataForPOSTWithDictionary(fields, boundary);
}
