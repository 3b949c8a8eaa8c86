#include "QorvCSMainWindow.h"

#include "QorvCSApplicationController.h"
#include "QorvCSContentController.h"
#include "QorvCSHTMLReport.h"
#include "QorvCSPrintInfo.h"
#include "QorvCSSearchField.h"
#include "QorvCSSidebarView.h"
#include "QorvCSUPSServersDialog.h"
#include "QorvCSWebEngineView.h"

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/RunLoop.h"
#include "linux/QorvCSNUTPowerSourceProvider.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWebEngineScript>

#include <gtest/gtest.h>

#include <optional>

namespace {

// A main window whose settings live in a folder of the test's own: XDG_CONFIG_HOME points there, and the inventory
// tool is one that gives nothing.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        m_savedConfig = qgetenv("XDG_CONFIG_HOME");
        m_savedProfiler = qgetenv("CELLSHEET_PROFILER");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("CELLSHEET_PROFILER", "/bin/false");
        m_savedDirectories = qorv::Bundle::main().resourceDirectories();
        qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES });
    }
    void TearDown() override
    {
        qorv::Bundle::main().setResourceDirectories(m_savedDirectories);
        restore("XDG_CONFIG_HOME", m_savedConfig);
        restore("CELLSHEET_PROFILER", m_savedProfiler);
    }
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    // A window showing a document of the test's own, with the report's own renderings held back.
    void showDocument(QorvCSMainWindow& window, const std::string& html)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.applicationController().pauseUpdates();
        QTest::qWait(200);
        QSignalSpy loaded(window.contentWebView(), &QorvCSWebEngineView::reportLoaded);
        window.contentWebView()->loadHTMLString(html);
        ASSERT_TRUE(loaded.wait(20000));
    }
    QString settingsPath() const { return m_config.path() + QStringLiteral("/cellsheet/cellsheet.conf"); }

private:
    QTemporaryDir m_config;
    QByteArray m_savedConfig, m_savedProfiler;
    std::vector<std::string> m_savedDirectories;
};

} // namespace

TEST_F(MainWindowTest, RemembersItsSizeSidebarPageSetupAndFolder)
{
    {
        QorvCSMainWindow window;
        window.resize(900, 640);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.splitter()->setSizes({ 333, 567 });
        auto& settings = window.applicationController().sharedPrintSettings();
        settings.insert_or_assign(std::string(QorvCSPrintOrientation), std::string("landscape"));
        settings.insert_or_assign(std::string(QorvCSPrintImageableX), 50.0);
        window.applicationController().setSaveFolder("/srv/reports");
        window.close();
    }
    ASSERT_TRUE(QFile::exists(settingsPath()));

    QorvCSMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.size(), QSize(900, 640));
    EXPECT_EQ(window.splitter()->sizes().value(0), 333);
    const QorvCSPrintJob job = QorvCSMakePrintJob(window.applicationController().sharedPrintSettings(), {});
    EXPECT_TRUE(job.landscape);
    EXPECT_DOUBLE_EQ(job.leftMargin, 50.0);
    EXPECT_EQ(window.applicationController().saveFolder(), "/srv/reports");
}

