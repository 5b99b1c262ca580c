#include "app/window_link.h"

bool TWindowLink::Enter() {
    std::lock_guard<std::mutex> hold(FMutex);
    if (FClosing)
        return false;
    ++FInside;
    return true;
}

void TWindowLink::Leave() {
    std::lock_guard<std::mutex> hold(FMutex);
    --FInside;
    FChanged.notify_all();
}

bool TWindowLink::Closing() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FClosing;
}

bool TWindowLink::WaitForClosing(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> hold(FMutex);
    return FChanged.wait_for(hold, timeout, [this] { return FClosing; });
}

void TWindowLink::Close(const std::function<void()>& interrupt) {
    std::unique_lock<std::mutex> hold(FMutex);
    FClosing = true;
    FChanged.notify_all();
    // A worker inside is most likely only posting a status text or finishing
    // a short transfer; only one that stays is woken by force.
    FChanged.wait_for(hold, std::chrono::milliseconds(50), [this] { return FInside == 0; });
    while (FInside > 0) {
        // Not under the mutex: the worker inside may need it to leave.
        hold.unlock();
        if (interrupt)
            interrupt();
        hold.lock();
        FChanged.wait_for(hold, std::chrono::milliseconds(100), [this] { return FInside == 0; });
    }
}
