// Downloads checked against the size the server states (SIZE in binary mode,
// else the "(N bytes)" of the 150 reply): short, long and wrongly resumed
// downloads fail with both counts; nothing is checked without a stated size.
#include "core/exceptions.h"
#include "support/temp_dir.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace {

struct DownloadCheck : TransferFixture {
    DownloadCheck() {
        Client.Passive = true;
        // The size a server states counts the bytes it sends only in binary mode.
        Server.Reply("200 Type set to I");
        Client.SendTypeCommand();
    }

    // The message of the size mismatch a retrieve of "/f" into `stream` raises.
    std::string MismatchOf(TStream& stream, bool resume = false) {
        try {
            Client.RetrieveStream("/f", stream, resume);
        } catch (const EIdTransferSizeMismatch& e) {
            return e.what();
        }
        return "no size mismatch";
    }
};

// Sends bytes until the client stops reading and the connection breaks.
DataPeer::Action SendEndlessly() {
    return [](RawConnection& connection) {
        const std::string block(16 << 10, 'e');
        while (connection.Send(block, std::chrono::seconds(2))) {
        }
    };
}

TEST_F(DownloadCheck, SizeFromSizeCommandShortFailsExactPasses) {
    Data.ServePassive(SendAndClose(std::string(256, 's')));
    Server.Reply("213 512").Reply(Data.PasvReply()).ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream;
    EXPECT_EQ(MismatchOf(stream), "Received 256 of 512 bytes.");
    Data.Join();
    EXPECT_EQ(Server.Commands(), (Lines{"TYPE I", "SIZE /f", "PASV", "RETR /f"}));

    DataPeer exact;
    exact.ServePassive(SendAndClose(std::string(512, 'x')));
    Server.Reply("213 512").Reply(exact.PasvReply()).ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream whole;
    EXPECT_NO_THROW(Client.RetrieveStream("/f", whole, false));
    EXPECT_EQ(whole.Size(), 512);
}

TEST_F(DownloadCheck, SizeRefusedThe150CountIsChecked) {
    Data.ServePassive(SendAndClose(std::string(600, 'l')));
    Server.Reply("550 SIZE not allowed")
        .Reply(Data.PasvReply())
        .ReplyRaw("150 Opening BINARY mode data connection for /f (512 bytes).\r\n226 Done\r\n");
    TMemoryStream stream;
    EXPECT_EQ(MismatchOf(stream), "Received 600 of 512 bytes.");
    // Nothing beyond the stated size reached the target.
    EXPECT_LE(stream.Size(), 512);
}

TEST_F(DownloadCheck, WithoutAStatedSizeAnyLengthPasses) {
    Data.ServePassive(SendAndClose(std::string(600, 'n')));
    Server.Reply("550 SIZE not allowed")
        .Reply(Data.PasvReply())
        .ReplyRaw("150 Opening data connection\r\n226 Done\r\n");
    TMemoryStream stream;
    EXPECT_NO_THROW(Client.RetrieveStream("/f", stream, false));
    EXPECT_EQ(stream.Size(), 600);
}

TEST_F(DownloadCheck, AnEndlessStreamIsCutOffAtTheStatedSize) {
    Data.ServePassive(SendEndlessly());
    Server.Reply("213 512")
        .Reply(Data.PasvReply())
        .ReplyRaw("150 Opening\r\n426 Connection closed; transfer aborted\r\n")
        .Reply("200 NOOP ok");
    TMemoryStream stream;
    const std::string message = MismatchOf(stream);
    EXPECT_TRUE(std::regex_match(message, std::regex("Received [0-9]+ of 512 bytes\\.")))
        << message;
    EXPECT_LE(stream.Size(), 512);
    Data.Join();
    // The transfer's final reply was read: the next command gets its own.
    EXPECT_EQ(Client.SendCommand("NOOP", 200), 200);
}

// Into a file the bytes bypass memory (splice); the stated size still holds.
TEST_F(DownloadCheck, AnEndlessStreamIntoAFileStopsAtTheStatedSize) {
    Data.ServePassive(SendEndlessly());
    Server.Reply("213 512")
        .Reply(Data.PasvReply())
        .ReplyRaw("150 Opening\r\n426 Connection closed; transfer aborted\r\n");
    TempDir dir;
    EXPECT_THROW(Client.RetrieveFile("/f", dir.File("f"), true, false), EIdTransferSizeMismatch);
    Data.Join();
    std::ifstream in(dir.File("f"), std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, std::string(512, 'e'));
}

TEST_F(DownloadCheck, AResumeTheServerIgnoresFails) {
    Client.ResumeProbed = true;
    Client.ResumeAllowed = true;
    // Answers 350 to REST 256, then sends the whole file from byte 0.
    Data.ServePassive(SendAndClose(std::string(512, 'r')));
    Server.Reply("213 512")
        .Reply(Data.PasvReply())
        .Reply("350 Restarting at 256")
        .ReplyRaw("150 Opening\r\n226 Done\r\n");
    TMemoryStream stream = StreamOf(std::string(256, 'h'));
    stream.Seek(0, TSeekOrigin::soEnd);
    const std::string message = MismatchOf(stream, true);
    EXPECT_TRUE(std::regex_match(message, std::regex("Received [0-9]+ of 512 bytes\\.")))
        << message;
    EXPECT_EQ(Server.Commands()[3], "REST 256");
}

TEST_F(DownloadCheck, AResumeOfACompleteFileFetchesNothingALargerOneFails) {
    Client.ResumeProbed = true;
    Client.ResumeAllowed = true;
    Server.Reply("213 512").Reply("213 512");
    TMemoryStream complete = StreamOf(std::string(512, 'c'));
    complete.Seek(0, TSeekOrigin::soEnd);
    EXPECT_NO_THROW(Client.RetrieveStream("/f", complete, true));
    EXPECT_EQ(complete.Size(), 512);

    TMemoryStream larger = StreamOf(std::string(600, 'c'));
    larger.Seek(0, TSeekOrigin::soEnd);
    EXPECT_EQ(MismatchOf(larger, true),
              "The local file has 600 bytes, more than the 512 bytes of the remote file.");
    EXPECT_EQ(Server.Commands(), (Lines{"TYPE I", "SIZE /f", "SIZE /f"}));
    EXPECT_TRUE(Status.empty());
}

} // namespace
