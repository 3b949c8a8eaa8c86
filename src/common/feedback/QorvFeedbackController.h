#pragma once

#include "QorvFeedbackAttachments.h"
#include "QorvFeedbackControllerDelegate.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QNetworkReply;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QWidget;

// The feedback sheet: a window-modal dialog from the interface file "QorvFeedbackController.ui" with the user's
// name, e-mail address and message. Report posts them, with the delegate's fields, to the web form named by
// Info.plist's "QorvFeedbackControllerURL" and closes the sheet once the server has accepted them; a refused
// upload keeps the sheet and everything typed in it, and says why. The sheet lists what the delegate attaches, with
// sizes, lets the user read each attachment, and sends exactly what it listed.
class QorvFeedbackController : public QObject {
    Q_OBJECT
public:
    // Hidden: no sheet. Editing: shown, Report enabled. Sending: an upload under way, Report disabled.
    enum class State { Hidden, Editing, Sending };

    QorvFeedbackController();
    ~QorvFeedbackController() override;
    QorvFeedbackController(const QorvFeedbackController&) = delete;
    QorvFeedbackController& operator=(const QorvFeedbackController&) = delete;

    static std::shared_ptr<QorvFeedbackController> feedbackController();
    virtual std::string_view className() const { return "QorvFeedbackController"; }

    // Loads the interface file (once) and fills the name and e-mail fields from the user's own card.
    void loadView();
    bool isViewLoaded() const { return m_viewLoaded; }
    // Shows the sheet over window with an empty message, Report enabled, no progress and the checkbox ticked.
    void beginModalForWindow(QWidget* window);
    void report();
    // Ends the sheet; an upload under way goes on, but its answer no longer touches the sheet.
    void cancel();

    // Whether the delegate should hide serial numbers, addresses and names in what it attaches: the sheet's
    // checkbox, ticked unless the user unticks it (everything attached leaves the machine).
    bool sanitizesAttachments() const;
    // Asks the delegate for its fields again and lists them; done on showing and when the checkbox changes.
    void reloadAttachments();
    const std::vector<QorvFeedbackAttachment>& attachments() const { return m_attachments; }
    // Opens the read-only viewer of attachment index over the sheet.
    void viewAttachment(size_t index);
    QDialog* attachmentViewer() const;

    State state() const;
    bool isShowing() const { return m_showing; }

    // QorvFeedbackControllerSheetDelegate
    void sheetDidEnd(int returnCode);

    // QorvFeedbackControllerConnectionDelegate
    void connectionDidFinishLoading(QNetworkReply* connection);
    // The upload failed (transport error or an error status): the sheet stays, with reason shown.
    void connectionDidFail(QNetworkReply* connection, const std::string& reason);

    // QorvFeedbackControllerAddressBook
    static std::string usersName();
    static std::string usersEmail();

    // QorvFeedbackControllerUpload
    static std::string dataForPOSTWithDictionary(const QorvFeedbackFields& fields, std::string_view boundary);

    QDialog* window() const;
    QLabel* messageLabel() const;
    QLineEdit* nameField() const;
    QLineEdit* emailField() const;
    QPlainTextEdit* detailView() const;
    QPushButton* reportButton() const;
    QPushButton* cancelButton() const;
    QProgressBar* progressIndicator() const;
    QLabel* progressStatus() const;
    QTreeWidget* attachmentsList() const;
    QCheckBox* sanitizeCheckBox() const;
    QPushButton* viewButton() const;
    QorvFeedbackControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(QorvFeedbackControllerDelegate* delegate) { m_delegate = delegate; }
    const std::string& message() const { return m_message; }
    void setMessage(std::string message) { m_message = std::move(message); }
    QNetworkReply* connection() const { return m_connection; }
    QNetworkAccessManager* networkAccessManager() const { return m_network; }

private:
    void endSheet();
    void connectionDidFinish(QNetworkReply* reply);
    void showProgress(bool sending, const std::string& status);

    QPointer<QDialog> m_window;
    QPointer<QLabel> m_messageLabel;
    QPointer<QLineEdit> m_nameField;
    QPointer<QLineEdit> m_emailField;
    QPointer<QPlainTextEdit> m_detailView;
    QPointer<QPushButton> m_reportButton;
    QPointer<QPushButton> m_cancelButton;
    QPointer<QProgressBar> m_progressIndicator;
    QPointer<QLabel> m_progressStatus;
    QPointer<QTreeWidget> m_attachmentsList;
    QPointer<QCheckBox> m_sanitizeCheckBox;
    QPointer<QPushButton> m_viewButton;
    QPointer<QDialog> m_attachmentViewer;
    // The delegate's fields as listed: what Report sends.
    std::optional<QorvFeedbackFields> m_delegateFields;
    std::vector<QorvFeedbackAttachment> m_attachments;
    QorvFeedbackControllerDelegate* m_delegate = nullptr;
    std::string m_message;
    QNetworkReply* m_connection = nullptr;
    QNetworkAccessManager* m_network = nullptr;
    bool m_viewLoaded = false;
    bool m_showing = false;
};
