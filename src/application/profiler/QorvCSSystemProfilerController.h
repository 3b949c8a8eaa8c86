#pragma once

#include "QorvCSSystemProfilerDataType.h"

#include "foundation/KeyValueObserving.h"
#include "foundation/Value.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Info.plist: the tool's path followed by its arguments (an array of more than one string). Read from the
// application's own Info.plist only, never an overlay's. A relative path is relative to the running program's
// folder, so that an install works wherever it is put.
inline constexpr std::string_view QorvCSSystemProfilerControllerExecutableKey
    = "QorvCSSystemProfilerControllerExecutable";
// Environment: when set, the path of the tool to run instead of the one Info.plist names (the arguments stay);
// for trying another build of the tool, and for tests.
inline constexpr const char* QorvCSSystemProfilerControllerExecutableVariable = "CELLSHEET_PROFILER";
// Info.plist, optional: seconds the tool may run before it is killed and the run fails.
inline constexpr std::string_view QorvCSSystemProfilerControllerTimeLimitKey
    = "QorvCSSystemProfilerControllerTimeLimit";

// Obtains the computer's inventory once, on a background thread: runs the tool named in Info.plist (or reads
// the diagnostic resource "QorvCSSystemProfilerController.plist" instead, when present), parses its property
// list and publishes the data types as "dataTypes" on the main run loop. Every failure of the run is logged as
// "profile exception caught: ..." and leaves "dataTypes" null, but is announced as a change of it all the same.
// Observers are told on the main thread.
class QorvCSSystemProfilerController : public qorv::Observable {
public:
    using DataTypes = std::vector<std::shared_ptr<const QorvCSSystemProfilerDataType>>;

    static constexpr std::chrono::seconds defaultTimeLimit { 120 };

    // Starts the run. Create on the main thread.
    QorvCSSystemProfilerController();
    // Kills a tool still running and waits for the run to stop; a result still on its way is dropped.
    ~QorvCSSystemProfilerController() override;
    QorvCSSystemProfilerController(const QorvCSSystemProfilerController&) = delete;
    QorvCSSystemProfilerController& operator=(const QorvCSSystemProfilerController&) = delete;

    virtual std::string_view className() const { return "QorvCSSystemProfilerController"; }

    // The dictionaries of raw wrapped in order; elements of other kinds are skipped.
    static DataTypes dataTypesFromRaw(const qorv::Value& raw);
    std::optional<std::string> pathForDebugProfile() const;

    // Null until the run has published; stays null when it fails. Main thread only.
    const std::shared_ptr<const DataTypes>& dataTypes() const { return m_dataTypes; }
    void setDataTypes(std::shared_ptr<const DataTypes> dataTypes);

    // True once the run has published or failed. Main thread only.
    bool isFinished() const { return m_finished; }

private:
    struct Run;

    void profileInBackground();
    static void runInBackground(const std::shared_ptr<Run>& run);
    static std::optional<DataTypes> profile(Run& run);
    static DataTypes debugProfile(const Run& run);

    std::shared_ptr<Run> m_run;
    std::thread m_thread;
    std::shared_ptr<const DataTypes> m_dataTypes;
    bool m_finished = false;
};
