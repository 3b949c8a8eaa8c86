#include "foundation/Bundle.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>

using namespace qorv;

namespace {

const std::string base = std::string(CELLSHEET_TEST_DATA) + "/foundation/bundle/base";
const std::string overlay = std::string(CELLSHEET_TEST_DATA) + "/foundation/bundle/overlay";
const std::string broken = std::string(CELLSHEET_TEST_DATA) + "/foundation/bundle/broken";

Bundle bundleWith(std::vector<std::string> directories, std::vector<std::string> languages)
{
    Bundle bundle(std::move(directories));
    bundle.setLanguages(std::move(languages));
    return bundle;
}

// preferredLanguages() under the given LANGUAGE, LC_ALL, LC_MESSAGES and LANG (null: unset); restores them after.
std::vector<std::string> languagesFor(std::array<const char*, 4> values)
{
    const char* names[] = { "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG" };
    std::vector<std::optional<std::string>> saved;
    for (size_t i = 0; i < 4; ++i) {
        const char* old = std::getenv(names[i]);
        saved.push_back(old ? std::optional<std::string>(old) : std::nullopt);
        values[i] ? ::setenv(names[i], values[i], 1) : ::unsetenv(names[i]);
    }
    auto languages = Bundle::preferredLanguages();
    for (size_t i = 0; i < 4; ++i)
        saved[i] ? ::setenv(names[i], saved[i]->c_str(), 1) : ::unsetenv(names[i]);
    return languages;
}

} // namespace

TEST(Bundle, FileComesFromTheFirstDirectoryThatHasIt)
{
    const Bundle bundle({ overlay, base });
    EXPECT_EQ(bundle.pathForResource("Shared", "txt"), overlay + "/Shared.txt");
    EXPECT_EQ(bundle.pathForResource("BaseOnly", "txt"), base + "/BaseOnly.txt");
    EXPECT_EQ(bundle.pathForResource("Missing", "txt"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("Rules", ""), std::nullopt) << "a folder is not a file resource";
    EXPECT_EQ(Bundle({ base, overlay }).pathForResource("Shared", "txt"), base + "/Shared.txt");
    EXPECT_EQ(Bundle().pathForResource("Shared", "txt"), std::nullopt);
}

TEST(Bundle, FolderIsTakenWholeFromTheFirstDirectoryThatHasIt)
{
    EXPECT_EQ(Bundle({ overlay, base }).pathsForResources("plist", "Rules"),
        std::vector<std::string> { overlay + "/Rules/x.plist" });
    auto fromBase = Bundle({ "/nonexistent", base, overlay }).pathsForResources("plist", "Rules");
    std::sort(fromBase.begin(), fromBase.end());
    EXPECT_EQ(fromBase, (std::vector<std::string> { base + "/Rules/a.plist", base + "/Rules/b.plist" }));
    EXPECT_TRUE(Bundle({ base }).pathsForResources("plist", "NoSuchFolder").empty());
}

TEST(Bundle, InfoDictionary)
{
    const Bundle bundle({ overlay, base });
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleVersion")->stringOr(""), "42");
    EXPECT_EQ(
        bundle.objectForInfoDictionaryKey("QorvCSSystemProfilerControllerExecutable")->at(1)->stringOr(""), "--xml");
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("Missing"), nullptr);

    LogCapture capture;
    const Bundle wrongRoot({ broken, base });
    EXPECT_EQ(wrongRoot.infoDictionary(), Value(Value::Dictionary {}));
    EXPECT_EQ(capture.lines(),
        std::vector<std::string> {
            "ignoring malformed " + broken + "/Info.plist: root is an array, not a dictionary" });
    EXPECT_EQ(Bundle({ overlay }).infoDictionary(), Value(Value::Dictionary {}));
}

TEST(Bundle, LocalisationFallsBackThroughThePreferredLanguages)
{
    const Bundle german = bundleWith({ overlay, base }, { "de_AT", "de", "en" });
    // The overlay's German table replaces the base's whole: its missing keys come from English.
    EXPECT_EQ(german.localizedString("QorvCSContentComputerGroup.label"), "Rechner");
    EXPECT_EQ(german.localizedString("QorvCSPowerSource.Name"), "Name");
    EXPECT_EQ(german.localizedString("OnlyBaseGerman"), "OnlyBaseGerman");
    EXPECT_EQ(german.localizedString("OnlyBaseGerman", "fallback"), "fallback");

    const Bundle baseOnly = bundleWith({ base }, { "de", "en" });
    EXPECT_EQ(baseOnly.localizedString("QorvCSPowerSource.Name"), "Name (Basis)");
    EXPECT_EQ(baseOnly.localizedString("OnlyEnglish"), "English only");
    EXPECT_EQ(baseOnly.localizedString("QorvCSPowerSource.Name", "", "Other"), "Name in another table");
    EXPECT_EQ(baseOnly.localizedString("QorvCSPowerSource.Name", "", "NoSuchTable"), "QorvCSPowerSource.Name");
    EXPECT_EQ(bundleWith({ base }, { "ja" }).localizedString("OnlyEnglish"), "OnlyEnglish");
}

