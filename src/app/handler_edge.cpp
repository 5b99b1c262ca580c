#include "app/handler_edge.h"

std::string UncaughtMessage(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

void ReportUncaught(TMessageBoxes& boxes, std::exception_ptr error) noexcept {
    try {
        boxes.ShowErrorReport(UncaughtMessage(error));
    } catch (...) {
    }
}
