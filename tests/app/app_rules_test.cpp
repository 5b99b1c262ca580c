// The plain text rules of the window: the error report's full stop, the
// dialog caption, the Server box's "host:port", remote paths, the counts line.
#include "app/app_texts.h"
#include "app/error_report.h"
#include "app/remote_path.h"
#include "app/server_address.h"

#include <gtest/gtest.h>

TEST(ErrorReportText, AddsAFullStopAfterALetterOrADigitOnly) {
    EXPECT_EQ(ErrorReportText("Connect timed out"), "Connect timed out.");
    EXPECT_EQ(ErrorReportText("Read Timeout"), "Read Timeout.");
    EXPECT_EQ(ErrorReportText("Socket Error # 111"), "Socket Error # 111.");
    EXPECT_EQ(ErrorReportText("Already connected."), "Already connected.");
    EXPECT_EQ(ErrorReportText("Invalid Port Range (1 - 0)"), "Invalid Port Range (1 - 0)");
    EXPECT_EQ(ErrorReportText("Not Connected\r\n"), "Not Connected\r\n");
    // "/" sorts after "." and "-" before it.
    EXPECT_EQ(ErrorReportText("at /"), "at /.");
    EXPECT_EQ(ErrorReportText("a -"), "a -");
    EXPECT_EQ(ErrorReportText(""), "");
}

TEST(ErrorReportText, TreatsBytesAbove127AsSortingAfterTheStop) {
    EXPECT_EQ(ErrorReportText("Fehler \xc3\xa4"), "Fehler \xc3\xa4.");
}

TEST(ApplicationTitle, IsTheFileNameCutAtItsFirstDotWithTheRestLowerCased) {
    EXPECT_EQ(ApplicationTitle("/usr/local/bin/scrivlet"), "scrivlet");
    EXPECT_EQ(ApplicationTitle("/opt/Tools/OpenFile.Tool.exe"), "Openfile");
    EXPECT_EQ(ApplicationTitle("SCRIVLET"), "Scrivlet");
    EXPECT_EQ(ApplicationTitle("/a.b/run"), "run");
    EXPECT_EQ(ApplicationTitle("/bin/.hidden"), "");
}

TEST(SplitServerText, TakesAPortAfterTheLastColon) {
    const TServerAddress demo = SplitServerText("localhost:2121");
    EXPECT_EQ(demo.Host, "localhost");
    EXPECT_EQ(demo.Port, 2121);
    const TServerAddress plain = SplitServerText("ftp.example.org");
    EXPECT_EQ(plain.Host, "ftp.example.org");
    EXPECT_EQ(plain.Port, 21);
}

TEST(SplitServerText, KeepsTheWholeTextWhenNoPortFollows) {
    for (const char* text : {"host:", "host:21a", "host:0", "host:65536", "host:123456", ""}) {
        const TServerAddress address = SplitServerText(text);
        EXPECT_EQ(address.Host, text);
        EXPECT_EQ(address.Port, 21) << text;
    }
    EXPECT_EQ(SplitServerText("host:65535").Port, 65535);
    EXPECT_EQ(SplitServerText(":21").Host, "");
}

TEST(SplitServerText, TakesIPv6AddressesBareOrInBrackets) {
    struct Case {
        const char* Text;
        const char* Host;
        int32_t Port;
    };
    const Case cases[] = {
        {"::1", "::1", 21},
        // Bare, its last group is no port: this is the address ::1:2121.
        {"::1:2121", "::1:2121", 21},
        {"[::1]", "::1", 21},
        {"[::1]:2121", "::1", 2121},
        {"[2001:db8::5]:65535", "2001:db8::5", 65535},
        // No port after the brackets, or no address in them: the whole text.
        {"[::1]:", "[::1]:", 21},
        {"[::1]:99999", "[::1]:99999", 21},
        {"[::1]x", "[::1]x", 21},
    };
    for (const Case& c : cases) {
        const TServerAddress address = SplitServerText(c.Text);
        EXPECT_EQ(address.Host, c.Host) << c.Text;
        EXPECT_EQ(address.Port, c.Port) << c.Text;
    }
}

TEST(TrustKey, KeepsAnIPv6AddressApartFromThePort) {
    EXPECT_EQ(TrustKey("0:0::1", 21), "[::1]:21");
    EXPECT_EQ(TrustKey("ftp.example.org", 990), "ftp.example.org:990");
}

TEST(RemotePath, JoinsUnderTheRootWithOneSlash) {
    EXPECT_EQ(JoinRemotePath("/", "x"), "/x");
    EXPECT_EQ(JoinRemotePath("/a", "x"), "/a/x");
    EXPECT_EQ(JoinRemotePath("/home/brimol", "docs"), "/home/brimol/docs");
    EXPECT_EQ(JoinRemotePath("", "x"), "/x");
}

TEST(RemotePath, GoesUpToTheParentAndStopsAtTheRoot) {
    EXPECT_EQ(GoUpPath("/a/b"), "/a");
    EXPECT_EQ(GoUpPath("/a"), "/");
    EXPECT_EQ(GoUpPath("/"), "/");
    EXPECT_EQ(GoUpPath(""), "/");
    EXPECT_EQ(GoUpPath("name"), "name");
}

TEST(AppText, CountsLineStartsWithTheListedPath) {
    EXPECT_EQ(AppText::ListingCounts("/a", 3, 2), "/a 3 file(s) 2 Folder(s)");
    EXPECT_EQ(AppText::ListingCounts("", 0, 0), " 0 file(s) 0 Folder(s)");
}
