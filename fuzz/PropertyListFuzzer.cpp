// Property lists, XML and binary: any bytes read without a crash, and what is read writes out as XML that reads
// back to the same document.
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const auto quiet = qorv::setLogSink([](const std::string&) {});
    const auto read = qorv::PropertyList::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!read)
        return 0;
    const std::string xml = qorv::PropertyList::toXML(read.value);
    const auto again = qorv::PropertyList::parse(xml);
    // Written text is always well formed, and writing is stable (dates keep whole seconds, NaN is not equal to
    // itself, so the documents are compared rather than the values).
    if (!again || qorv::PropertyList::toXML(again.value) != xml)
        std::abort();
    return 0;
}
