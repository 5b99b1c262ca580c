// The control dialogue for --verbose: each command sent ("> USER bob") and
// each reply line received ("< 331 Password required"), the password masked,
// written as whole lines however the bytes were split on the wire; and
// facts about the session in between ("* TLS: TLSv1.3 TLS_AES_256_GCM_SHA384").
#pragma once

#include "net/intercept.h"

#include <ostream>
#include <string>

class DialogueLog : public TIdConnectionIntercept {
public:
    explicit DialogueLog(std::ostream& out);

    // The line as shown: a PASS command's argument replaced by stars.
    static std::string Masked(const std::string& command);
    // One fact about the session, as its own line.
    void Note(const std::string& fact);

private:
    void Take(std::string& pending, TStream& stream, const char* prefix);

    std::ostream& FOut;
    std::string FSent;
    std::string FReceived;
};
