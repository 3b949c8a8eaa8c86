#include "foundation/AtomicFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace qorv;
namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "atomic-file-XXXXXX").string();
        dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string contents(const std::string& p)
    {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static mode_t mode(const std::string& p)
    {
        struct stat st { };
        ::lstat(p.c_str(), &st);
        return st.st_mode;
    }
    size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }

    fs::path dir;
};

} // namespace

TEST_F(AtomicFileTest, RegularFilesAreReplacedKeepingTheirMode)
{
    const std::string secret = path("secret.html");
    std::ofstream(secret) << "old";
    ::chmod(secret.c_str(), 0600);
    EXPECT_EQ(writeFileAtomically(secret, "new"), "");
    EXPECT_EQ(contents(secret), "new");
    EXPECT_EQ(mode(secret) & 07777, 0600u);

    const std::string target = path("target.html");
    std::ofstream(target) << "old";
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("target.html", path("link.html"));
    fs::create_symlink("created.html", path("dangling.html"));
    EXPECT_EQ(writeFileAtomically(path("link.html"), "through"), "");
    EXPECT_EQ(writeFileAtomically(path("dangling.html"), "made"), "");
    EXPECT_TRUE(S_ISLNK(mode(path("link.html")))) << "the link stays a link";
    EXPECT_EQ(contents(target), "through");
    EXPECT_EQ(mode(target) & 07777, 0640u);
    EXPECT_EQ(contents(path("created.html")), "made");
    EXPECT_EQ(entries(), 5u) << "no temporary file is left";
}

TEST_F(AtomicFileTest, TheTemporaryNameCannotBePlanted)
{
    // Another user who can write the folder links the name a temporary file used to have to a file of ours.
    const std::string victim = path("victim");
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, path("out.html.part-" + std::to_string(::getpid())));
    EXPECT_EQ(writeFileAtomically(path("out.html"), "report"), "");
    EXPECT_EQ(contents(victim), "precious");
    EXPECT_EQ(contents(path("out.html")), "report");
}

TEST_F(AtomicFileTest, OtherFilesAreWrittenInPlace)
{
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reader is there first, so the write neither waits nor, if the FIFO were replaced, hangs the test.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(writeFileAtomically(fifo, "to the reader"), "");
    char received[64] = {};
    EXPECT_EQ(::read(reader, received, sizeof received - 1), 13);
    EXPECT_STREQ(received, "to the reader");
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(mode(fifo)));

    // A device like the system's null device, made here so that the real one is never at stake.
    const std::string device = path("null");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_EQ(writeFileAtomically(device, "discarded"), "");
        EXPECT_TRUE(S_ISCHR(mode(device)));
    }
    EXPECT_EQ(writeFileAtomically(dir.string(), "x"), "Is a directory");
    EXPECT_EQ(writeFileAtomically(path("missing/out.html"), "x"), "No such file or directory");
}
