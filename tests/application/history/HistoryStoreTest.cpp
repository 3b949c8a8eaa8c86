#include "HistoryTestSupport.h"
#include "QorvCSHistoryStore.h"
#include "QorvCSSQLiteDatabase.h"
#include "ScopedEnvironment.h"

#include "foundation/Log.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int64_t hour = 3600, day = 24 * hour;
constexpr int64_t now = 1'800'000'000; // a multiple of 3600

QorvCSHistoryStore::Batch samplesEvery(const std::string& source, int64_t from, int64_t to, int64_t step)
{
    QorvCSHistoryStore::Batch batch;
    for (int64_t t = from; t < to; t += step)
        batch.samples.push_back({ source, { t, 50.0, 7.5, QorvCSHistoryState::Discharging } });
    return batch;
}

size_t countBetween(const QorvCSHistoryStore& store, const std::string& source, int64_t from, int64_t to)
{
    return store.samples(source, from, to).size();
}

mode_t modeOf(const std::string& path)
{
    struct stat st { };
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

} // namespace

TEST(HistoryStore, KeepsSamplesAndCapacitiesPerSourceInTimeOrder)
{
    TemporaryFolder folder;
    const std::string path = folder.path() + "/state/cellsheet/history.sqlite";
    {
        QorvCSHistoryStore store(path, QorvCSHistoryStore::Mode::ReadWrite);
        ASSERT_TRUE(store.isOpen());
        QorvCSHistoryStore::Batch batch;
        batch.samples.push_back({ "a", { 20, 40.0, std::nullopt, QorvCSHistoryState::Charging } });
        batch.samples.push_back({ "a", { 10, 39.0, 12.5, QorvCSHistoryState::Charging } });
        batch.samples.push_back({ "b", { 15, 90.0, 0.0, QorvCSHistoryState::Charged } });
        batch.capacities.push_back({ "a", { 10, 4500.0, 5000.0, 62 } });
        batch.capacities.push_back({ "b", { 10, std::nullopt, 3000.0, std::nullopt } });
        EXPECT_TRUE(store.write(batch));
    }
    QorvCSHistoryStore reopened(path, QorvCSHistoryStore::Mode::ReadOnly);
    const std::vector<QorvCSHistorySample> a { { 10, 39.0, 12.5, QorvCSHistoryState::Charging },
        { 20, 40.0, std::nullopt, QorvCSHistoryState::Charging } };
    EXPECT_EQ(reopened.samples("a", 0, 100), a);
    EXPECT_EQ(reopened.samples("a", 11, 100).size(), 1u);
    EXPECT_EQ(reopened.capacities("b"), (std::vector<QorvCSHistoryCapacity> { { 10, std::nullopt, 3000.0, {} } }));
    EXPECT_EQ(reopened.lastCapacityTime("a"), 10);
    EXPECT_EQ(reopened.lastCapacityTime("c"), std::nullopt);

    // Private to its user, in the write-ahead mode that lets the report read while the recorder writes.
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder.path() + "/state/cellsheet"), 0700u);
    QorvCSSQLiteDatabase raw(path, QorvCSSQLiteDatabase::Mode::ReadOnly);
    EXPECT_EQ(raw.text("PRAGMA journal_mode"), "wal");
}

