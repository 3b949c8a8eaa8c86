#include "foundation/Bundle.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Test discovery runs this binary without the test environment.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    const char* resources = std::getenv("CELLSHEET_RESOURCE_DIR");
    qorv::Bundle::main().setResourceDirectories({ resources && *resources ? resources : CELLSHEET_BUILD_RESOURCES });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
