// One entry of a directory listing, as the listing parser fills it in.
#pragma once

#include "core/datetime.h"

#include <cstdint>
#include <string>

enum TIdFTPEntryKind : uint8_t {
    fekDirectory = 0,
    fekFile = 1,
    fekSymbolicLink = 2,
};

enum TIdFTPListFormat : uint8_t {
    flfNone = 0,      // lines are kept as raw text only
    flfDos = 1,       // IIS / DOS "dir" style
    flfUnix = 2,      // "ls -l" style
    flfVax = 3,       // recognised by "DSK:", read like Unix lines
    flfNoDetails = 4, // one name per line
    flfUnknown = 5,   // every line fails
    flfCustom = 6,    // each line goes to the application's handler
};

class TIdFTPListItem {
public:
    int64_t EntrySize = 0;
    int32_t LinkCount = 0;
    std::string RawLine;
    std::string EntryName;
    std::string GroupRights = "???";
    std::string GroupAccount = "????????";
    std::string OwnerRights = "???";
    std::string OwnerAccount = "????????";
    std::string OtherRights = "???";
    TDateTime LastModified = 0;
    std::string LinkTarget;
    TIdFTPEntryKind EntryKind = fekFile;

    // Takes over every field of another entry.
    void CopyEntry(const TIdFTPListItem& ASource);
};
