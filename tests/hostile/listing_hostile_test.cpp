// Listings a hostile server may send: names that try to climb out of a folder
// or carry control characters, names far longer than a reply line, and a
// listing of a million lines.
#include "data_peer.h"
#include "hostile_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

#ifdef __SANITIZE_THREAD__
constexpr long PeakGrowthLimitMiB = 4096;
#else
constexpr long PeakGrowthLimitMiB = 2048;
#endif

// The resident set's peak so far, in MiB (0 when it cannot be read).
long PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6)) / 1024;
    return 0;
}

struct ListingHostile : HostileFixture {
    ListingHostile() {
        LogIn();
        Client.Passive = true;
    }

    void List(std::string listing) {
        Data.ServePassive(SendAndClose(std::move(listing)));
        Server.Reply(Data.PasvReply()).ReplyRaw("150 Here it comes\r\n226 Done\r\n");
        Client.ListDirectory(nullptr, "", true);
        Data.Join();
    }

    static std::string Line(const std::string& name) {
        return "-rw-r--r--   1 owner    group        1234 Jan 01  2020 " + name + "\r\n";
    }

    DataPeer Data;
};

TEST_F(ListingHostile, HostileNamesAreParsedWithoutHarm) {
    // Names are kept exactly as sent, control characters included: they are
    // data, and a name changed here would fetch a different file.
    const std::string longName(100 * 1024, 'n');
    const std::vector<std::pair<std::string, std::string>> names = {
        {"../../etc/passwd", "../../etc/passwd"},
        {"/etc/passwd", "/etc/passwd"},
        {"a/../../b", "a/../../b"},
        {"-rf", "-rf"},
        {"bell\x07 and \x1b[31mred", "bell\x07 and \x1b[31mred"},
        {"esc\x1b]0;title\x07inside", "esc\x1b]0;title\x07inside"},
        {"tab\there", "tab\there"},
        {longName, longName}};
    std::string listing;
    for (const auto& name : names)
        listing += Line(name.first);
    ASSERT_NO_THROW(List(listing));
    ASSERT_EQ(Client.RawListing.size(), names.size());
    TIdFTPListItems& entries = Client.DirectoryEntries();
    ASSERT_EQ(entries.Count(), static_cast<int>(names.size()));
    for (int i = 0; i < entries.Count(); ++i) {
        EXPECT_EQ(entries.Items(i).EntryName, names[i].second) << i;
        EXPECT_EQ(entries.Items(i).EntrySize, 1234) << i;
    }
    // A listing is read as a stream, not as reply lines: the reply-line limit
    // does not apply to the 100 KB name.
    EXPECT_EQ(entries.Items(entries.Count() - 1).EntryName.size(), longName.size());
    ExpectUsableAgain();
}

TEST_F(ListingHostile, LineBreaksInsideANameSplitTheEntry) {
    // A CR or LF in a name ends the line there: the rest becomes a line of its
    // own, which does not parse and is left out.
    ASSERT_NO_THROW(List(Line("first") + Line("half\rrest") + Line("last")));
    EXPECT_EQ(Client.RawListing.size(), 4u);
    TIdFTPListItems& entries = Client.DirectoryEntries();
    ASSERT_GE(entries.Count(), 1);
    EXPECT_EQ(entries.Items(entries.Count() - 1).EntryName, "last");
    EXPECT_EQ(entries.Items(0).EntryName, "first");
}

TEST_F(ListingHostile, MillionLineListingIsReadAndParsed) {
    constexpr int Count = 1000000;
    std::string listing;
    listing.reserve(static_cast<size_t>(Count) * 80);
    char name[32];
    for (int i = 0; i < Count; ++i) {
        std::snprintf(name, sizeof name, "file%07d.txt", i);
        listing += Line(name);
    }
    const size_t bytes = listing.size();
    const long before = PeakResidentMiB();
    ASSERT_NO_THROW(List(std::move(listing)));
    ASSERT_EQ(Client.RawListing.size(), static_cast<size_t>(Count));
    TIdFTPListItems& entries = Client.DirectoryEntries();
    ASSERT_EQ(entries.Count(), Count);
    EXPECT_EQ(entries.Items(0).EntryName, "file0000000.txt");
    EXPECT_EQ(entries.Items(Count - 1).EntryName, "file0999999.txt");
    // The text, its lines and a parsed entry per line, with the sanitizer's
    // own overhead: for these 68 MiB about 900 MiB under AddressSanitizer and
    // 2400 MiB under ThreadSanitizer, and nothing that grows beyond that.
    const long grown = PeakResidentMiB() - before;
    std::printf("listing of %zu MiB: peak resident set grew by %ld MiB\n", bytes >> 20, grown);
    EXPECT_LT(grown, PeakGrowthLimitMiB);
    ExpectUsableAgain();
}

} // namespace
