#include "QorvCSHistoryStore.h"
#include "QorvCSSQLiteDatabase.h"

#include "foundation/Format.h"
#include "foundation/Log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "CSHS" in the file's header: tells our file from any other SQLite file.
constexpr int64_t applicationID = 0x43534853;
constexpr int64_t schemaVersion = 1;

constexpr const char* schema = R"(
CREATE TABLE IF NOT EXISTS sources(id INTEGER PRIMARY KEY, identity TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS samples(source INTEGER NOT NULL, time INTEGER NOT NULL, percent REAL, watts REAL,
    state INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS samples_by_source ON samples(source, time);
CREATE INDEX IF NOT EXISTS samples_by_time ON samples(time);
CREATE TABLE IF NOT EXISTS capacities(source INTEGER NOT NULL, time INTEGER NOT NULL, full REAL, design REAL,
    cycles INTEGER);
CREATE INDEX IF NOT EXISTS capacities_by_source ON capacities(source, time);
)";

// Makes each missing folder of the path with mode 0700 (the state folder is private to its user).
bool makeFolders(const std::string& folder)
{
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// The file (and its write-ahead log) renamed to "<path>.broken-<UTC time>"; the shared-memory index is only a
// cache and is removed. Returns the new name, empty when the rename failed.
std::string moveAside(const std::string& path)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    std::string aside = path + ".broken-" + stamp;
    for (int n = 2; ::access(aside.c_str(), F_OK) == 0; ++n)
        aside = path + ".broken-" + stamp + "-" + std::to_string(n);
    if (std::rename(path.c_str(), aside.c_str()) != 0)
        return {};
    std::rename((path + "-wal").c_str(), (aside + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
    return aside;
}

// Why the file is not a usable history file of ours, or empty when it is.
std::string brokenReason(QorvCSSQLiteDatabase& db)
{
    const int64_t id = db.integer("PRAGMA application_id").value_or(0);
    const int64_t tables = db.integer("SELECT count(*) FROM sqlite_master").value_or(0);
    if (id != applicationID && (id != 0 || tables > 0))
        return "it is not a cellsheet history file";
    const std::string check = db.text("PRAGMA quick_check").value_or("");
    if (check != "ok")
        return "the integrity check failed: " + check;
    return {};
}

} // namespace

std::string QorvCSHistoryStore::defaultPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string folder;
    if (state && state[0] == '/')
        folder = state;
    else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        folder = std::string(home) + "/.local/state";
    else
        return {};
    return folder + "/cellsheet/history.sqlite";
}

QorvCSHistoryStore::QorvCSHistoryStore(std::string path, Mode mode)
    : m_path(std::move(path))
    , m_mode(mode)
{
    std::lock_guard lock(m_mutex);
    open(mode == Mode::ReadWrite);
}

QorvCSHistoryStore::~QorvCSHistoryStore() = default;

bool QorvCSHistoryStore::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_db != nullptr;
}

bool QorvCSHistoryStore::open(bool moveAsideWhenBroken)
{
    if (m_path.empty())
        return false;
    if (m_mode == Mode::ReadWrite) {
        const std::string folder = folderOf(m_path);
        if (!makeFolders(folder)) {
            qorv::log(qorv::format("cannot make the history folder %@: %@", folder, std::strerror(errno)));
            return false;
        }
        ::chmod(folder.c_str(), 0700);
        // Made here rather than by SQLite so that it is private from the start; SQLite gives its journal files
        // the same mode.
        const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            qorv::log(qorv::format("cannot open the history file %@: %@", m_path, std::strerror(errno)));
            return false;
        }
        ::fchmod(fd, 0600);
        ::close(fd);
    } else if (::access(m_path.c_str(), R_OK) != 0) {
        return false;
    }

    std::string reason;
    try {
        auto db = std::make_unique<QorvCSSQLiteDatabase>(m_path,
            m_mode == Mode::ReadOnly ? QorvCSSQLiteDatabase::Mode::ReadOnly : QorvCSSQLiteDatabase::Mode::ReadWrite);
        reason = brokenReason(*db);
        if (reason.empty()) {
            const int64_t version = db->integer("PRAGMA user_version").value_or(0);
            if (version > schemaVersion) {
                qorv::log(qorv::format("the history file %@ was written by a newer version of cellsheet; "
                                       "history is not recorded",
                    m_path));
                return false;
            }
            m_db = std::move(db);
            if (m_mode == Mode::ReadWrite)
                createSchema();
            return true;
        }
    } catch (const QorvCSSQLiteError& error) {
        reason = error.what();
    }
    m_db.reset();
    if (!moveAsideWhenBroken) {
        qorv::log(qorv::format("cannot read the history file %@: %@", m_path, reason));
        return false;
    }
    const std::string aside = moveAside(m_path);
    if (aside.empty()) {
        qorv::log(qorv::format(
            "cannot use the history file %@ (%@) nor move it aside: %@", m_path, reason, std::strerror(errno)));
        return false;
    }
    qorv::log(qorv::format(
        "the history file %@ cannot be used (%@); moved it to %@ and started a new one", m_path, reason, aside));
    return open(false);
}

void QorvCSHistoryStore::createSchema()
{
    // WAL: a reader never waits for the writer, and a killed writer loses at most its open transaction.
    m_db->execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    m_db->transaction([&] {
        m_db->execute(schema);
        m_db->execute(
            qorv::format("PRAGMA application_id=%ld; PRAGMA user_version=%ld;", applicationID, schemaVersion));
    });
}

