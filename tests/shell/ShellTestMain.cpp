#include "OffscreenWebEngine.h"

#include <QApplication>

#include <gtest/gtest.h>

// The shell's tests need an application object, and test discovery runs this binary without the test environment.
int main(int argc, char** argv)
{
    prepareOffscreenWebEngine();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
