#pragma once

#include "foundation/RunLoop.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <memory>

// Drives a qorv::RunLoop from Qt's event loop: its wake descriptor and sources become socket notifiers and its
// next timer a single-shot QTimer, and every activation runs one non-blocking pass.
class QtRunLoopBinding : public QObject {
    Q_OBJECT
public:
    explicit QtRunLoopBinding(qorv::RunLoop& loop, QObject* parent = nullptr);

private:
    void pass();
    void resynchronise();

    qorv::RunLoop& m_loop;
    QSocketNotifier m_wake;
    QTimer m_timer;
    std::map<int, std::unique_ptr<QSocketNotifier>> m_sources;
};
