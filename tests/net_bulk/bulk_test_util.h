// A recorder of work events, and the client connected to a loopback peer
// that the bulk tests use.
#pragma once

#include "sock/component.h"
#include "support/connected_pair.h"

#include <string>
#include <vector>

// Work events as text: "begin read 10", "work read 4", "end read".
struct WorkLog {
    std::vector<std::string> Events;

    explicit WorkLog(TIdComponent& component) {
        component.OnWorkBegin = [this](TIdComponent*, TWorkMode mode, int32_t max) {
            Events.push_back("begin " + Mode(mode) + " " + std::to_string(max));
        };
        component.OnWork = [this](TIdComponent*, TWorkMode mode, int32_t count) {
            Events.push_back("work " + Mode(mode) + " " + std::to_string(count));
        };
        component.OnWorkEnd = [this](TIdComponent*, TWorkMode mode) {
            Events.push_back("end " + Mode(mode));
        };
    }

    static std::string Mode(TWorkMode mode) { return mode == TWorkMode::wmRead ? "read" : "write"; }
};
