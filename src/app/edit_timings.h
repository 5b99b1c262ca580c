// How long the edit workers wait for what: the pass length, the back-off of
// uploads that keep failing, and what counts as an editor that returned at
// once. Tests shorten them.
#pragma once

#include <chrono>

struct TEditTimings {
    // One look at the local copy per pass while the editor runs.
    std::chrono::milliseconds Pass{1000};
    // A failed upload is tried again after this, then after twice as long,
    // and so on up to RetryMax; a new save tries at once.
    std::chrono::milliseconds RetryFirst{2000};
    std::chrono::milliseconds RetryMax{60000};
    // An editor that ends this soon after its start without a change to the
    // file has most likely handed the file to an instance already running.
    std::chrono::milliseconds QuickExit{2000};
};
