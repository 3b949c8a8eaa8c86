#include "FeedbackServer.h"
#include "QorvFeedbackAddressBook.h"
#include "QorvFeedbackAttachmentViewer.h"
#include "QorvFeedbackController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include <QCheckBox>
#include <QDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTranslator>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

class Delegate : public QorvFeedbackControllerDelegate {
public:
    std::optional<QorvFeedbackFields> dictionaryForFeedbackController(QorvFeedbackController& controller) override
    {
        asked.push_back(controller.sanitizesAttachments());
        return fields;
    }
    void feedbackControllerDidFinish(QorvFeedbackController&) override { ++finished; }

    std::optional<QorvFeedbackFields> fields;
    std::vector<bool> asked; // whether each request wanted the fields sanitised
    int finished = 0;
};

class FeedbackController : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_resources.isValid());
        m_parent.resize(800, 600);
        m_parent.show();
        m_controller->setDelegate(&m_delegate);
    }
    void TearDown() override
    {
        m_controller.reset();
        qorv::Bundle::main().setResourceDirectories(m_saved);
    }

    // Info.plist names the endpoint on port; the other resources are the application's.
    void useEndpoint(int port)
    {
        qorv::Value::Dictionary info {
            { "CFBundleIdentifier", "org.example.feedback-test" },
            { "CFBundleVersion", "7.1" },
            { "QorvFeedbackControllerURL", qorv::format("http://127.0.0.1:%d/feedback", port) },
        };
        const std::string dir = m_resources.path().toStdString();
        ASSERT_EQ(qorv::PropertyList::writeXMLFile(dir + "/Info.plist", qorv::Value(info)), "");
        std::vector<std::string> directories { dir };
        directories.insert(directories.end(), m_saved.begin(), m_saved.end());
        qorv::Bundle::main().setResourceDirectories(directories);
    }

    void fillIn(const QString& name, const QString& email, const QString& detail)
    {
        m_controller->nameField()->setText(name);
        m_controller->emailField()->setText(email);
        m_controller->detailView()->setPlainText(detail);
    }

    void expectKeptAfterFailure(const char* reason)
    {
        EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Editing);
        EXPECT_TRUE(m_controller->window()->isVisible());
        EXPECT_EQ(m_controller->nameField()->text(), QStringLiteral("Ada"));
        EXPECT_EQ(m_controller->emailField()->text(), QStringLiteral("ada@example.org"));
        EXPECT_EQ(m_controller->detailView()->toPlainText(), QStringLiteral("Keep me ✓"));
        EXPECT_TRUE(m_controller->reportButton()->isEnabled());
        EXPECT_TRUE(m_controller->sanitizeCheckBox()->isEnabled());
        EXPECT_FALSE(m_controller->progressIndicator()->isVisible());
        EXPECT_TRUE(m_controller->progressStatus()->isVisible());
        EXPECT_TRUE(m_controller->progressStatus()->text().contains(QLatin1String(reason)))
            << m_controller->progressStatus()->text().toStdString();
        EXPECT_EQ(m_delegate.finished, 0);
    }

    std::vector<std::string> m_saved = qorv::Bundle::main().resourceDirectories();
    QTemporaryDir m_resources;
    QWidget m_parent;
    Delegate m_delegate;
    std::shared_ptr<QorvFeedbackController> m_controller = QorvFeedbackController::feedbackController();
};

} // namespace

