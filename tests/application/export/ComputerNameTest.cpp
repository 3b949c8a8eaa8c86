#include "QorvCSComputerName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path scratch(const std::string& name)
{
    fs::path p = fs::temp_directory_path() / ("cellsheet-name-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

TEST(ComputerName, ReadsThePrettyHostnameWithShellQuoting)
{
    const fs::path dir = scratch("info");
    struct Case {
        const char* line;
        const char* expected;
    } cases[] = {
        { "PRETTY_HOSTNAME=\"Ada's \\\"Laptop\\\"\"", "Ada's \"Laptop\"" },
        { "PRETTY_HOSTNAME='Studio'", "Studio" },
        { "PRETTY_HOSTNAME=bare", "bare" },
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "machine-info") << "CHASSIS=laptop\n" << c.line << "\n";
        EXPECT_EQ(QorvCSComputerName((dir / "machine-info").string()), c.expected);
    }
    fs::remove_all(dir);
}

TEST(ComputerName, FallsBackToTheHostName)
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(QorvCSComputerName("/nonexistent/machine-info"), host);
}

TEST(PrivateTemporaryDirectory, IsCreatedForTheOwnerOnly)
{
    const fs::path base = scratch("private");
    std::string error;
    auto dir = QorvCSPrivateTemporaryDirectory(error, base.string());
    ASSERT_TRUE(dir) << error;
    struct stat st { };
    ASSERT_EQ(::stat(dir->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());

    // A loosened folder of our own is tightened again.
    ::chmod(dir->c_str(), 0777);
    ASSERT_TRUE(QorvCSPrivateTemporaryDirectory(error, base.string()));
    ::stat(dir->c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    fs::remove_all(base);
}

TEST(PrivateTemporaryDirectory, RefusesALinkPlantedInItsPlace)
{
    const fs::path base = scratch("planted");
    fs::create_directories(base / "elsewhere");
    fs::create_directory_symlink(base / "elsewhere", base / "cellsheet");
    std::string error;
    EXPECT_FALSE(QorvCSPrivateTemporaryDirectory(error, base.string()));
    EXPECT_NE(error.find("not a directory owned by this user"), std::string::npos);
    fs::remove_all(base);
}

} // namespace
