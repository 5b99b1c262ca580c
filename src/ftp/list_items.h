// A parsed directory listing: the entries of one LIST reply, in server order.
#pragma once

#include "core/datetime.h"
#include "ftp/list_columns.h"
#include "ftp/list_item.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Fills in an entry from its RawLine when the listing format is flfCustom.
using TIdOnParseCustomListFormat = std::function<void(TIdFTPListItem& AItem)>;

class TIdFTPListItems {
public:
    TIdFTPListItems() = default;
    virtual ~TIdFTPListItems() = default;
    TIdFTPListItems(const TIdFTPListItems&) = delete;
    TIdFTPListItems& operator=(const TIdFTPListItems&) = delete;

    TIdOnParseCustomListFormat OnParseCustomListFormat;
    TIdFTPListFormat ListFormat = flfUnix;
    // Where "now" comes from: Unix lines without a year and two-digit DOS years
    // are placed relative to it. Read once per line.
    TClock Clock = &Now;

    // Appends an entry with the default field values.
    TIdFTPListItem& AddEntry();
    // Raises EListError for an index outside 0 .. Count() - 1.
    TIdFTPListItem& Items(int index);
    const TIdFTPListItem& Items(int index) const;
    int Count() const;
    void Clear();

    // Replaces the content with the entries of `ALines`, read in ListFormat.
    // Never raises: a line that fails to parse throws away every entry gathered
    // so far, itself included, and reading goes on with the next line.
    void LoadListing(const std::vector<std::string>& ALines);

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

    std::vector<std::unique_ptr<TIdFTPListItem>> FItems;
};
