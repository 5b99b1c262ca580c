#include "ftp/list_lines.h"

#include <cstring>

std::vector<std::string_view> SplitListingLines(std::string_view text) {
    std::vector<std::string_view> lines;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* start = begin;
    const char* at = begin;
    while (at < end) {
        // memchr for the common LF is what keeps this near the speed of memory;
        // a CR inside the stretch it skipped ends a line too.
        const char* lf =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
        const char* stop = lf == nullptr ? end : lf;
        const char* cr =
            static_cast<const char*>(std::memchr(at, '\r', static_cast<size_t>(stop - at)));
        if (cr != nullptr) {
            lines.emplace_back(start, static_cast<size_t>(cr - start));
            at = cr + 1;
            if (at < end && *at == '\n')
                ++at;
            start = at;
            continue;
        }
        if (lf == nullptr)
            break;
        lines.emplace_back(start, static_cast<size_t>(lf - start));
        at = lf + 1;
        start = at;
    }
    if (start < end)
        lines.emplace_back(start, static_cast<size_t>(end - start));
    return lines;
}
