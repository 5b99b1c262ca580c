// Transfers against a real FTP server (pyftpdlib on loopback), in active and
// passive mode: listings, byte-identical retrieval and storage, append,
// resume, and the local-file rules of RetrieveFile.
#include "core/exceptions.h"
#include "server_fixture.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

using ServerTransfer = ServerFixture;

std::string AllByteValues() {
    std::string bytes;
    for (int repeat = 0; repeat < 4; ++repeat)
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>(value);
    return bytes;
}

TEST_P(ServerTransfer, ListsAPreparedTreeIntoEntries) {
    WriteFileBytes(Server.RootFile("a.bin"), std::string(1234, 'a'));
    WriteFileBytes(Server.RootFile("sub/x.txt"), "x");
    Client.ListDirectory(nullptr, "", true);
    TIdFTPListItems& entries = Client.DirectoryEntries();
    ASSERT_EQ(entries.Count(), 2);
    // pyftpdlib lists in directory order; find each by name.
    const TIdFTPListItem* file = nullptr;
    const TIdFTPListItem* dir = nullptr;
    for (int i = 0; i < entries.Count(); ++i) {
        if (entries.Items(i).EntryName == "a.bin")
            file = &entries.Items(i);
        if (entries.Items(i).EntryName == "sub")
            dir = &entries.Items(i);
    }
    ASSERT_NE(file, nullptr);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(file->EntryKind, fekFile);
    EXPECT_EQ(file->EntrySize, 1234);
    EXPECT_EQ(file->OwnerRights, "rw-");
    EXPECT_EQ(dir->EntryKind, fekDirectory);
    EXPECT_NE(file->LastModified, 0);

    std::vector<std::string> lines;
    Client.ListDirectory(&lines, "/sub", true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Client.DirectoryEntries().Items(0).EntryName, "x.txt");
    EXPECT_EQ(Client.RawListing, lines);
}

TEST_P(ServerTransfer, RetrieveAndStoreAreByteIdentical) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"all-bytes.bin", AllByteValues()},
        {"empty.bin", ""},
        {"ten-mib.bin", RandomBytes(10 << 20, 41)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteFileBytes(Server.RootFile(name), bytes);
        TMemoryStream retrieved;
        Client.RetrieveStream("/" + name, retrieved, false);
        EXPECT_TRUE(retrieved.ToString() == bytes);

        TMemoryStream source = StreamOf(bytes);
        Client.StoreStream(source, "/stored-" + name, false);
        EXPECT_TRUE(ReadFileBytes(Server.RootFile("stored-" + name)) == bytes);

        WriteFileBytes(Local.File(name), bytes);
        Client.StoreFile(Local.File(name), "/file-" + name, false);
        Client.RetrieveFile("/file-" + name, Local.File("back-" + name), false, false);
        EXPECT_TRUE(ReadFileBytes(Local.File("back-" + name)) == bytes);
    }
}

TEST_P(ServerTransfer, AppendAddsToTheEndOfTheRemoteFile) {
    TMemoryStream first = StreamOf("first part, ");
    Client.StoreStream(first, "/log.txt", false);
    TMemoryStream second = StreamOf("second part");
    Client.StoreStream(second, "/log.txt", true);
    EXPECT_EQ(ReadFileBytes(Server.RootFile("log.txt")), "first part, second part");
}

TEST_P(ServerTransfer, ResumeContinuesAPartialDownload) {
    const std::string full = RandomBytes(100000, 42);
    WriteFileBytes(Server.RootFile("big.bin"), full);
    WriteFileBytes(Local.File("big.bin"), full.substr(0, 40000));
    Client.RetrieveFile("/big.bin", Local.File("big.bin"), false, true);
    EXPECT_TRUE(Client.ResumeAllowed);
    EXPECT_TRUE(ReadFileBytes(Local.File("big.bin")) == full);
}

TEST_P(ServerTransfer, SizedGetsPassAndAResumeOfACompleteFileFetchesNothing) {
    const std::string full = RandomBytes(5000, 43);
    WriteFileBytes(Server.RootFile("whole.bin"), full);
    EXPECT_EQ(Client.Size("/whole.bin"), 5000);
    EXPECT_NE(Client.FileDate("/whole.bin"), 0);
    // After TYPE I every retrieve is checked against SIZE.
    Client.RetrieveFile("/whole.bin", Local.File("whole.bin"), false, false);
    EXPECT_TRUE(ReadFileBytes(Local.File("whole.bin")) == full);
    Status.clear();
    Client.RetrieveFile("/whole.bin", Local.File("whole.bin"), false, true);
    EXPECT_TRUE(Status.empty());
    EXPECT_TRUE(ReadFileBytes(Local.File("whole.bin")) == full);
}

TEST_P(ServerTransfer, RetrieveFileRefusesAnExistingFile) {
    WriteFileBytes(Server.RootFile("f.txt"), "remote");
    WriteFileBytes(Local.File("f.txt"), "local");
    EXPECT_THROW(Client.RetrieveFile("/f.txt", Local.File("f.txt"), false, false),
                 EIdFTPFileAlreadyExists);
    EXPECT_EQ(ReadFileBytes(Local.File("f.txt")), "local");
    // With overwriting allowed it is replaced.
    Client.RetrieveFile("/f.txt", Local.File("f.txt"), true, false);
    EXPECT_EQ(ReadFileBytes(Local.File("f.txt")), "remote");
}

TEST_P(ServerTransfer, MissingRemoteFileLeavesAnEmptyLocalFile) {
    Status.clear();
    try {
        Client.RetrieveFile("/no-such-file", Local.File("out.bin"), false, false);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyCode, 550);
    }
    EXPECT_EQ(Status, (std::vector<std::string>{"Starting FTP transfer", "Transfer complete"}));
    EXPECT_TRUE(FileExists(Local.File("out.bin")));
    EXPECT_EQ(ReadFileBytes(Local.File("out.bin")), "");
    // The control connection goes on.
    EXPECT_EQ(Client.SendRawCommand("NOOP"), 200);
}

TEST_P(ServerTransfer, NamesRoundTripAsBytesThroughListGetAndPut) {
    // Several blanks, leading blanks, ';' and non-ASCII characters (UTF-8).
    const std::vector<std::string> names = {"two  blanks.txt", "  leading.txt", "semi;colon.txt",
                                            "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt"};
    for (const std::string& name : names)
        WriteFileBytes(Server.RootFile("in/" + name), "bytes of " + name);
    Client.ListDirectory(nullptr, "/in", true);
    std::vector<std::string> listed;
    for (int i = 0; i < Client.DirectoryEntries().Count(); ++i)
        listed.push_back(Client.DirectoryEntries().Items(i).EntryName);
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(listed, expected);
    std::filesystem::create_directory(Server.RootFile("out"));
    for (const std::string& name : listed) {
        SCOPED_TRACE(name);
        // What the listing gave is what goes back on the wire.
        TMemoryStream stream;
        Client.RetrieveStream("/in/" + name, stream, false);
        EXPECT_EQ(stream.ToString(), "bytes of " + name);
        stream.SetPosition(0);
        Client.StoreStream(stream, "/out/" + name, false);
        EXPECT_EQ(ReadFileBytes(Server.RootFile("out/" + name)), "bytes of " + name);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ServerTransfer, ::testing::Bool(), ServerFixture::ModeName);

} // namespace
