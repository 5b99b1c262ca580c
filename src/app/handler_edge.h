// The edge of every window and timer handler: an exception that leaves the
// handler goes to the default error report and is forgotten, so none ever
// unwinds through Qt's event dispatch.
#pragma once

#include "app/message_boxes.h"

#include <exception>
#include <string>

// Shows the report; a failure to show it is dropped, there being nowhere left
// to report it.
void ReportUncaught(TMessageBoxes& boxes, std::exception_ptr error) noexcept;
// The message an uncaught exception is reported with.
std::string UncaughtMessage(std::exception_ptr error);

template <typename Body> void RunHandler(TMessageBoxes& boxes, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportUncaught(boxes, std::current_exception());
    }
}