TEST(Bundle, TextsFollowTheLanguagesAndDirectoriesAsTheyChange)
{
    // Translations remembered with a generation are looked up again whenever it changes.
    Bundle bundle = bundleWith({ base }, { "de", "en" });
    EXPECT_EQ(bundle.localizedString("QorvCSContentComputerGroup.label"), "Computer");
    const Bundle copy = bundle;
    const uint64_t first = bundle.textsGeneration();
    EXPECT_NE(copy.textsGeneration(), first);
    bundle.setResourceDirectories({ overlay, base });
    EXPECT_EQ(bundle.localizedString("QorvCSContentComputerGroup.label"), "Rechner");
    const uint64_t second = bundle.textsGeneration();
    EXPECT_NE(second, first);
    bundle.setLanguages({ "en" });
    EXPECT_EQ(bundle.localizedString("QorvCSContentComputerGroup.label"), "Computer");
    EXPECT_NE(bundle.textsGeneration(), second);
    EXPECT_EQ(copy.localizedString("QorvCSPowerSource.Name"), "Name (Basis)");
}

TEST(Bundle, MalformedTableIsLoggedAndIgnored)
{
    LogCapture capture;
    const Bundle french = bundleWith({ base }, { "fr", "en" });
    EXPECT_EQ(french.localizedString("QorvCSContentComputerGroup.label"), "Computer");
    EXPECT_EQ(french.localizedString("OnlyEnglish"), "English only");
    EXPECT_EQ(capture.lines(),
        std::vector<std::string> { "ignoring malformed localisation table " + base
            + "/fr.lproj/Localizable.strings: line 3: expected ';' after value" });
    french.localizedString("OnlyEnglish");
    EXPECT_EQ(capture.lines().size(), 1u) << "a table is read once";
}

TEST(Bundle, StringsSyntax)
{
    const Bundle bundle = bundleWith({ base }, { "en" });
    EXPECT_EQ(bundle.localizedString("Escapes"), "tab\there \"quoted\" back\\slash\nnew line é☃");
    EXPECT_EQ(bundle.localizedString("Emoji"), "😀!");
    EXPECT_EQ(bundle.localizedString("Lone"), "\xEF\xBF\xBDx");
    EXPECT_EQ(bundle.localizedString("Shorthand"), "Shorthand");
    EXPECT_EQ(bundle.localizedString("Multi\nline"), "kept");

    struct Case {
        const char* text;
        const char* error;
    };
    const Case errors[] = {
        { "\"a\" = \"b\"", "line 1: expected ';' after value" },
        { "\"a\" \"b\";", "line 1: expected '=' after key" },
        { "\n\"a\" = b;", "line 2: expected a quoted string" },
        { "\"a\" = \"b", "line 1: unterminated string" },
        { "\"a\" = \"b\\", "line 1: unterminated string" },
        { "/* open\n\n", "line 1: unterminated comment" },
        { "\"a\" = \"\\U12\";", "line 1: malformed \\U escape" },
        { "key = \"value\";", "line 1: expected a quoted string" },
    };
    for (const auto& c : errors) {
        std::string error;
        EXPECT_EQ(parseStringsFile(c.text, error), std::nullopt) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::string error;
    EXPECT_EQ(parseStringsFile("\xEF\xBB\xBF// only a comment\n", error)->size(), 0u);

    // Control characters, written as escapes or as bytes, never reach what the table gives out.
    const auto hostile = parseStringsFile("\"k\\U0000\" = \"\\U001B[2J\x07\xFF\";", error);
    ASSERT_TRUE(hostile) << error;
    EXPECT_EQ(hostile->begin()->first, "k\uFFFD");
    EXPECT_EQ(hostile->begin()->second, "\uFFFD[2J\uFFFD\uFFFD");
    const auto shorthand = parseStringsFile("\"k\\U001B\xC3\";", error);
    ASSERT_TRUE(shorthand) << error;
    EXPECT_EQ(shorthand->begin()->second, "k\uFFFD\uFFFD");
}

TEST(Bundle, PreferredLanguagesFromTheEnvironment)
{
    EXPECT_EQ(languagesFor({ "pt_BR:de", nullptr, nullptr, "fr_FR.UTF-8" }),
        (std::vector<std::string> { "pt_BR", "pt", "de", "fr_FR", "fr", "en" }));
    EXPECT_EQ(
        languagesFor({ "", "de_AT.UTF-8@euro", "it_IT", "fr_FR" }), (std::vector<std::string> { "de_AT", "de", "en" }));
    EXPECT_EQ(languagesFor({ nullptr, nullptr, nullptr, "C.UTF-8" }), std::vector<std::string> { "en" });
}
