#include "support/deadline.h"

#include <algorithm>
#include <limits>

int MillisLeft(SupportClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SupportClock::now());
    if (left.count() <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(left.count(), std::numeric_limits<int>::max()));
}
