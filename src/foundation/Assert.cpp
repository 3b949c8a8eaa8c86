#include "Assert.h"

namespace qorv {

void raiseAssertion(std::string message)
{
    throw AssertionFailure(message);
}

} // namespace qorv
