#include "QorvCSSystemProfilerController.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/ChildProcess.h"
#include "foundation/CleanText.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RunLoop.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

// What the background run needs and what it shares with the controller. The controller reads the bundle on
// the main thread before the run starts, so the run touches nothing the main thread may be changing.
struct QorvCSSystemProfilerController::Run {
    std::string className;
    std::optional<std::string> debugProfilePath;
    qorv::Value executable; // null when Info.plist lacks the key
    std::string executableOverride; // $CELLSHEET_PROFILER, empty when unset
    std::string programDirectory; // what a relative tool path is relative to
    std::chrono::milliseconds timeLimit { defaultTimeLimit };

    // Main thread only: the controller, null once it is gone, so a result that arrives later is dropped.
    QorvCSSystemProfilerController* owner = nullptr;

    // Lets the controller end the tool from the main thread.
    std::mutex mutex;
    bool cancelled = false;
    qorv::ChildProcess* child = nullptr;

    bool isCancelled()
    {
        std::lock_guard lock(mutex);
        return cancelled;
    }
};

namespace {

constexpr std::string_view unknownFormatException = "Unknown System Profile format";

std::string textOf(const qorv::Value& value)
{
    if (const auto* s = value.asString())
        return *s;
    return value.description();
}

bool isExecutableFile(const std::string& path)
{
    struct stat info { };
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
        && ::access(path.c_str(), X_OK) == 0;
}

// Seconds from Info.plist; anything but a positive number keeps the default.
std::chrono::milliseconds timeLimitFrom(const qorv::Value* entry)
{
    const auto seconds = entry && entry->isNumber() ? entry->asReal() : std::nullopt;
    if (!seconds || !std::isfinite(*seconds) || *seconds <= 0)
        return QorvCSSystemProfilerController::defaultTimeLimit;
    constexpr double aDay = 24 * 60 * 60;
    return std::chrono::milliseconds(static_cast<int64_t>(std::ceil(std::min(*seconds, aDay) * 1000)));
}

} // namespace

QorvCSSystemProfilerController::QorvCSSystemProfilerController()
{
    profileInBackground();
}

QorvCSSystemProfilerController::~QorvCSSystemProfilerController()
{
    if (m_run) {
        m_run->owner = nullptr;
        std::lock_guard lock(m_run->mutex);
        m_run->cancelled = true;
        if (m_run->child)
            m_run->child->terminate();
    }
    if (m_thread.joinable())
        m_thread.join();
    m_dataTypes.reset();
}

QorvCSSystemProfilerController::DataTypes QorvCSSystemProfilerController::dataTypesFromRaw(const qorv::Value& raw)
{
    DataTypes dataTypes;
    if (const auto* elements = raw.asArray()) {
        dataTypes.reserve(elements->size());
        for (const auto& element : *elements)
            if (element.isDictionary())
                dataTypes.push_back(QorvCSSystemProfilerDataType::systemProfilerDataTypeWithRawDataType(element));
    }
    return dataTypes;
}

std::optional<std::string> QorvCSSystemProfilerController::pathForDebugProfile() const
{
    return qorv::Bundle::main().pathForResource(className(), "plist");
}

void QorvCSSystemProfilerController::setDataTypes(std::shared_ptr<const DataTypes> dataTypes)
{
    m_dataTypes = std::move(dataTypes);
    didChangeValueForKey("dataTypes");
}

void QorvCSSystemProfilerController::profileInBackground()
{
    auto run = std::make_shared<Run>();
    run->className = className();
    run->owner = this;
    run->debugProfilePath = pathForDebugProfile();
    const auto& bundle = qorv::Bundle::main();
    if (const auto* executable = bundle.ownInfoDictionary().find(QorvCSSystemProfilerControllerExecutableKey))
        run->executable = *executable;
    if (const char* path = std::getenv(QorvCSSystemProfilerControllerExecutableVariable))
        run->executableOverride = path;
    run->programDirectory = std::filesystem::path(qorv::Bundle::executablePath()).parent_path().string();
    run->timeLimit = timeLimitFrom(bundle.objectForInfoDictionaryKey(QorvCSSystemProfilerControllerTimeLimitKey));
    m_run = run;
    try {
        m_thread = std::thread([run] { runInBackground(run); });
    } catch (const std::exception& e) {
        qorv::log(qorv::format("profile exception caught: %@", e.what()));
        m_finished = true;
    }
}

