// The edit workers' tie to the window that started them. A worker reaches the
// window (its client, its state, its status bar, the beep) only through
// WithWindow; when the window's destruction begins it closes the link, waits
// for the workers already inside, and from then on no worker gets in and
// every worker's wait ends at once. The link itself is shared, so it outlives
// the window for the workers still holding it.
#pragma once

#include "app/message_boxes.h"
#include "app/window_state.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class TIdFTP;

// The millisecond tick counter the keep-alive and the uploads stamp with.
using TTickSource = std::function<uint32_t()>;

// What a worker uses of its window.
struct TEditSite {
    TIdFTP& Client;
    TWindowState& State;
    // Callable from any thread; the text is shown by the GUI thread.
    TStatusLine& Status;
    // Callable from any thread; the beep sounds on the GUI thread.
    std::function<void()> Beep;
    TTickSource Ticks;
    // Callable from any thread: puts the conflict question to the user on the
    // GUI thread and returns at once; `answer` runs there with the choice,
    // or never when the window goes first.
    std::function<void(const std::string& remotePath, const std::string& localPath,
                       std::function<void(TConflictChoice)> answer)>
        AskConflict;
};

class TWindowLink {
public:
    explicit TWindowLink(TEditSite site) : FSite(std::move(site)) {}
    TWindowLink(const TWindowLink&) = delete;
    TWindowLink& operator=(const TWindowLink&) = delete;

    // Runs `body(site)` unless the window is closing; false when it did not
    // run. While it runs the window stays. Exceptions pass through.
    template <typename Body> bool WithWindow(Body&& body) { return Run(false, body); }
    // The same for an upload, which the window's destruction lets finish
    // (for a while) before it wakes it by force: a cut upload may leave a
    // short file on the server.
    template <typename Body> bool WithWindowUploading(Body&& body) { return Run(true, body); }

    bool Closing() const;
    // Waits at most `timeout` for the window to start closing; true when it has.
    bool WaitForClosing(std::chrono::milliseconds timeout) const;

    // GUI thread, as the window's destruction begins. Returns once no worker
    // is inside WithWindow; an upload inside is waited for up to
    // `uploadGrace`; when a worker stays inside longer, `interrupt` is called
    // (and again every 100 ms) to wake one blocked on the network.
    void Close(const std::function<void()>& interrupt,
               std::chrono::milliseconds uploadGrace = std::chrono::milliseconds(0));

private:
    template <typename Body> bool Run(bool uploading, Body& body) {
        if (!Enter(uploading))
            return false;
        TInside inside(*this, uploading);
        body(FSite);
        return true;
    }
    struct TInside {
        TInside(TWindowLink& link, bool uploading) : Link(link), Uploading(uploading) {}
        ~TInside() { Link.Leave(Uploading); }
        TInside(const TInside&) = delete;
        TInside& operator=(const TInside&) = delete;
        TWindowLink& Link;
        const bool Uploading;
    };

    bool Enter(bool uploading);
    void Leave(bool uploading);

    TEditSite FSite;
    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    bool FClosing = false;
    int FInside = 0;
    int FUploading = 0;
};