TEST_F(MainWindowTest, ACorruptSettingsFileIsIgnoredWithOneLine)
{
    QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
    QFile file(settingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    file.write(garbage);
    file.close();

    qorv::LogCapture log;
    QorvCSMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::vector<std::string> settingsLines;
    for (const auto& line : log.lines())
        if (line.find("settings") != std::string::npos)
            settingsLines.push_back(line);
    EXPECT_EQ(settingsLines.size(), 1u);
    EXPECT_EQ(window.splitter()->sizes().value(0), 270);

    // Closing writes sound settings in its place, without complaint.
    window.close();
    for (const auto& line : log.lines())
        EXPECT_EQ(line.find("could not be written"), std::string::npos) << line;
    QSettings reread(settingsPath(), QSettings::IniFormat);
    EXPECT_EQ(reread.value(QStringLiteral("version")).toString(), QStringLiteral("1"));
    EXPECT_EQ(reread.status(), QSettings::NoError);
}

TEST_F(MainWindowTest, SearchCountsMatchesStepsThroughThemAndSaysWhenThereAreNone)
{
    QorvCSMainWindow window;
    showDocument(window, "<html><body><p>cell one</p><p>cell two</p><p>cell three</p></body></html>");
    QorvCSSearchField* search = window.search();
    QLabel* count = search->countLabel();
    const auto waitFor
        = [&](const QString& text) { return QTest::qWaitFor([&] { return count->text() == text; }, 10000); };

    QTest::keyClicks(search->lineEdit(), QStringLiteral("cell"));
    EXPECT_TRUE(waitFor(QStringLiteral("1 of 3"))) << count->text().toStdString();
    EXPECT_FALSE(search->isNotFound());
    search->nextButton()->click();
    EXPECT_TRUE(waitFor(QStringLiteral("2 of 3"))) << count->text().toStdString();
    search->previousButton()->click();
    search->previousButton()->click();
    EXPECT_TRUE(waitFor(QStringLiteral("3 of 3"))) << "wraps around: " << count->text().toStdString();

    // A new rendering clears the highlight: its count goes too, and the next step counts the new page.
    QSignalSpy loaded(window.contentWebView(), &QorvCSWebEngineView::reportLoaded);
    window.contentWebView()->loadHTMLString("<html><body><p>cell one</p><p>cell two</p></body></html>");
    ASSERT_TRUE(loaded.wait(20000));
    EXPECT_TRUE(count->text().isEmpty()) << count->text().toStdString();
    EXPECT_EQ(search->lineEdit()->text(), QStringLiteral("cell"));
    search->nextButton()->click();
    EXPECT_TRUE(waitFor(QStringLiteral("1 of 2"))) << count->text().toStdString();

    // A patch puts its tables in first and its charts after them: a count made in between goes once they are in.
    const auto chartedPage = [](const std::string& chartText) {
        std::string html = "<html><body><table><tr><td>cell one</td></tr></table>";
        for (int chart = 0; chart < 30; ++chart)
            html += "<figure><svg>" + std::string(25000, ' ') + "<text>" + chartText + "</text></svg></figure>";
        return html + "</body></html>";
    };
    const std::string charted = chartedPage("cell"), redrawn = chartedPage("none");
    window.contentWebView()->loadHTMLString(charted);
    ASSERT_TRUE(loaded.wait(20000));
    search->nextButton()->click();
    EXPECT_TRUE(waitFor(QStringLiteral("1 of 31"))) << count->text().toStdString();
    QSignalSpy settled(window.contentWebView(), &QorvCSWebEngineView::chartsSettled);
    QObject::connect(
        window.contentWebView(), &QorvCSWebEngineView::reportPatched, search, [&] { search->nextButton()->click(); },
        Qt::SingleShotConnection);
    window.contentWebView()->replaceTables(*QorvCSReportTableChanges::between(charted, redrawn), redrawn);
    ASSERT_TRUE(settled.wait(30000));
    QTest::qWait(500);
    EXPECT_TRUE(count->text().isEmpty() || count->text() == QStringLiteral("1 of 1")) << count->text().toStdString();
    search->nextButton()->click();
    EXPECT_TRUE(waitFor(QStringLiteral("1 of 1"))) << count->text().toStdString();

    QTest::keyClicks(search->lineEdit(), QStringLiteral("z"));
    EXPECT_TRUE(waitFor(QStringLiteral("Not found"))) << count->text().toStdString();
    EXPECT_TRUE(search->isNotFound());
    EXPECT_FALSE(search->nextButton()->isEnabled());

    QTest::keyClick(search->lineEdit(), Qt::Key_Escape);
    EXPECT_TRUE(search->lineEdit()->text().isEmpty());
    EXPECT_TRUE(count->text().isEmpty());
    EXPECT_FALSE(search->isNotFound());
}

TEST_F(MainWindowTest, ZoomChangesTheScreenReportOnlyAndSurvivesANewRendering)
{
    QorvCSMainWindow window;
    showDocument(window, "<html><body><p>one</p></body></html>");
    const auto trigger = [&](const char* name) { window.findChild<QAction*>(QString::fromLatin1(name))->trigger(); };
    trigger("zoomInAction");
    trigger("zoomInAction");
    EXPECT_DOUBLE_EQ(window.contentWebView()->zoomFactor(), 1.25);
    EXPECT_DOUBLE_EQ(window.contentPrintView()->zoomFactor(), 1.0) << "printing and PDF files are not zoomed";

    QSignalSpy loaded(window.contentWebView(), &QorvCSWebEngineView::reportLoaded);
    window.contentWebView()->loadHTMLString("<html><body><p>two</p></body></html>");
    ASSERT_TRUE(loaded.wait(20000));
    QTest::qWait(50);
    EXPECT_DOUBLE_EQ(window.contentWebView()->zoomFactor(), 1.25);

    trigger("zoomOutAction");
    EXPECT_DOUBLE_EQ(window.contentWebView()->zoomFactor(), 1.1);
    trigger("actualSizeAction");
    EXPECT_DOUBLE_EQ(window.contentWebView()->zoomFactor(), 1.0);
    for (int i = 0; i < 20; ++i)
        trigger("zoomOutAction");
    EXPECT_DOUBLE_EQ(window.contentWebView()->zoomFactor(), 0.5);
}

TEST_F(MainWindowTest, TabReachesTheSidebarAndTheViewMenuHidesIt)
{
    QorvCSMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.searchField()->setFocus(Qt::TabFocusReason);
    for (int tab = 0; tab < 4 && !window.contentOutline()->hasFocus(); ++tab)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(window.contentOutline()->hasFocus());

    window.showSidebarAction()->trigger();
    EXPECT_FALSE(window.contentOutline()->isVisible());
    window.showSidebarAction()->trigger();
    EXPECT_TRUE(window.contentOutline()->isVisible());
}

TEST_F(MainWindowTest, AMoreButtonIsNamedAfterItsRowAndSaysWhetherItIsOpen)
{
    auto report = QorvCSHTMLReport::reportForExport(false);
    auto table = QorvCSReportTable::tableWithSummary("battery", "Battery");
    auto heading = QorvCSReportTableHeading::headingWithTitle("Cycle Count");
    heading->setRaw("Cycle Count");
    table->addHeading(heading, QorvCSReportTableValue::valueWithLabel("12"));
    report->addItemsFromArray({ table });
    const std::string html = report->asHTML();
    ASSERT_NE(html.find("<button"), std::string::npos) << "the shipped rule explains cycle counts";
    QorvCSMainWindow window;
    showDocument(window, html);

    const auto button = [&] {
        QString state;
        bool done = false;
        window.contentWebView()->page()->runJavaScript(
            QStringLiteral("(function () { var b = document.querySelector('td button'); return b.tabIndex + '|'"
                           " + b.getAttribute('aria-label') + '|' + b.getAttribute('aria-expanded') + '|'"
                           " + b.textContent; })()"),
            QWebEngineScript::ApplicationWorld, [&](const QVariant& result) {
                state = result.toString();
                done = true;
            });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
        return state;
    };
    EXPECT_EQ(button(), QStringLiteral("0|Explain Cycle Count|false|+"));
    window.contentWebView()->page()->runJavaScript(
        QStringLiteral("document.querySelector('td button').click();"), QWebEngineScript::ApplicationWorld);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button() == QStringLiteral("0|Explain Cycle Count|true|\u2212"); }, 5000))
        << button().toStdString();
    window.contentWebView()->page()->runJavaScript(
        QStringLiteral("document.querySelector('td button').click();"), QWebEngineScript::ApplicationWorld);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button() == QStringLiteral("0|Explain Cycle Count|false|+"); }, 5000));
}