TEST_F(FeedbackController, SendsEveryFieldExactlyAndCloses)
{
    FeedbackServer server;
    ASSERT_GT(server.port, 0);
    useEndpoint(server.port);

    std::string html = "<!DOCTYPE html><p>Akku ✓</p>\r\n--";
    html += std::string(200000, 'x'); // a report of realistic size
    const std::string log("\x00\x01\xff\r\n", 5);
    m_delegate.fields = QorvFeedbackFields { { "file-report-html", html }, { "log", qorv::Value::Data { log } } };

    m_controller->beginModalForWindow(&m_parent);
    ASSERT_EQ(m_controller->state(), QorvFeedbackController::State::Editing);
    EXPECT_TRUE(m_controller->window()->isVisible());
    EXPECT_EQ(m_controller->window()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(m_controller->window()->parentWidget(), &m_parent);
    const QString detail = QStringLiteral("Zeile eins\nzweite Zeile — ünïcödé\n--not-a-boundary--");
    fillIn(QStringLiteral("Ada Lovelace"), QStringLiteral("ada@example.org"), detail);

    m_controller->reportButton()->click();
    EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Sending);
    EXPECT_FALSE(m_controller->reportButton()->isEnabled());
    EXPECT_FALSE(m_controller->sanitizeCheckBox()->isEnabled());
    EXPECT_TRUE(m_controller->progressIndicator()->isVisible());
    EXPECT_FALSE(m_controller->progressStatus()->text().isEmpty());

    ASSERT_TRUE(waitFor([&] { return m_delegate.finished > 0; }));
    EXPECT_EQ(m_delegate.finished, 1);
    EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Hidden);
    EXPECT_FALSE(m_controller->window()->isVisible());

    const QJsonObject request = server.request();
    ASSERT_FALSE(request.isEmpty());
    EXPECT_EQ(request["path"].toString(), QStringLiteral("/feedback"));
    EXPECT_EQ(request["charset"].toString(), QStringLiteral("utf-8"));
    EXPECT_EQ(request["contentLength"].toString().toInt(), request["bodyLength"].toInt());
    EXPECT_TRUE(request["contentType"].toString().contains(
        QRegularExpression(QStringLiteral("^multipart/form-data; boundary=[0-9]+QorvFeedbackController0x[0-9a-f]+$"))))
        << request["contentType"].toString().toStdString();
    EXPECT_TRUE(request["defects"].toArray().isEmpty());

    const QJsonObject fields = request["fields"].toObject();
    const std::map<std::string, std::string> expected {
        { "name", "Ada Lovelace" },
        { "email", "ada@example.org" },
        { "detail", detail.toStdString() },
        { "product", "org.example.feedback-test" },
        { "version", "7.1" },
        { "file-report-html", html },
        { "log", log },
    };
    EXPECT_EQ(fields.size(), qsizetype(expected.size()));
    for (const auto& [name, content] : expected) {
        SCOPED_TRACE(name);
        const QJsonObject field = fields[QString::fromStdString(name)].toObject();
        EXPECT_EQ(FeedbackServer::content(field), content);
        EXPECT_EQ(field["filename"].isNull(), name != "log");
    }
    EXPECT_EQ(fields["log"].toObject()["filename"].toString(), QStringLiteral("log"));
}

TEST_F(FeedbackController, AnErrorStatusKeepsTheSheetAndTheText)
{
    FeedbackServer server({ QStringLiteral("--status"), QStringLiteral("500") });
    ASSERT_GT(server.port, 0);
    useEndpoint(server.port);
    m_controller->beginModalForWindow(&m_parent);
    fillIn(QStringLiteral("Ada"), QStringLiteral("ada@example.org"), QStringLiteral("Keep me ✓"));
    m_controller->report();
    ASSERT_TRUE(waitFor([&] { return m_controller->state() != QorvFeedbackController::State::Sending; }));
    expectKeptAfterFailure("500");
    EXPECT_FALSE(server.request().isEmpty());

    // The user gives up: the delegate hears of it once.
    m_controller->cancelButton()->click();
    EXPECT_EQ(m_delegate.finished, 1);
    EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Hidden);
}

TEST_F(FeedbackController, ARefusedConnectionKeepsTheSheetAndTheText)
{
    int port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    useEndpoint(port);
    m_controller->beginModalForWindow(&m_parent);
    fillIn(QStringLiteral("Ada"), QStringLiteral("ada@example.org"), QStringLiteral("Keep me ✓"));
    m_controller->report();
    ASSERT_TRUE(waitFor([&] { return m_controller->state() != QorvFeedbackController::State::Sending; }));
    expectKeptAfterFailure("refused");

    // Report works again once the server is there.
    FeedbackServer server;
    ASSERT_GT(server.port, 0);
    useEndpoint(server.port);
    m_controller->report();
    ASSERT_TRUE(waitFor([&] { return m_delegate.finished > 0; }));
    EXPECT_EQ(m_delegate.finished, 1);
    EXPECT_EQ(server.fields()["detail"], "Keep me ✓");
}

