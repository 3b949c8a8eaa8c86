#include "PropertyListOutput.h"

#include "foundation/PropertyList.h"

namespace cellsheet::profiler {

std::string PropertyListOutput::write(const qorv::Value& inventory)
{
    return qorv::PropertyList::toXML(inventory);
}

} // namespace cellsheet::profiler
