// A parsed directory listing: the entries of one LIST reply, in server order.
#pragma once

#include "core/datetime.h"
#include "ftp/list_columns.h"
#include "ftp/list_item.h"
#include "ftp/list_parse.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Fills in an entry from its RawLine when the listing format is flfCustom.
using TIdOnParseCustomListFormat = std::function<void(TIdFTPListItem& AItem)>;

class TIdFTPListItems {
public:
    TIdFTPListItems() = default;
    virtual ~TIdFTPListItems();
    TIdFTPListItems(const TIdFTPListItems&) = delete;
    TIdFTPListItems& operator=(const TIdFTPListItems&) = delete;

    TIdOnParseCustomListFormat OnParseCustomListFormat;
    TIdFTPListFormat ListFormat = flfUnix;
    // Where "now" comes from: Unix lines without a year and two-digit DOS years
    // are placed relative to it. Read once per LoadListing, and once per call
    // of a line parser made directly.
    TClock Clock = &Now;
    // A reader that keeps references to the entries (the window's rows) is
    // told here before they go: by Clear, LoadListing or destruction. Called
    // once, then forgotten.
    std::function<void()> OnEntriesGoing;

    // Appends an entry with the default field values. References to entries
    // stay valid until the collection is cleared.
    TIdFTPListItem& AddEntry();
    // Raises EListError for an index outside 0 .. Count() - 1.
    TIdFTPListItem& Items(int index);
    const TIdFTPListItem& Items(int index) const;
    int Count() const;
    void Clear();

    // Replaces the content with the entries of `ALines`, read in ListFormat.
    // Never raises: a line that fails to parse is left out, and reading goes on
    // with the next line.
    void LoadListing(const std::vector<std::string>& ALines);
    // Reads `ALines` as LoadListing does, line by line into one entry that is
    // handed to `AVisit` after each line that parses; the collection itself
    // is left as it is. For a reader that only passes entries on (a printer):
    // a listing of any length then costs the memory of one entry.
    void ReadListing(const std::vector<std::string>& ALines,
                     const std::function<void(const TIdFTPListItem&)>& AVisit);

    virtual TIdFTPListFormat DetectListFormat(const std::string& ALine, bool ADetailed);

    // Parses AItem.RawLine; failures pass through to the caller.
    void ParseEntry(TIdFTPListFormat AFormat, TIdFTPListItem& AItem);
    void ParseDosEntry(TIdFTPListItem& AItem);
    void ParseUnixEntry(TIdFTPListItem& AItem);
    // Hands the entry to OnParseCustomListFormat; without a handler raises
    // EIdInvalidFTPListingFormat.
    virtual void ParseCustomEntry(TIdFTPListItem& AItem);

private:
    TDateTime CurrentTime() const;
    // Adds the entry of a line of LoadListing; nothing when it does not
    // parse. Only the custom handler may throw, and its failures are caught
    // here too.
    // The lines of a listing worth reading (not a leading total, not blank),
    // each with the day they are read against.
    template <typename LineReader>
    void ForEachLine(const std::vector<std::string>& ALines, LineReader read);
    void LoadLine(const std::string& ALine, const TListingDay& today);
    // flfNone, flfNoDetails and flfCustom: the entry starts from the defaults.
    void LoadUndatedLine(const std::string& ALine);
    // ReadListing's line: false when it does not parse.
    bool ReadLine(const std::string& ALine, const TListingDay& today, TIdFTPListItem& AEntry);
    // The rest of an entry whose RawLine is set, in a format without dates;
    // false when the custom handler refused it.
    bool ParseUndated(TIdFTPListItem& AItem);
    // The block the next entry goes into, with room for it.
    std::vector<TIdFTPListItem>& FreeBlock();
    void TellEntriesGoing();

    // Entries live in blocks of a fixed capacity, reserved but built only as
    // entries come: one allocation per block rather than per entry, no entry
    // made twice, and an entry never moves once added.
    static constexpr size_t BlockSize = 256;
    std::vector<std::vector<TIdFTPListItem>> FBlocks;
    size_t FCount = 0;
};