TEST(HistoryStore, ReadOnlyNeverCreatesAFile)
{
    TemporaryFolder folder;
    QorvCSHistoryStore store(folder.path() + "/history.sqlite", QorvCSHistoryStore::Mode::ReadOnly);
    EXPECT_FALSE(store.isOpen());
    EXPECT_TRUE(store.samples("a", 0, now).empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/history.sqlite"));
}

TEST(HistoryStore, DefaultPathFollowsTheStateFolder)
{
    struct Case {
        const char* state;
        const char* home;
        std::string expected;
    } cases[] = {
        { "/x/state", "/home/ada", "/x/state/cellsheet/history.sqlite" },
        { nullptr, "/home/ada", "/home/ada/.local/state/cellsheet/history.sqlite" },
        { "relative", "/home/ada", "/home/ada/.local/state/cellsheet/history.sqlite" },
        { nullptr, nullptr, "" },
    };
    for (const auto& c : cases) {
        ScopedEnvironment state("XDG_STATE_HOME", c.state), home("HOME", c.home);
        EXPECT_EQ(QorvCSHistoryStore::defaultPath(), c.expected) << (c.state ? c.state : "(unset)");
    }
}

TEST(HistoryStore, ThinsSamplesWithAge)
{
    TemporaryFolder folder;
    QorvCSHistoryStore store(folder.path() + "/h.sqlite", QorvCSHistoryStore::Mode::ReadWrite);
    // One sample a minute over 100 days, for two sources.
    for (const char* source : { "a", "b" })
        ASSERT_TRUE(store.write(samplesEvery(source, now - 100 * day, now, 60)));
    store.thin(now);
    for (const char* source : { "a", "b" }) {
        SCOPED_TRACE(source);
        EXPECT_EQ(countBetween(store, source, now - 48 * hour, now), size_t(48 * 60));
        EXPECT_EQ(countBetween(store, source, now - 7 * day, now - 48 * hour), size_t(5 * 24 * 6));
        EXPECT_EQ(countBetween(store, source, now - 90 * day, now - 7 * day), size_t(83 * 24));
        EXPECT_EQ(countBetween(store, source, 0, now - 90 * day), 0u);
    }
    // Thinning again keeps what the first pass kept.
    const size_t kept = countBetween(store, "a", 0, now);
    store.thin(now);
    EXPECT_EQ(countBetween(store, "a", 0, now), kept);

    // Capacity rows stay for years.
    QorvCSHistoryStore::Batch capacities;
    capacities.capacities.push_back({ "a", { now - 3 * 365 * day, 4000.0, 5000.0, 100 } });
    ASSERT_TRUE(store.write(capacities));
    store.thin(now);
    EXPECT_EQ(store.capacities("a").size(), 1u);
}

TEST(HistoryStore, MovesADamagedOrForeignFileAsideAndStartsAnew)
{
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* reason;
    } cases[] = {
        { "text", [](const std::string& p) { std::ofstream(p) << "not a database at all, just some words\n"; },
            "file is not a database" },
        { "foreign",
            [](const std::string& p) {
                QorvCSSQLiteDatabase db(p, QorvCSSQLiteDatabase::Mode::ReadWrite);
                db.execute("CREATE TABLE bookmarks(url TEXT); INSERT INTO bookmarks VALUES('x');");
            },
            "it is not a cellsheet history file" },
        { "damaged",
            [](const std::string& p) {
                {
                    QorvCSHistoryStore store(p, QorvCSHistoryStore::Mode::ReadWrite);
                    store.write(samplesEvery("a", 0, 20000 * 60, 60));
                }
                // Scribble over the pages after the header.
                std::fstream file(p, std::ios::in | std::ios::out | std::ios::binary);
                file.seekp(4096 + 100);
                for (int i = 0; i < 20000; ++i)
                    file.put(static_cast<char>(i * 37));
            },
            "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        const std::string path = folder.path() + "/history.sqlite";
        c.make(path);
        qorv::LogCapture log;
        QorvCSHistoryStore store(path, QorvCSHistoryStore::Mode::ReadWrite);
        ASSERT_TRUE(store.isOpen());
        EXPECT_TRUE(store.write(samplesEvery("a", 0, 60, 60)));
        EXPECT_EQ(store.samples("a", 0, now).size(), 1u);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.contains("cannot be used")) << log.lines()[0];
        EXPECT_TRUE(log.contains(c.reason)) << log.lines()[0];
        size_t aside = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            aside += entry.path().filename().string().starts_with("history.sqlite.broken-") ? 1 : 0;
        EXPECT_GE(aside, 1u);
    }
}

TEST(HistoryStore, LeavesAFileOfANewerVersionAlone)
{
    TemporaryFolder folder;
    const std::string path = folder.path() + "/history.sqlite";
    {
        QorvCSHistoryStore store(path, QorvCSHistoryStore::Mode::ReadWrite);
        store.write(samplesEvery("a", 0, 600, 60));
    }
    {
        QorvCSSQLiteDatabase db(path, QorvCSSQLiteDatabase::Mode::ReadWrite);
        db.execute("PRAGMA user_version=99");
    }
    qorv::LogCapture log;
    QorvCSHistoryStore store(path, QorvCSHistoryStore::Mode::ReadWrite);
    EXPECT_FALSE(store.isOpen());
    EXPECT_TRUE(log.contains("newer version"));
    QorvCSSQLiteDatabase db(path, QorvCSSQLiteDatabase::Mode::ReadOnly);
    EXPECT_EQ(db.integer("SELECT count(*) FROM samples"), 10);
}

// A child writes batches of a fixed size and reports each commit through a pipe; it is killed in the middle of
// its work. Reopened, the file passes SQLite's full integrity check and holds every reported batch, whole, and
// at most the one batch in flight beyond them.
TEST(HistoryStore, SurvivesAKillDuringABatch)
{
    constexpr int batchSize = 500;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        TemporaryFolder folder;
        const std::string path = folder.path() + "/history.sqlite";
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            QorvCSHistoryStore store(path, QorvCSHistoryStore::Mode::ReadWrite);
            for (int64_t n = 0;; ++n) {
                store.write(samplesEvery("a", n * batchSize * 60, (n + 1) * batchSize * 60, 60));
                const char done = 1;
                if (::write(pipeFds[1], &done, 1) != 1)
                    ::_exit(1);
            }
        }
        ::close(pipeFds[1]);
        // Let a few batches through, then kill at a moment that differs from round to round.
        int committed = 0;
        char byte;
        while (committed < 3 + round * 4 && ::read(pipeFds[0], &byte, 1) == 1)
            ++committed;
        ::usleep(static_cast<useconds_t>(1000 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        while (::read(pipeFds[0], &byte, 1) == 1)
            ++committed;
        ::close(pipeFds[0]);
        ASSERT_TRUE(WIFSIGNALED(status));

        {
            QorvCSSQLiteDatabase db(path, QorvCSSQLiteDatabase::Mode::ReadWrite);
            EXPECT_EQ(db.text("PRAGMA integrity_check"), "ok");
        }
        qorv::LogCapture log;
        QorvCSHistoryStore store(path, QorvCSHistoryStore::Mode::ReadWrite);
        EXPECT_TRUE(log.lines().empty());
        const size_t rows = store.samples("a", 0, INT64_MAX).size();
        EXPECT_EQ(rows % batchSize, 0u) << "a batch was written in part";
        EXPECT_GE(rows, size_t(committed) * batchSize);
        EXPECT_LE(rows, size_t(committed + 1) * batchSize);
    }
}
