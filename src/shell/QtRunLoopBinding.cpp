#include "QtRunLoopBinding.h"

#include <set>

QtRunLoopBinding::QtRunLoopBinding(qorv::RunLoop& loop, QObject* parent)
    : QObject(parent)
    , m_loop(loop)
    , m_wake(loop.wakeFd(), QSocketNotifier::Read)
{
    m_timer.setSingleShot(true);
    connect(&m_wake, &QSocketNotifier::activated, this, &QtRunLoopBinding::pass);
    connect(&m_timer, &QTimer::timeout, this, &QtRunLoopBinding::pass);
    // Work queued before Qt's loop started.
    QTimer::singleShot(0, this, &QtRunLoopBinding::pass);
}

void QtRunLoopBinding::pass()
{
    m_loop.runOnce(std::chrono::milliseconds(0));
    resynchronise();
}

void QtRunLoopBinding::resynchronise()
{
    std::set<int> fds;
    for (int fd : m_loop.sourceFds())
        fds.insert(fd);
    for (auto it = m_sources.begin(); it != m_sources.end();) {
        if (fds.count(it->first)) {
            ++it;
        } else {
            it = m_sources.erase(it);
        }
    }
    for (int fd : fds) {
        if (m_sources.count(fd))
            continue;
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, &QtRunLoopBinding::pass);
        m_sources.emplace(fd, std::move(notifier));
    }
    if (auto next = m_loop.timeUntilNextTimer())
        m_timer.start(static_cast<int>(std::min<long long>(next->count(), 24LL * 3600 * 1000)));
    else
        m_timer.stop();
}
