// What the server supports, asked with FEAT once per connection after the
// login, and what the client does with it: UTF-8 names switched on where the
// server offers them, SIZE and MDTM asked only where they can be answered.
#include "ftp/ftp_client.h"

#include "ftp/ftp_features.h"

namespace {

constexpr int ReplySystemStatus = 211;

} // namespace

bool TIdFTP::HasFeature(const std::string& name) const {
    return ListsFeature(Features, name);
}

void TIdFTP::AskFeatures() {
    if (FFeaturesAsked)
        return;
    FFeaturesAsked = true;
    // Any other answer (5xx: FEAT unknown) means no features are listed.
    if (SendRawCommand("FEAT") == ReplySystemStatus) {
        FFeaturesListed = true;
        Features = ParseFeatureLines(LastReplyLines());
    }
    // Names are passed on as bytes either way; a server that refuses keeps
    // its own encoding, which the login does not depend on.
    if (HasFeature("UTF8"))
        SendRawCommand("OPTS UTF8 ON");
}

bool TIdFTP::MayAskFileFact(const char* verb, bool refused) const {
    if (FFeaturesListed)
        return HasFeature(verb) && !refused;
    return !refused;
}
