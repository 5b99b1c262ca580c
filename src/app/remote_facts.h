// What the server says about the file a worker edits, recorded at each
// download and after each upload and asked again before each upload: when
// it differs, someone else changed the file and the upload must not go over
// it without the user's yes.
#pragma once

#include "core/datetime.h"

#include <cstdint>
#include <string>

class TIdFTP;

struct TRemoteFacts {
    // SIZE (after TYPE I); -1 when the server does not say.
    int64_t Size = -1;
    // MDTM (UTC); 0 when the server does not say.
    TDateTime Date = 0;
};

// SIZE and MDTM of `path`. Throws EIdProtocolReplyError when the server
// answers 421 (it is closing the connection), so the caller can log in again.
TRemoteFacts AskRemoteFacts(TIdFTP& client, const std::string& path);

// True when a fact both readings know has changed. A fact the server does
// not give (or a file that is gone) is no change.
bool RemoteFactsDiffer(const TRemoteFacts& recorded, const TRemoteFacts& now);

// The name "Keep both" uploads the user's copy as, beside `remotePath`:
// "/d/notes.txt" at `when` (local time) gives "/d/notes.mine-20261209-210000.txt".
std::string KeepBothPath(const std::string& remotePath, std::time_t when);
