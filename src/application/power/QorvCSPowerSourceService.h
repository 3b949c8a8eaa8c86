#pragma once

#include "foundation/RunLoop.h"
#include "foundation/Value.h"

#include <memory>

// A source of change notices for the power-source information. It calls its callback on the run loop it is
// scheduled on; unscheduled, it never calls.
class QorvCSPowerSourceChangeSource {
public:
    using Callback = void (*)(void* context);

    virtual ~QorvCSPowerSourceChangeSource() = default;

    virtual void schedule(qorv::RunLoop& runLoop) = 0;
    virtual void unschedule(qorv::RunLoop& runLoop) = 0;
    virtual bool isScheduled() const = 0;
};

// The operating system's power-source service, as the power source bridge needs it. One implementation per
// system; every call reads the system afresh.
class QorvCSPowerSourceService {
public:
    virtual ~QorvCSPowerSourceService() = default;

    // The service of the system the application runs on.
    static std::shared_ptr<QorvCSPowerSourceService> systemService();

    // One description dictionary per power source (batteries, UPSes), in the system's order. Empty when there
    // are none or the system cannot be read.
    virtual qorv::Value::Array copyPowerSourceDescriptions() = 0;
    // The connected external power adapter's description dictionary, or null when no adapter is known.
    virtual qorv::Value copyExternalPowerAdapterDetails() = 0;
    // Both descriptions from one reading of the system. A system whose change source has just read it may hand
    // that reading over instead of reading again.
    struct Descriptions {
        qorv::Value::Array powerSources;
        qorv::Value powerAdapter;
    };
    virtual Descriptions copyDescriptions()
    {
        return { copyPowerSourceDescriptions(), copyExternalPowerAdapterDetails() };
    }
    // Whether a source that reads on its own schedule (a UPS server, a desktop power daemon) has not been read once
    // yet since the change source was scheduled, so the descriptions may still lack it. The command line waits for
    // it before writing a report; the kernel is read on demand, so by default nothing is awaited.
    virtual bool isAwaitingFirstReading() const { return false; }
    // A change source that calls callback(context) whenever the power-source information changes, or null when
    // the system cannot provide one.
    virtual std::shared_ptr<QorvCSPowerSourceChangeSource> createChangeSource(
        QorvCSPowerSourceChangeSource::Callback callback, void* context)
        = 0;
};