TEST_F(MainWindowTest, UPSServersChosenInTheEditMenuAreReadAtOnceAndRemembered)
{
    {
        QorvCSMainWindow window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        auto* action = window.findChild<QAction*>(QStringLiteral("upsServersAction"));
        ASSERT_TRUE(action);
        EXPECT_TRUE(window.findChild<QMenu*>(QStringLiteral("editMenu"))->actions().contains(action));
        action->trigger();
        auto* dialog = window.findChild<QorvCSUPSServersDialog*>(QStringLiteral("upsServersDialog"));
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(dialog->isVisible());
        dialog->serverList()->clear();
        dialog->entry()->setText(QStringLiteral("ups.lan:3500"));
        dialog->addButton()->click();
        dialog->buttons()->button(QDialogButtonBox::Ok)->click();
        EXPECT_EQ(window.upsServers(), std::vector<std::string> { "ups.lan:3500" });
        EXPECT_EQ(QorvCSNUTPowerSourceProvider::configuredServers(), std::vector<std::string> { "ups.lan:3500" });
        QSettings saved(settingsPath(), QSettings::IniFormat);
        EXPECT_EQ(saved.value(QStringLiteral("power/upsServers")).toString(), QStringLiteral("ups.lan:3500"))
            << "saved on OK, before the window closes";
    }
    QorvCSNUTPowerSourceProvider::chooseServers(std::nullopt);
    QorvCSMainWindow window;
    EXPECT_EQ(window.upsServers(), std::vector<std::string> { "ups.lan:3500" });
    EXPECT_EQ(QorvCSNUTPowerSourceProvider::configuredServers(), std::vector<std::string> { "ups.lan:3500" });
    window.setUPSServers(std::nullopt);
    EXPECT_EQ(QorvCSNUTPowerSourceProvider::configuredServers(), QorvCSNUTPowerSourceProvider::bundleServers());
}