TEST_F(FeedbackController, CancelDuringAnUploadTellsTheDelegateOnce)
{
    FeedbackServer server({ QStringLiteral("--delay"), QStringLiteral("1") });
    ASSERT_GT(server.port, 0);
    useEndpoint(server.port);
    m_controller->beginModalForWindow(&m_parent);
    fillIn(QStringLiteral("Ada"), {}, QStringLiteral("Cancelled"));
    m_controller->report();
    ASSERT_TRUE(waitFor([&] { return server.hasRequest(); }));

    bool uploadFinished = false;
    QObject context;
    QObject::connect(m_controller->networkAccessManager(), &QNetworkAccessManager::finished, &context,
        [&](QNetworkReply*) { uploadFinished = true; });
    m_controller->cancel();
    EXPECT_EQ(m_delegate.finished, 1);
    EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Hidden);

    // A new showing is up when the old upload's answer arrives: the answer must not close it.
    m_controller->beginModalForWindow(&m_parent);
    ASSERT_TRUE(waitFor([&] { return uploadFinished; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_delegate.finished, 1);
    EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Editing);
    m_controller->cancel();
    m_controller->cancel();
    EXPECT_EQ(m_delegate.finished, 2);
}

TEST_F(FeedbackController, ASecondShowingClearsTheMessageAndHidesAgainButKeepsNameAndEmail)
{
    const char* saved = std::getenv("EMAIL");
    const std::string previous = saved ? saved : "";
    ::setenv("EMAIL", "grace@example.org", 1);
    m_controller->setMessage("Tell us everything.");
    m_controller->beginModalForWindow(&m_parent);
    if (saved)
        ::setenv("EMAIL", previous.c_str(), 1);
    else
        ::unsetenv("EMAIL");

    EXPECT_EQ(m_controller->nameField()->text().toStdString(), QorvFeedbackAddressBook::usersName());
    EXPECT_EQ(m_controller->emailField()->text(), QStringLiteral("grace@example.org"));
    EXPECT_EQ(m_controller->messageLabel()->text(), QStringLiteral("Tell us everything."));
    EXPECT_FALSE(m_controller->progressIndicator()->isVisible());
    EXPECT_FALSE(m_controller->progressStatus()->isVisible());

    fillIn(QStringLiteral("Typed"), QStringLiteral("typed@example.org"), QStringLiteral("draft"));
    m_controller->sanitizeCheckBox()->click();
    m_controller->window()->reject(); // Escape
    EXPECT_EQ(m_delegate.finished, 1);
    m_controller->beginModalForWindow(&m_parent);
    EXPECT_EQ(m_controller->nameField()->text(), QStringLiteral("Typed"));
    EXPECT_EQ(m_controller->emailField()->text(), QStringLiteral("typed@example.org"));
    EXPECT_TRUE(m_controller->detailView()->toPlainText().isEmpty());
    EXPECT_TRUE(m_controller->sanitizeCheckBox()->isChecked()) << "unticking is not a standing choice";
    EXPECT_EQ(m_delegate.asked, (std::vector<bool> { true, false, true }));
    m_controller->cancel();
    EXPECT_EQ(m_delegate.finished, 2);
}

TEST_F(FeedbackController, AMissingInterfaceFileFailsTheAssertion)
{
    qorv::Bundle::main().setResourceDirectories({ m_resources.path().toStdString() });
    try {
        m_controller->beginModalForWindow(&m_parent);
        ADD_FAILURE() << "no assertion";
    } catch (const qorv::AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "QorvFeedbackController's view is missing.");
    }
    EXPECT_EQ(m_controller->state(), QorvFeedbackController::State::Hidden);
}

