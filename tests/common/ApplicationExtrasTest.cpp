#include "QorvApplicationExtras.h"
#include "QorvApplicationUpdater.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/PropertyList.h"

#include "ScopedEnvironment.h"
#include "UrlCatcher.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A menu bar whose first menu has the given items ("-" is a separator).
std::unique_ptr<QMenuBar> menuBarWith(const std::vector<std::string>& titles)
{
    auto bar = std::make_unique<QMenuBar>();
    QMenu* menu = bar->addMenu(QStringLiteral("cellsheet"));
    for (const auto& title : titles) {
        if (title == "-")
            menu->addSeparator();
        else
            menu->addAction(QString::fromStdString(title));
    }
    bar->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Export"));
    return bar;
}

std::vector<std::string> titles(QMenu* menu)
{
    std::vector<std::string> result;
    for (QAction* action : menu->actions())
        result.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    return result;
}

QMenu* applicationMenu(QMenuBar& bar)
{
    return bar.actions().first()->menu();
}

std::string assertionFor(QMenuBar* bar)
{
    try {
        QorvApplicationExtras::applicationExtras(bar);
    } catch (const qorv::AssertionFailure& e) {
        return e.what();
    }
    return "no assertion";
}

class ApplicationExtras : public ::testing::Test {
protected:
    // A build ships without addresses; the tests give both through an overlay, as a deployment would.
    void SetUp() override { useAddresses("http://127.0.0.1:8765/feedback", "https://cellsheet.example/download"); }
    void TearDown() override { qorv::Bundle::main().setResourceDirectories(m_saved); }

    void useAddresses(const std::string& feedback, const std::string& updater)
    {
        ASSERT_TRUE(m_overlay.isValid());
        const std::string dir = m_overlay.path().toStdString();
        const qorv::Value::Dictionary info {
            { "QorvFeedbackControllerURL", feedback },
            { "QorvApplicationUpdaterDownloadURL", updater },
        };
        ASSERT_EQ(qorv::PropertyList::writeXMLFile(dir + "/Info.plist", qorv::Value(info)), "");
        std::vector<std::string> directories { dir };
        directories.insert(directories.end(), m_saved.begin(), m_saved.end());
        qorv::Bundle::main().setResourceDirectories(directories);
    }

    std::vector<std::string> m_saved = qorv::Bundle::main().resourceDirectories();
    QTemporaryDir m_overlay;
};

} // namespace

TEST_F(ApplicationExtras, ShippedItemsGoAboveTheFirstSeparator)
{
    auto bar = menuBarWith({ "About cellsheet", "-", "Quit", "-", "Hide" });
    auto extras = QorvApplicationExtras::applicationExtras(bar.get());

    QMenu* menu = applicationMenu(*bar);
    EXPECT_EQ(titles(menu),
        (std::vector<std::string> {
            "About cellsheet", "Send Feedback…", "Check for Updates…", "-", "Quit", "-", "Hide" }));
    EXPECT_TRUE(extras->extraMenuItems()->actions().isEmpty());
    for (int i : { 1, 2 })
        EXPECT_EQ(menu->actions().at(i)->parent(), menu);
    EXPECT_EQ(titles(bar->actions().at(1)->menu()), std::vector<std::string> { "Export" });
    EXPECT_EQ(menu->actions().at(1)->property("responderAction").toString(), QStringLiteral("feedback"));
    EXPECT_NE(qobject_cast<QorvApplicationUpdater*>(extras->updater()), nullptr);

    try {
        extras->loadNib();
        ADD_FAILURE() << "second load accepted";
    } catch (const qorv::AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "QorvApplicationExtras attempting to reload nib.");
    }
}

