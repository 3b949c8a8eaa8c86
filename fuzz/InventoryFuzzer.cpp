// The inventory tool's output: any bytes read as data types, each listing its items in order, without a crash.
#include "QorvCSSystemProfilerController.h"

#include "foundation/Assert.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto quiet = qorv::setLogSink([](const std::string&) {});
    const auto read = qorv::PropertyList::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read.value.isArray())
        return 0;
    try {
        for (const auto& dataType : QorvCSSystemProfilerController::dataTypesFromRaw(read.value)) {
            (void)dataType->name();
            (void)dataType->orderedItems();
        }
    } catch (const qorv::AssertionFailure&) {
        // An assertion is the specified answer to some malformed inventories; the event loop catches it.
    }
    return 0;
}
