// The listing parser over arbitrary lines.
//
// Input: byte 0 picks the "now" that Unix lines without a year and two-digit
// DOS years are placed against; the rest is listing text, split into lines by the
// client's splitter. The format is detected from the first line and
// the whole listing loaded (which must never raise); then every line is parsed
// alone in every format, where only the network and conversion exceptions and
// the list error of a line short of columns may come out, and a parsed entry
// must hold a usable date.

#include "core/datetime.h"
#include "core/exceptions.h"
#include "ftp/list_items.h"
#include "ftp/list_lines.h"
#include "fuzz_check.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

TClock ClockFrom(uint8_t choice) {
    const TDateTime now =
        EncodeDate(1990 + (choice >> 4) * 5, 1 + (choice & 15) % 12, 15) + EncodeTime(12, 0, 0, 0);
    return [now] { return now; };
}

void CheckEntry(const TIdFTPListItem& item) {
    const TDateTime earliest = EncodeDate(1, 1, 1);
    const TDateTime latest = EncodeDate(9999, 12, 31) + 1;
    FuzzRequire(std::isfinite(item.LastModified), "an entry dated NaN or infinity");
    FuzzRequire(item.LastModified == 0 ||
                    (item.LastModified >= earliest && item.LastModified < latest),
                "an entry dated outside the calendar");
    FuzzRequire(item.EntryKind == fekDirectory || item.EntryKind == fekFile ||
                    item.EntryKind == fekSymbolicLink,
                "an entry of no known kind");
}

void LoadWhole(const std::vector<std::string>& lines, const TClock& clock) {
    TIdFTPListItems listing;
    listing.Clock = clock;
    FuzzRequire(listing.DetectListFormat(lines.front(), false) == flfNoDetails,
                "a names-only listing detected as something else");
    const TIdFTPListFormat format = listing.DetectListFormat(lines.front(), true);
    FuzzRequire(format == flfUnix || format == flfVax || format == flfDos || format == flfUnknown,
                "a detailed line detected as a format detection cannot give");
    listing.ListFormat = format;
    try {
        listing.LoadListing(lines);
    } catch (...) {
        FuzzUnexpected("LoadListing raised");
    }
    FuzzRequire(listing.Count() <= static_cast<int>(lines.size()), "more entries than lines");
    for (int i = 0; i < listing.Count(); ++i)
        CheckEntry(listing.Items(i));
    if (format == flfUnknown)
        FuzzRequire(listing.Count() == 0, "entries from a listing of unknown format");
}

void ParseEachLine(const std::vector<std::string>& lines, const TClock& clock) {
    TIdFTPListItems listing;
    listing.Clock = clock;
    for (const std::string& line : lines) {
        for (int f = flfNone; f <= flfCustom; ++f) {
            TIdFTPListItem& item = listing.AddEntry();
            item.RawLine = line;
            try {
                listing.ParseEntry(static_cast<TIdFTPListFormat>(f), item);
                CheckEntry(item);
            } catch (const EIdException&) {
            } catch (const EConvertError&) {
            } catch (const EListError&) {
                // A Unix line short of columns.
            } catch (...) {
                FuzzUnexpected("ParseEntry raised something other than EIdException, "
                               "EConvertError or EListError");
            }
            listing.Clear();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // Cut by the client's own splitter, so the lines are the ones a received
    // listing gives.
    const std::vector<std::string_view> views =
        SplitListingLines(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    const std::vector<std::string> lines(views.begin(), views.end());
    if (lines.empty())
        return 0;
    const TClock clock = ClockFrom(data[0]);
    LoadWhole(lines, clock);
    ParseEachLine(lines, clock);
    return 0;
}
