#pragma once

#include <sys/stat.h>

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What the renderer makes from a resource file (the templates, a compiled rule), kept per version of the file so
// that it is read and made again only when the file changes. A file's version is its identity (device, inode,
// size, modification and change time); since those times have the resolution of the kernel's clock tick, a file
// changed within about a second of being read has its bytes compared as well, as a version control system does
// for its index. An edited file therefore takes effect at the next rendering.
template <class T> class QorvCSReportFileCache {
public:
    using Make = std::function<std::shared_ptr<const T>(const std::string& bytes, std::string& error)>;

    // The value made from the file, or null (with error set) when the file cannot be read or make refuses it;
    // a failure is not cached.
    std::shared_ptr<const T> value(const std::string& path, const Make& make, std::string& error);

    // Forgets every file but these (the cache follows the rule folder).
    void keepOnly(const std::vector<std::string>& paths);

private:
    struct Entry {
        struct stat info { };
        timespec readAt {};
        std::string bytes;
        std::shared_ptr<const T> value;
    };

    static bool sameIdentity(const struct stat& a, const struct stat& b);
    static bool settled(const Entry& entry);

    std::mutex m_mutex;
    std::map<std::string, Entry, std::less<>> m_entries;
};

bool QorvCSReportReadFile(const std::string& path, std::string& bytes, std::string& error);

template <class T> bool QorvCSReportFileCache<T>::sameIdentity(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

template <class T> bool QorvCSReportFileCache<T>::settled(const Entry& entry)
{
    // A later change would give the file a later time stamp only once the clock has moved on.
    const auto& changed
        = entry.info.st_ctim.tv_sec > entry.info.st_mtim.tv_sec ? entry.info.st_ctim : entry.info.st_mtim;
    return entry.readAt.tv_sec > changed.tv_sec + 1;
}

template <class T>
std::shared_ptr<const T> QorvCSReportFileCache<T>::value(const std::string& path, const Make& make, std::string& error)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        std::lock_guard lock(m_mutex);
        m_entries.erase(path);
        error = "no such file";
        return nullptr;
    }
    {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(path);
        if (it != m_entries.end() && sameIdentity(it->second.info, info) && settled(it->second))
            return it->second.value;
    }
    Entry entry;
    entry.info = info;
    ::clock_gettime(CLOCK_REALTIME, &entry.readAt);
    if (!QorvCSReportReadFile(path, entry.bytes, error))
        return nullptr;
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(path);
    if (it != m_entries.end() && it->second.bytes == entry.bytes) {
        entry.value = it->second.value;
    } else {
        m_entries.erase(path);
        entry.value = make(entry.bytes, error);
        if (!entry.value)
            return nullptr;
    }
    auto result = entry.value;
    m_entries.insert_or_assign(path, std::move(entry));
    return result;
}

template <class T> void QorvCSReportFileCache<T>::keepOnly(const std::vector<std::string>& paths)
{
    std::lock_guard lock(m_mutex);
    std::map<std::string, Entry, std::less<>> kept;
    for (const auto& path : paths)
        if (auto node = m_entries.extract(path))
            kept.insert(std::move(node));
    m_entries = std::move(kept);
}