namespace {

struct ChosenPath : QorvCSSavePanel {
    void beginSheet(const Options&, Completion completion) override { completion(path); }
    std::string path;
};

} // namespace

TEST_F(MainWindowTest, TheExportViewsRendererEndsWithEachPDFAndTheNextPDFStillWorks)
{
    QorvCSMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTemporaryDir folder;
    QorvCSWebEngineView* exportView = window.contentPrintView();
    for (const char* name : { "first.pdf", "second.pdf" }) {
        SCOPED_TRACE(name);
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::optional<std::string> failure;
        qint64 renderer = 0;
        window.applicationController().printToPDF(
            path.toStdString(), [&](bool ok, const std::string& reason) { failure = ok ? std::string() : reason; });
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                if (const qint64 pid = exportView->page()->renderProcessPid())
                    renderer = pid;
                return failure.has_value();
            },
            120000));
        EXPECT_EQ(*failure, "");
        EXPECT_GT(QFileInfo(path).size(), 0);
        ASSERT_GT(renderer, 0);
        EXPECT_NE(renderer, window.contentWebView()->page()->renderProcessPid());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !QFileInfo::exists(QStringLiteral("/proc/%1/status").arg(renderer)); }, 20000))
            << "the export view's renderer is still running";
        EXPECT_EQ(exportView->page()->renderProcessPid(), 0);
    }
}

TEST_F(MainWindowTest, AChoiceIsSavedShortlyAfterItIsMadeWithoutClosingTheWindow)
{
    QorvCSMainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto& controller = window.applicationController();
    auto root = QorvCSContent::rootContent();
    auto battery = QorvCSContent::contentWithUniqueID("battery-4711", "Battery");
    root->setChildren(std::make_shared<QorvCSContent::Children>(QorvCSContent::Children { battery }));
    controller.contentController()->setRoot(root);
    root->postDidChangeNotification();
    QTest::qWait(100);
    const auto saved = [&](const char* key) {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        return settings.value(QString::fromLatin1(key)).toString();
    };

    // The sidebar's checkbox, as the tree announces it.
    battery->setInclude(false);
    root->postDidChangeNotification();
    EXPECT_TRUE(QTest::qWaitFor([&] { return saved("sidebar/unticked") == QStringLiteral("battery-4711"); }, 10000))
        << "the unticked section is saved while the window is open";
    EXPECT_FALSE(window.hasUnsavedSettings());

    // A folder saved into, through the save panel.
    ChosenPath panel;
    QTemporaryDir folder;
    panel.path = folder.filePath(QStringLiteral("debug.plist")).toStdString();
    controller.setSavePanel(&panel);
    controller.exportForDebug();
    EXPECT_TRUE(QTest::qWaitFor([&] { return saved("export/folder") == folder.path(); }, 10000));
    controller.setSavePanel(nullptr);
}
