// Plain POSIX socket calls for the test peers. They bypass the project's own
// socket layer on purpose, so that they can test it.
#pragma once

#include "support/deadline.h"

#include <string_view>

// A listening TCP socket on `address` (127.0.0.1 or ::1) with a port the
// system chooses; `port` receives it. Throws std::runtime_error when the
// system refuses.
int ListenOnLoopback(int backlog, int& port, const char* address = "127.0.0.1");

// This machine can listen on ::1 (some containers have no IPv6 at all).
bool HasIPv6Loopback();

// A loopback port that was free a moment ago, for a server that binds its own
// listener.
int FreeLoopbackPort();
// True when something accepts a connection on 127.0.0.1:`port` now.
bool LoopbackAccepts(int port);

// Waits until `fd` reports one of `events` (POLLIN, POLLOUT) or the deadline
// passes. Returns poll's revents for `fd` (hang-up and errors included), 0 when
// the deadline passed first.
short WaitForEvents(int fd, short events, SupportClock::time_point deadline);

// Sends all of `bytes` (never raising SIGPIPE); false when the peer is gone or
// the deadline passes before everything went out.
bool SendAll(int fd, std::string_view bytes, SupportClock::time_point deadline);

void SetNonBlocking(int fd, bool on);

// Closes `fd` when it is open and sets it to -1.
void CloseFd(int& fd);
