// Listings against the scripted control peer: LIST and NLST texts, the split
// into lines, the parsed entries with their hooks, and the size cap.
#include "core/exceptions.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

namespace {

using Listing = TransferFixture;

constexpr const char* UnixLines = "drwxr-xr-x   2 ftp   ftp       4096 Jan 10  2024 pub\r\n"
                                  "-rw-r--r--   1 ftp   ftp     123456 Jan 10  2024 a.bin\r\n";

// Lists once in passive mode with the listing text `text`.
void ListOnce(Listing& test, std::vector<std::string>* dest, const std::string& specifier,
              bool details, const std::string& text) {
    DataPeer data;
    data.ServePassive(SendAndClose(text));
    test.Server.Reply(data.PasvReply()).ReplyRaw("150 Here it comes\r\n226 Done\r\n");
    test.Client.ListDirectory(dest, specifier, details);
    data.Join();
}

TEST_F(Listing, CommandTextsForDetailsAndSpecifier) {
    Client.Passive = true;
    ListOnce(*this, nullptr, "", true, "");
    ListOnce(*this, nullptr, "/pub", true, "");
    ListOnce(*this, nullptr, "/pub", false, "");
    // Blanks are trimmed off the whole command, not off the specifier.
    ListOnce(*this, nullptr, "/pub \t", true, "");
    ListOnce(*this, nullptr, " ", false, "");
    EXPECT_EQ(Server.Commands(), (Lines{"PASV", "LIST", "PASV", "LIST /pub", "PASV", "NLST /pub",
                                        "PASV", "LIST /pub", "PASV", "NLST"}));
}

TEST_F(Listing, LinesEndAtCrLfLfOrCrWithoutATrailingEmptyLine) {
    Client.Passive = true;
    std::vector<std::string> dest;
    ListOnce(*this, &dest, "", true, "one\r\ntwo\nthree\rfour\r\n");
    EXPECT_EQ(dest, (Lines{"one", "two", "three", "four"}));
    EXPECT_EQ(Client.RawListing, dest);
    ListOnce(*this, &dest, "", true, "a\r\n\r\nb");
    EXPECT_EQ(dest, (Lines{"a", "", "b"}));
}

TEST_F(Listing, ActiveListingParsesIntoEntries) {
    Data.ServeActive(Server, SendAndClose(UnixLines));
    Server.Reply("200 PORT ok").ReplyRaw("150 Here it comes\r\n226 Done\r\n");
    Client.ListDirectory(nullptr, "", true);
    Data.Join();
    TIdFTPListItems& entries = Client.DirectoryEntries();
    ASSERT_EQ(entries.Count(), 2);
    EXPECT_EQ(entries.Items(0).EntryName, "pub");
    EXPECT_EQ(entries.Items(0).EntryKind, fekDirectory);
    EXPECT_EQ(entries.Items(1).EntryName, "a.bin");
    EXPECT_EQ(entries.Items(1).EntrySize, 123456);
    // Made once, kept until the next listing.
    EXPECT_EQ(&Client.DirectoryEntries(), &entries);
}

TEST_F(Listing, FailedListingLeavesTheOldLinesAndEntries) {
    Client.Passive = true;
    ListOnce(*this, nullptr, "", true, UnixLines);
    TIdFTPListItems* entries = &Client.DirectoryEntries();
    Server.Reply(PasvReplyFor(ClosedPort()));
    EXPECT_THROW(Client.ListDirectory(nullptr, "", true), EIdSocketError);
    EXPECT_EQ(Client.RawListing.size(), 2u);
    EXPECT_EQ(&Client.DirectoryEntries(), entries);
    EXPECT_EQ(entries->Count(), 2);
}

TEST_F(Listing, HooksSupplyTheListCheckTheFormatAndParseCustomLines) {
    Client.Passive = true;
    std::vector<std::string> seenLines;
    std::vector<TIdFTPListFormat> seenFormats;
    Client.OnCreateFTPList = [](TIdFTP*, std::unique_ptr<TIdFTPListItems>& list) {
        list = std::make_unique<TIdFTPListItems>();
        list->OnParseCustomListFormat = [](TIdFTPListItem& item) {
            item.EntryName = "custom:" + item.RawLine;
        };
    };
    Client.OnCheckListFormat = [&](TIdFTP*, const std::string& line, TIdFTPListFormat& format) {
        seenLines.push_back(line);
        seenFormats.push_back(format);
        format = flfCustom;
    };
    ListOnce(*this, nullptr, "", true, UnixLines);
    TIdFTPListItems& entries = Client.DirectoryEntries();
    EXPECT_EQ(seenLines, (Lines{"drwxr-xr-x   2 ftp   ftp       4096 Jan 10  2024 pub"}));
    EXPECT_EQ(seenFormats, (std::vector<TIdFTPListFormat>{flfUnix}));
    EXPECT_EQ(entries.ListFormat, flfCustom);
    ASSERT_EQ(entries.Count(), 2);
    EXPECT_EQ(entries.Items(1).EntryName,
              "custom:-rw-r--r--   1 ftp   ftp     123456 Jan 10  2024 a.bin");
}

TEST_F(Listing, ParseHandlerStoredThroughTheClientLastsUntilTheNextListing) {
    Client.Passive = true;
    ListOnce(*this, nullptr, "", true, UnixLines);
    Client.SetOnParseCustomListFormat([](TIdFTPListItem&) {});
    EXPECT_TRUE(static_cast<bool>(Client.OnParseCustomListFormat()));
    ListOnce(*this, nullptr, "", true, UnixLines);
    EXPECT_FALSE(static_cast<bool>(Client.OnParseCustomListFormat()));
}

TEST_F(Listing, ListingBeyondTheCapFails) {
    Client.Passive = true;
    Data.ServePassive([](RawConnection& connection) {
        const std::string chunk(1 << 20, 'L');
        // Until the client gives up; bounded in case it never does.
        for (int64_t sent = 0; sent <= TIdFTP::MaxListingSize + (8 << 20); sent += 1 << 20)
            if (!connection.Send(chunk))
                break;
        connection.Close();
    });
    Server.Reply(Data.PasvReply()).ReplyRaw("150 Here it comes\r\n426 Transfer aborted\r\n");
    try {
        Client.ListDirectory(nullptr, "", true);
        FAIL() << "no exception";
    } catch (const EIdPeerLimitExceeded& e) {
        EXPECT_STREQ(e.what(), "Directory listing is larger than 268435456 bytes.");
    }
    EXPECT_TRUE(Client.RawListing.empty());
    EXPECT_EQ(Status, Completed());
}

} // namespace