// The thread's body: nothing may escape it, since an exception leaving a thread ends the process.
void QorvCSSystemProfilerController::runInBackground(const std::shared_ptr<Run>& run)
{
    std::shared_ptr<const DataTypes> published;
    try {
        if (run->debugProfilePath) {
            published = std::make_shared<const DataTypes>(debugProfile(*run));
        } else {
            auto dataTypes = profile(*run);
            if (!dataTypes)
                return; // ended by the controller's destruction: nobody is waiting
            published = std::make_shared<const DataTypes>(std::move(*dataTypes));
        }
    } catch (const std::exception& e) {
        qorv::log(qorv::format("profile exception caught: %@", e.what()));
    } catch (...) {
        qorv::log("profile exception caught: unknown exception");
    }
    try {
        qorv::RunLoop::main().perform([run, published] {
            auto* owner = run->owner;
            if (!owner)
                return;
            owner->m_finished = true;
            // A failure is announced too: observers stop waiting for an inventory that will not come.
            if (published)
                owner->setDataTypes(published);
            else
                owner->didChangeValueForKey("dataTypes");
        });
    } catch (const std::exception& e) {
        qorv::log(qorv::format("profile exception caught: %@", e.what()));
    }
}

std::optional<QorvCSSystemProfilerController::DataTypes> QorvCSSystemProfilerController::profile(Run& run)
{
    const auto key = QorvCSSystemProfilerControllerExecutableKey;
    QorvAssert(!run.executable.isNull(), "%@'s bundle missing %@ key.", run.className, key);
    const auto* command = run.executable.asArray();
    QorvAssert(command && command->size() > 1, "%@'s bundle %@ key must be array with > 1 item.", run.className, key);
    std::filesystem::path tool = run.executableOverride.empty() ? textOf(command->front()) : run.executableOverride;
    if (tool.is_relative() && !tool.empty())
        tool = (std::filesystem::path(run.programDirectory) / tool).lexically_normal();
    const std::string path = tool.string();
    QorvAssert(isExecutableFile(path), "%@'s executable must exist at %@", run.className, path);
    std::vector<std::string> arguments;
    for (auto it = command->begin() + 1; it != command->end(); ++it)
        arguments.push_back(textOf(*it));

    qorv::ChildProcess child(path, std::move(arguments));
    // A real inventory is a few megabytes; a tool that writes without end is stopped before memory runs out.
    constexpr size_t outputLimit = size_t(256) << 20;
    child.setOutputLimit(outputLimit);
    // Standard error only explains a failure: its last lines are enough.
    child.setErrorTail(2048);
    {
        std::lock_guard lock(run.mutex);
        if (run.cancelled)
            return std::nullopt;
        run.child = &child;
    }
    // Reads standard output while the tool runs and drains standard error, which is logged only when the run
    // fails; the exit status is not looked at, only the output counts.
    auto result = child.run(run.timeLimit);
    {
        std::lock_guard lock(run.mutex);
        run.child = nullptr;
        if (run.cancelled)
            return std::nullopt;
    }
    if (!result.started)
        throw std::runtime_error(qorv::format("%@ could not be started: %@", path, result.error));
    std::string failure;
    if (result.outputLimitExceeded)
        failure = qorv::format("%@ wrote more than %@ MB and was stopped", path, outputLimit >> 20);
    else if (result.timedOut)
        failure = qorv::format("%@ did not finish within %@ seconds and was killed", path,
            static_cast<double>(run.timeLimit.count()) / 1000);
    qorv::PropertyList::Result parsed;
    if (failure.empty()) {
        parsed = qorv::PropertyList::parse(result.standardOutput);
        result.standardOutput.clear();
        if (!parsed.value.isArray())
            failure = parsed ? std::string(unknownFormatException)
                             : qorv::format("%@: %@", unknownFormatException, parsed.error);
    }
    if (!failure.empty()) {
        if (!result.standardError.empty())
            qorv::log(qorv::format("%@ wrote to standard error: %@", path, qorv::cleanText(result.standardError)));
        throw std::runtime_error(failure);
    }
    if (run.isCancelled())
        return std::nullopt;
    return dataTypesFromRaw(parsed.value);
}

QorvCSSystemProfilerController::DataTypes QorvCSSystemProfilerController::debugProfile(const Run& run)
{
    // An unreadable file, or one whose root is not an array, publishes an empty inventory.
    const auto file = qorv::PropertyList::readFile(*run.debugProfilePath, qorv::Value::Type::Array);
    return dataTypesFromRaw(file.value);
}
