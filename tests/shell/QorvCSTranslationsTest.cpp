// The window under a German locale: every text it shows comes from a translation.
#include "QorvCSTranslations.h"
#include "QorvCSMainWindow.h"

#include "foundation/Bundle.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QTranslator>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

namespace {

// What the window shows in words: menus and their commands, tool tips, buttons, labels, placeholders.
std::set<QString> shownTexts(QMainWindow& window)
{
    std::set<QString> texts;
    auto add = [&](const QString& text) {
        if (!text.trimmed().isEmpty())
            texts.insert(text);
    };
    std::function<void(const QList<QAction*>&)> addActions = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            add(action->text());
            add(action->toolTip() == action->text() ? QString() : action->toolTip());
            if (QMenu* menu = action->menu())
                addActions(menu->actions());
        }
    };
    addActions(window.menuBar()->actions());
    for (auto* bar : window.findChildren<QToolBar*>()) {
        add(bar->windowTitle());
        addActions(bar->actions());
    }
    for (auto* field : window.findChildren<QLineEdit*>())
        add(field->placeholderText());
    for (auto* label : window.findChildren<QLabel*>())
        add(label->text());
    for (auto* button : window.findChildren<QAbstractButton*>())
        add(button->text());
    return texts;
}

class GermanWindow : public ::testing::Test {
protected:
    void SetUp() override { qorv::Bundle::main().setResourceDirectories({ CELLSHEET_BUILD_RESOURCES }); }
    void TearDown() override
    {
        for (auto* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QLocale::setDefault(QLocale::c());
        qorv::Bundle::main().setLanguages({ "en" });
    }
};

} // namespace

TEST_F(GermanWindow, ShowsNoEnglishTextOfItsOwn)
{
    qorv::Bundle::main().setLanguages({ "en" });
    QorvCSMainWindow english;
    const auto englishTexts = shownTexts(english);
    ASSERT_TRUE(englishTexts.count(QStringLiteral("Save as &PDF…")));

    // The language as a German desktop session names it; this machine need not have the glibc locale.
    const std::vector<std::pair<const char*, const char*>> session { { "LANG", "de_DE.UTF-8" },
        { "LANGUAGE", "de_DE:de" }, { "LC_ALL", nullptr }, { "LC_MESSAGES", nullptr } };
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const auto& [name, value] : session) {
        const char* was = std::getenv(name);
        saved.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    const auto languages = qorv::Bundle::preferredLanguages();
    for (const auto& [name, value] : saved)
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);

    ASSERT_EQ(QorvCSTranslations::install(*qApp, languages), QStringLiteral("de"));
    qorv::Bundle::main().setLanguages(languages);
    QorvCSMainWindow german;
    const auto germanTexts = shownTexts(german);
    EXPECT_TRUE(germanTexts.count(QStringLiteral("Als &PDF speichern …")));
    EXPECT_TRUE(germanTexts.count(QStringLiteral("Bericht durchsuchen")));
    // Names and codes that German writes alike.
    const std::set<QString> same { QStringLiteral("PDF"), QCoreApplication::applicationName() };
    for (const auto& text : germanTexts)
        EXPECT_TRUE(!englishTexts.count(text) || same.count(text)) << "left in English: " << text.toStdString();
    // Qt's own dialogs speak German too, where Qt's translations are installed.
    EXPECT_EQ(QLocale().language(), QLocale::German);
}

TEST_F(GermanWindow, EnglishOrAnUnknownLanguageInstallsNothing)
{
    EXPECT_EQ(QorvCSTranslations::install(*qApp, { "en_GB", "de", "en" }), QString());
    EXPECT_EQ(QorvCSTranslations::install(*qApp, { "xx_YY", "xx", "en" }), QString());
    EXPECT_TRUE(qApp->findChildren<QTranslator*>().isEmpty());
    EXPECT_FALSE(QorvCSTranslations::pathForLanguage("de").isEmpty());
}
