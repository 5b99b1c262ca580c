// A transport without a socket: the peer's bytes come from a TInputFeed and
// what the connection sends is counted and dropped. Once the feed is empty a
// read reports the peer's close, as a socket at end of stream does.
#pragma once

#include "core/exceptions.h"
#include "net/io_handler.h"
#include "support/input_feed.h"

#include <cstdint>

// `Base` is TIdIOHandler for a connection, or TIdIOHandlerSocket where the code
// under test insists on a socket transport (the SOCKS negotiation does).
template <typename Base> class TMemoryHandler : public Base {
public:
    explicit TMemoryHandler(TInputFeed& feed) : FFeed(feed) {}

    int64_t BytesSent() const { return FSent; }

    void CloseHandler() override { FOpen = false; }
    bool HasOpenSocket() override { return FOpen; }
    // Data or the end of the stream is always there: nothing ever waits.
    bool InputReady(int32_t) override { return true; }
    int64_t ReceiveRaw(void* buffer, int64_t length) override {
        if (!FOpen)
            throw EIdClosedSocket();
        return FFeed.Next(buffer, length);
    }
    int64_t SendRaw(const void*, int64_t length) override {
        if (!FOpen)
            throw EIdClosedSocket();
        FSent += length;
        return length;
    }

private:
    TInputFeed& FFeed;
    bool FOpen = true;
    int64_t FSent = 0;
};

using TMemoryIOHandler = TMemoryHandler<TIdIOHandler>;
using TMemorySocketHandler = TMemoryHandler<TIdIOHandlerSocket>;
