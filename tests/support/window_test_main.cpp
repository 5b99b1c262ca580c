// The main of every window test binary: the tests run inside the program's
// own application object, on the offscreen platform so that no window ever
// shows on a display.
#include "app/scrivlet_application.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Qt is not built with ThreadSanitizer, so a call that a worker queues to the
// GUI thread (a status text, a beep) is handed over where the sanitizer sees
// no synchronisation: the queued functor, and the text it carries, look raced
// between the worker that made them and the GUI thread that runs and frees
// them. Only races with an access made while a worker queues such a call are
// let pass: the making of the call and of the status text it carries.
extern "C" const char* __tsan_default_suppressions() {
    return "race:invokeMethod\n"
           "race:TFormOpenFile::SetStatusText\n";
}

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    TScrivletApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