TEST_F(ApplicationExtras, ItemsFollowAboutIntoWhicheverMenuHoldsIt)
{
    auto bar = menuBarWith({ "Save", "-", "Quit" });
    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("About cellsheet"))->setMenuRole(QAction::AboutRole);
    help->addSeparator();
    auto extras = QorvApplicationExtras::applicationExtras(bar.get());
    EXPECT_EQ(
        titles(help), (std::vector<std::string> { "About cellsheet", "Send Feedback…", "Check for Updates…", "-" }));
    EXPECT_EQ(titles(applicationMenu(*bar)), (std::vector<std::string> { "Save", "-", "Quit" }));

    // Its refusal is the same there.
    auto noSeparator = menuBarWith({ "Save", "-", "Quit" });
    noSeparator->addMenu(QStringLiteral("Help"))->addAction(QStringLiteral("About"))->setMenuRole(QAction::AboutRole);
    EXPECT_EQ(assertionFor(noSeparator.get()), "QorvApplicationExtras did not find application menu item separator.");
}

TEST_F(ApplicationExtras, CheckForUpdatesOpensTheDownloadPage)
{
    auto bar = menuBarWith({ "-" });
    auto extras = QorvApplicationExtras::applicationExtras(bar.get());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "openUrl");
    applicationMenu(*bar)->actions().at(1)->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.urls.size(), 1);
    const qorv::Value* expected = qorv::Bundle::main().objectForInfoDictionaryKey("QorvApplicationUpdaterDownloadURL");
    ASSERT_TRUE(expected && expected->asString());
    EXPECT_EQ(catcher.urls.first().toString().toStdString(), *expected->asString());
}

TEST_F(ApplicationExtras, CheckForUpdatesWithoutABrowserGivesTheAddress)
{
    ScopedEnvironment noPrograms("PATH", "");
    auto bar = menuBarWith({ "-" });
    auto extras = QorvApplicationExtras::applicationExtras(bar.get());
    applicationMenu(*bar)->actions().at(1)->trigger();
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QStringLiteral("noBrowser"))
            box = qobject_cast<QMessageBox*>(widget);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("No web browser could be opened."));
    EXPECT_EQ(
        box->informativeText(), QStringLiteral("New versions of cellsheet are at https://cellsheet.example/download."));
    delete box;
}

TEST_F(ApplicationExtras, ACommandWithoutItsAddressIsLeftOut)
{
    struct Case {
        std::string feedback, updater;
        std::vector<std::string> menu;
    };
    const Case cases[] = {
        { "", "", { "X", "-", "Y" } },
        { "http://127.0.0.1:1/feedback", "", { "X", "Send Feedback…", "-", "Y" } },
        { "", "https://cellsheet.example/download", { "X", "Check for Updates…", "-", "Y" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.feedback + " " + c.updater);
        useAddresses(c.feedback, c.updater);
        auto bar = menuBarWith({ "X", "-", "Y" });
        auto extras = QorvApplicationExtras::applicationExtras(bar.get());
        EXPECT_EQ(titles(applicationMenu(*bar)), c.menu);
        EXPECT_TRUE(extras->extraMenuItems()->actions().isEmpty());
    }
}

TEST_F(ApplicationExtras, AMenuWithoutSeparatorIsRefused)
{
    auto bar = menuBarWith({ "About", "Quit" });
    EXPECT_EQ(assertionFor(bar.get()), "QorvApplicationExtras did not find application menu item separator.");
    EXPECT_EQ(titles(applicationMenu(*bar)), (std::vector<std::string> { "About", "Quit" }));
    EXPECT_EQ(assertionFor(nullptr), "QorvApplicationExtras did not find application menu item separator.");
}

TEST_F(ApplicationExtras, BrokenInterfaceFilesAreRefused)
{
    struct Case {
        const char* folder;
        const char* message;
    };
    const Case cases[] = {
        { "extras-missing", "QorvApplicationExtras nib is missing or malformed." },
        { "extras-malformed", "QorvApplicationExtras nib is missing or malformed." },
        { "extras-no-updater", "QorvApplicationExtras nib updater is not connected." },
        { "extras-no-menu", "QorvApplicationExtras nib extraMenuItems is not connected." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        qorv::Bundle::main().setResourceDirectories({ std::string(CELLSHEET_TEST_DATA) + "/" + c.folder });
        auto bar = menuBarWith({ "X", "-", "Y" });
        EXPECT_EQ(assertionFor(bar.get()), c.message);
        EXPECT_EQ(titles(applicationMenu(*bar)), (std::vector<std::string> { "X", "-", "Y" }));
    }
}
