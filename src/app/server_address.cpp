#include "app/server_address.h"

TServerAddress SplitServerText(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size())
        return {text, 21};
    // At most five digits: anything longer is no port, and the sum cannot overflow.
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5)
        return {text, 21};
    int32_t port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return {text, 21};
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        return {text, 21};
    return {text.substr(0, colon), port};
}
