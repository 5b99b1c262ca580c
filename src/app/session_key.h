// The login a file was opened under: the Server box as typed, the port and
// the user. A file's saves go only to the login it came from.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

struct TSessionKey {
    std::string ServerText;
    int32_t Port = 0;
    std::string User;
    friend bool operator==(const TSessionKey&, const TSessionKey&) = default;
    friend auto operator<=>(const TSessionKey& a, const TSessionKey& b) {
        return std::tie(a.ServerText, a.Port, a.User) <=> std::tie(b.ServerText, b.Port, b.User);
    }
};