TEST_F(FeedbackController, ListsTheAttachmentsLetsThemBeReadAndSendsWhatItListed)
{
    FeedbackServer server;
    ASSERT_GT(server.port, 0);
    useEndpoint(server.port);
    const QorvFeedbackFields sanitised { { "file-report-html", "<p>[serial 1] ✓</p>"s },
        { "file-debug-plist", std::string(1500, 'd') } };
    m_delegate.fields = sanitised;
    m_controller->beginModalForWindow(&m_parent);
    ASSERT_TRUE(m_controller->sanitizeCheckBox()->isChecked());
    EXPECT_EQ(m_delegate.asked, std::vector<bool> { true });

    const auto rows = [&] {
        std::vector<std::pair<QString, QString>> shown;
        for (int i = 0; i < m_controller->attachmentsList()->topLevelItemCount(); ++i) {
            const auto* item = m_controller->attachmentsList()->topLevelItem(i);
            shown.emplace_back(item->text(0), item->text(1));
        }
        return shown;
    };
    using Rows = std::vector<std::pair<QString, QString>>;
    EXPECT_EQ(rows(),
        (Rows { { QStringLiteral("Debug information"), QStringLiteral("1.5 kB") },
            { QStringLiteral("Report"), QStringLiteral("21 bytes") } }));

    // The viewer shows the attachment exactly as it is sent.
    m_controller->attachmentsList()->setCurrentItem(m_controller->attachmentsList()->topLevelItem(1));
    ASSERT_TRUE(m_controller->viewButton()->isEnabled());
    m_controller->viewButton()->click();
    auto* viewer = qobject_cast<QorvFeedbackAttachmentViewer*>(m_controller->attachmentViewer());
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->parentWidget(), m_controller->window());
    EXPECT_TRUE(viewer->textView()->isReadOnly());
    EXPECT_EQ(viewer->textView()->toPlainText(), QStringLiteral("<p>[serial 1] ✓</p>"));
    ASSERT_NE(viewer->formattedView(), nullptr); // the report is HTML: shown formatted too
    EXPECT_EQ(viewer->formattedView()->toPlainText(), QStringLiteral("[serial 1] ✓"));
    EXPECT_TRUE(viewer->windowTitle().contains(QStringLiteral("Report")));
    viewer->reject();

    // Unticking asks for the fields again, as they are.
    m_delegate.fields = QorvFeedbackFields { { "file-report-html", "<p>SN-4711</p>"s } };
    m_controller->sanitizeCheckBox()->click();
    EXPECT_EQ(m_delegate.asked, (std::vector<bool> { true, false }));
    EXPECT_EQ(rows(), (Rows { { QStringLiteral("Report"), QStringLiteral("14 bytes") } }));
    m_delegate.fields = sanitised;
    m_controller->sanitizeCheckBox()->click();
    EXPECT_EQ(rows().size(), 2u);

    // What the delegate would say now is not what the user saw: what was listed is sent.
    m_delegate.fields = QorvFeedbackFields { { "file-report-html", "<p>changed since</p>"s } };
    m_controller->report();
    ASSERT_TRUE(waitFor([&] { return m_delegate.finished > 0; }));
    EXPECT_EQ(m_delegate.asked.size(), 3u);
    const auto fields = server.fields();
    for (const auto& [name, value] : sanitised)
        EXPECT_EQ(fields.at(name), std::get<std::string>(value)) << name;
}

TEST_F(FeedbackController, TheSheetSpeaksTheUsersLanguage)
{
    // The interface file's texts through Qt's translator, the status texts through the German table.
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(CELLSHEET_BUILD_RESOURCES "/translations/cellsheet_de.qm")));
    QCoreApplication::installTranslator(&german);
    qorv::Bundle::main().setLanguages({ "de", "en" });
    m_controller->beginModalForWindow(&m_parent);
    QCoreApplication::removeTranslator(&german);

    EXPECT_EQ(m_controller->window()->windowTitle(), QStringLiteral("Rückmeldung senden"));
    EXPECT_EQ(m_controller->reportButton()->text(), QStringLiteral("Senden"));
    EXPECT_EQ(m_controller->cancelButton()->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(
        m_controller->sanitizeCheckBox()->text(), QStringLiteral("Seriennummern, Adressen und Namen &ausblenden"));
    fillIn(QStringLiteral("Ada"), QStringLiteral("ada@example.org"), QStringLiteral("Hallo"));
    m_controller->report(); // Info.plist names no address
    EXPECT_EQ(m_controller->progressStatus()->text(),
        QStringLiteral("Nicht gesendet: es ist keine Adresse für Rückmeldungen eingestellt. Ihre Nachricht bleibt "
                       "erhalten; Sie können es erneut versuchen."));
    qorv::Bundle::main().setLanguages({ "en" });
    m_controller->cancel();
}
