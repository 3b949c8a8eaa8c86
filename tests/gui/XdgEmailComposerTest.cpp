#include "QorvCSXdgEmailComposer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class PathGuard {
public:
    explicit PathGuard(const std::string& path)
        : m_old(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathGuard() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

fs::path scratch()
{
    fs::path p = fs::temp_directory_path() / ("cellsheet-xdg-" + std::to_string(::getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

TEST(XdgEmailComposer, HandsSubjectBodyAndAttachmentToXdgEmail)
{
    const fs::path dir = scratch();
    const fs::path record = dir / "arguments";
    {
        std::ofstream script(dir / "xdg-email");
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << record.string() << ".tmp'\nmv '"
               << record.string() << ".tmp' '" << record.string() << "'\n";
    }
    fs::permissions(dir / "xdg-email", fs::perms::owner_all);
    PathGuard path(dir.string() + ":/usr/bin:/bin");

    QorvCSXdgEmailComposer composer;
    ASSERT_TRUE(composer.isAvailable());
    ASSERT_TRUE(
        composer.composeMessage("Power report for Ada", "The report is attached.", "/run/user/1/cellsheet/r.pdf"));
    QDeadlineTimer deadline(10000);
    while (!fs::exists(record) && !deadline.hasExpired())
        QThread::msleep(20);
    std::ifstream in(record);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
        "--utf8\n--subject\nPower report for Ada\n--body\nThe report is attached.\n--attach\n"
        "/run/user/1/cellsheet/r.pdf\n");
    fs::remove_all(dir);
}

TEST(XdgEmailComposer, WithoutXdgEmailThereIsNoMailProgram)
{
    const fs::path dir = scratch();
    PathGuard path(dir.string());
    QorvCSXdgEmailComposer composer;
    EXPECT_FALSE(composer.isAvailable());
    EXPECT_FALSE(composer.composeMessage("s", "b", "/tmp/x.pdf"));
    fs::remove_all(dir);
}

} // namespace
