// The power tests read fake power supplies through libudev, which umockdev redirects with a preload library.
// The binary restarts itself with that library when it was started without it, so it runs the same from ctest,
// from gtest_discover_tests and by hand.
#include "FakePowerSupplies.h"
#include "PowerTestSupport.h"

#include "foundation/Bundle.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* preload = "libumockdev-preload.so.0";
constexpr const char* restartedMarker = "CELLSHEET_POWER_TESTS_RESTARTED";

void restartWithPreload(char** argv)
{
    if (FakePowerSupplies::available() || std::getenv(restartedMarker))
        return;
    std::string libraries = preload;
    if (const char* current = std::getenv("LD_PRELOAD"); current && *current)
        libraries += std::string(":") + current;
    // A sanitizer runtime must normally come first; the preload library only wraps libc calls.
    std::string asan = "verify_asan_link_order=0";
    if (const char* current = std::getenv("ASAN_OPTIONS"); current && *current)
        asan = std::string(current) + ":" + asan;
    setenv("LD_PRELOAD", libraries.c_str(), 1);
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    setenv(restartedMarker, "1", 1);
    execv("/proc/self/exe", argv);
}

} // namespace

int main(int argc, char** argv)
{
    // Only the fake supplies: not the UPower of the machine the tests run on.
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/cellsheet-power-tests", 1);
    restartWithPreload(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
