#include "app/window_link.h"

bool TWindowLink::Enter(bool uploading) {
    std::lock_guard<std::mutex> hold(FMutex);
    if (FClosing)
        return false;
    ++FInside;
    if (uploading)
        ++FUploading;
    return true;
}

void TWindowLink::Leave(bool uploading) {
    std::lock_guard<std::mutex> hold(FMutex);
    --FInside;
    if (uploading)
        --FUploading;
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

void TWindowLink::Close(const std::function<void()>& interrupt,
                        std::chrono::milliseconds uploadGrace) {
    std::unique_lock<std::mutex> hold(FMutex);
    FClosing = true;
    FChanged.notify_all();
    // A worker inside is most likely only posting a status text or finishing
    // a short transfer; only one that stays is woken by force.
    FChanged.wait_for(hold, std::chrono::milliseconds(50), [this] { return FInside == 0; });
    FChanged.wait_for(hold, uploadGrace, [this] { return FUploading == 0; });
    while (FInside > 0) {
        // Not under the mutex: the worker inside may need it to leave.
        hold.unlock();
        if (interrupt)
            interrupt();
        hold.lock();
        FChanged.wait_for(hold, std::chrono::milliseconds(100), [this] { return FInside == 0; });
    }
}