int64_t QorvCSHistoryStore::sourceRow(const std::string& identity)
{
    auto insert = m_db->prepare("INSERT OR IGNORE INTO sources(identity) VALUES(?)");
    insert->bind(1, identity).run();
    auto select = m_db->prepare("SELECT id FROM sources WHERE identity = ?");
    select->bind(1, identity);
    select->step();
    return select->integer(0);
}

bool QorvCSHistoryStore::write(const Batch& batch)
{
    std::lock_guard lock(m_mutex);
    if (!m_db || batch.empty())
        return m_db != nullptr;
    try {
        m_db->transaction([&] {
            std::map<std::string, int64_t, std::less<>> rows;
            auto row = [&](const std::string& identity) {
                auto it = rows.find(identity);
                if (it == rows.end())
                    it = rows.emplace(identity, sourceRow(identity)).first;
                return it->second;
            };
            auto sample = m_db->prepare("INSERT INTO samples(source, time, percent, watts, state) VALUES(?,?,?,?,?)");
            for (const auto& [source, s] : batch.samples) {
                sample->bind(1, row(source)).bind(2, s.time).bind(3, s.percent).bind(4, s.watts);
                sample->bind(5, static_cast<int64_t>(s.state)).run();
            }
            auto capacity
                = m_db->prepare("INSERT INTO capacities(source, time, full, design, cycles) VALUES(?,?,?,?,?)");
            for (const auto& [source, c] : batch.capacities) {
                capacity->bind(1, row(source)).bind(2, c.time).bind(3, c.full).bind(4, c.design);
                capacity->bind(5, c.cycles).run();
            }
        });
        return true;
    } catch (const QorvCSSQLiteError& error) {
        qorv::logOnce(qorv::format("cannot write to the history file %@: %@", m_path, error.what()));
        return false;
    }
}

void QorvCSHistoryStore::thin(int64_t now)
{
    std::lock_guard lock(m_mutex);
    if (!m_db || m_mode == Mode::ReadOnly)
        return;
    struct Tier {
        int64_t from, to, bucket; // ages in seconds
    };
    constexpr Tier tiers[] = { { fullResolutionAge, tenMinuteAge, 600 }, { tenMinuteAge, hourlyAge, 3600 } };
    try {
        m_db->transaction([&] {
            // The first sample of each bucket stays; buckets are aligned to the epoch, so thinning twice changes
            // nothing more.
            auto thinTier = m_db->prepare("DELETE FROM samples WHERE time >= ?1 AND time < ?2 AND rowid NOT IN "
                                          "(SELECT min(rowid) FROM samples WHERE time >= ?1 AND time < ?2 "
                                          "GROUP BY source, time / ?3)");
            for (const auto& tier : tiers)
                thinTier->bind(1, now - tier.to).bind(2, now - tier.from).bind(3, tier.bucket).run();
            m_db->prepare("DELETE FROM samples WHERE time < ?")->bind(1, now - hourlyAge).run();
            m_db->prepare("DELETE FROM capacities WHERE time < ?")->bind(1, now - capacityAge).run();
        });
    } catch (const QorvCSSQLiteError& error) {
        qorv::logOnce(qorv::format("cannot thin the history file %@: %@", m_path, error.what()));
    }
}

void QorvCSHistoryStore::query(std::string_view sql, const std::function<void(QorvCSSQLiteStatement&)>& bind,
    const std::function<void(const QorvCSSQLiteStatement&)>& row) const
{
    std::lock_guard lock(m_mutex);
    if (!m_db)
        return;
    try {
        auto statement = m_db->prepare(sql);
        bind(*statement);
        while (statement->step())
            row(*statement);
    } catch (const QorvCSSQLiteError& error) {
        qorv::logOnce(qorv::format("cannot read the history file %@: %@", m_path, error.what()));
    }
}

std::vector<QorvCSHistorySample> QorvCSHistoryStore::samples(const std::string& source, int64_t from, int64_t to) const
{
    std::vector<QorvCSHistorySample> result;
    query(
        "SELECT time, percent, watts, state FROM samples JOIN sources ON source = id "
        "WHERE identity = ? AND time >= ? AND time < ? ORDER BY time",
        [&](QorvCSSQLiteStatement& q) { q.bind(1, source).bind(2, from).bind(3, to); },
        [&](const QorvCSSQLiteStatement& q) {
            const int64_t state = q.integer(3);
            result.push_back({ q.integer(0), q.optionalReal(1), q.optionalReal(2),
                state >= 0 && state <= 4 ? static_cast<QorvCSHistoryState>(state) : QorvCSHistoryState::Unknown });
        });
    return result;
}

std::vector<QorvCSHistoryCapacity> QorvCSHistoryStore::capacities(const std::string& source) const
{
    std::vector<QorvCSHistoryCapacity> result;
    query(
        "SELECT time, full, design, cycles FROM capacities JOIN sources ON source = id "
        "WHERE identity = ? ORDER BY time",
        [&](QorvCSSQLiteStatement& q) { q.bind(1, source); },
        [&](const QorvCSSQLiteStatement& q) {
            result.push_back({ q.integer(0), q.optionalReal(1), q.optionalReal(2), q.optionalInteger(3) });
        });
    return result;
}

std::optional<int64_t> QorvCSHistoryStore::lastCapacityTime(const std::string& source) const
{
    std::optional<int64_t> last;
    query(
        "SELECT max(time) FROM capacities JOIN sources ON source = id WHERE identity = ?",
        [&](QorvCSSQLiteStatement& q) { q.bind(1, source); },
        [&](const QorvCSSQLiteStatement& q) { last = q.optionalInteger(0); });
    return last;
}
