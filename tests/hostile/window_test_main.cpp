// The window tests run inside the program's own application object, on the
// offscreen platform so that no window ever shows on a display.
#include "app/scrivlet_application.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    TScrivletApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
