#include "QorvCSCommandLine.h"
#include "QorvCSResourceDirectories.h"
#include "ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::optional<QorvCSCommandLine> parse(std::vector<std::string> arguments, std::string* error = nullptr)
{
    std::string message;
    auto result = QorvCSCommandLine::parse(arguments, message);
    if (error)
        *error = message;
    return result;
}

} // namespace

TEST(QorvCSCommandLine, ValuesInBothForms)
{
    auto line = parse({ "--html", "-", "--export-html=export.html", "--pdf", "report.pdf", "--debug-plist=tree.plist",
        "--inventory-timeout", "2.5", "--history-days=30" });
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->isBatch());
    EXPECT_EQ(line->html, "-");
    EXPECT_EQ(line->exportHTML, "export.html");
    EXPECT_EQ(line->pdf, "report.pdf");
    EXPECT_EQ(line->debugPlist, "tree.plist");
    EXPECT_EQ(line->inventoryTimeout, 2.5);
    EXPECT_EQ(line->historyDays, 30);
    EXPECT_EQ(parse({})->historyDays, std::nullopt);
    EXPECT_FALSE(parse({})->isBatch());

    // Only the first "=" splits; the rest belongs to the value.
    line = parse({ "--html=a=b.html" });
    ASSERT_TRUE(line);
    EXPECT_EQ(line->html, "a=b.html");

    for (const char* option : { "--pdf", "--debug-plist", "--export-html", "--json" }) {
        line = parse({ option, "x" });
        ASSERT_TRUE(line) << option;
        EXPECT_TRUE(line->isBatch()) << option;
    }
}

TEST(QorvCSCommandLine, ResourcesKeepTheirOrder)
{
    auto line = parse({ "--resources", "first", "--resources=second", "--html", "-", "--resources", "third" });
    ASSERT_TRUE(line);
    EXPECT_EQ(line->resourceDirectories, (std::vector<std::string> { "first", "second", "third" }));
    EXPECT_FALSE(parse({ "--resources" }));
}

TEST(QorvCSCommandLine, HelpVersionAndToolkitArguments)
{
    auto line = parse({ "--help" });
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->help);
    line = parse({ "-h", "--version" });
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->help);
    EXPECT_TRUE(line->version);
    line = parse({ "-platform", "offscreen", "-style=fusion" });
    EXPECT_FALSE(line) << "-style=fusion is not one of ours";
    line = parse({ "-platform", "offscreen", "-style", "fusion" });
    ASSERT_TRUE(line);
    EXPECT_EQ(line->toolkitArguments, (std::vector<std::string> { "-platform", "offscreen", "-style", "fusion" }));
    EXPECT_NE(QorvCSCommandLine::usage().find("--inventory-timeout"), std::string::npos);
    EXPECT_NE(QorvCSCommandLine::usage().find("--history-days N"), std::string::npos);
}

TEST(QorvCSCommandLine, UsageErrors)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        { { "--html" }, "option --html needs a value" },
        { { "--html=" }, "option --html needs a value" },
        { { "--inventory-timeout" }, "option --inventory-timeout needs a value" },
        { { "--bogus" }, "unknown option --bogus (see --help)" },
        { { "--bogus=1" }, "unknown option --bogus (see --help)" },
        { { "report.html" }, "unknown option report.html (see --help)" },
        { { "--html", "a.html", "--html", "b.html" }, "option --html given twice" },
        { { "--pdf", "-" }, "--pdf needs a file name" },
        { { "--html", "-", "--debug-plist", "-" }, "only one output may go to standard output (-)" },
        { { "--export-html=-", "--html=-" }, "only one output may go to standard output (-)" },
        { { "--json", "-", "--html=-" }, "only one output may go to standard output (-)" },
        { { "--json", "a.json", "--json=b.json" }, "option --json given twice" },
        { { "--inventory-timeout", "-1" },
            "--inventory-timeout takes a number of seconds from 0 to 86400, not \"-1\"" },
        { { "--inventory-timeout=1e9" }, "--inventory-timeout takes a number of seconds from 0 to 86400, not \"1e9\"" },
        { { "--inventory-timeout", "nan" },
            "--inventory-timeout takes a number of seconds from 0 to 86400, not \"nan\"" },
        { { "--inventory-timeout", "inf" },
            "--inventory-timeout takes a number of seconds from 0 to 86400, not \"inf\"" },
        { { "--history-days", "0" }, "--history-days takes a whole number of days from 1 to 36500, not \"0\"" },
        { { "--history-days=7.5" }, "--history-days takes a whole number of days from 1 to 36500, not \"7.5\"" },
        { { "--history-days", "99999999999999999999" },
            "--history-days takes a whole number of days from 1 to 36500, not \"99999999999999999999\"" },
        { { "--history-days" }, "option --history-days needs a value" },
        { { "--inventory-timeout", "5s" },
            "--inventory-timeout takes a number of seconds from 0 to 86400, not \"5s\"" },
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(parse(c.arguments, &error)) << c.message;
        EXPECT_EQ(error, c.message);
    }
    auto line = parse({ "--inventory-timeout", "0", "--html", "-", "--export-html", "e.html" });
    ASSERT_TRUE(line) << "one standard output and a file are fine";
    EXPECT_EQ(line->inventoryTimeout, 0);
}

TEST(QorvCSResourceDirectories, OverlaysFirstThenTheApplicationsOwn)
{
    const fs::path base = fs::temp_directory_path() / ("cellsheet-resdirs-" + std::to_string(::getpid()));
    fs::create_directories(base / "bin");
    fs::create_directories(base / "share" / "cellsheet");
    const std::string executable = (base / "bin" / "cellsheet").string();
    const std::vector<std::string> overlays { "/tmp/b", "/tmp/a" };

    {
        ScopedEnvironment env("CELLSHEET_RESOURCE_DIR", "/opt/override");
        EXPECT_EQ(QorvCSResourceDirectories(overlays, executable, "/build/resources"),
            (std::vector<std::string> { "/tmp/b", "/tmp/a", "/opt/override" }));
    }
    {
        ScopedEnvironment env("CELLSHEET_RESOURCE_DIR", "");
        EXPECT_EQ(QorvCSResourceDirectories(overlays, executable, "/build/resources"),
            (std::vector<std::string> { "/tmp/b", "/tmp/a", "/build/resources" }))
            << "an empty variable counts as unset; an install needs its Info.plist";

        std::ofstream(base / "share" / "cellsheet" / "Info.plist") << "<plist/>";
        EXPECT_EQ(QorvCSResourceDirectories({}, executable, "/build/resources"),
            (std::vector<std::string> { (base / "share" / "cellsheet").string() }));
        EXPECT_EQ(
            QorvCSResourceDirectories({}, "", "/build/resources"), (std::vector<std::string> { "/build/resources" }));
    }
    std::error_code ec;
    fs::remove_all(base, ec);
}
