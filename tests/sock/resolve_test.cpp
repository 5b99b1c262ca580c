// Host resolution, dotted-address checks and conversions, service names.
#include "core/exceptions.h"
#include "sock/stack.h"
#include "sock_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The POSIX stack, except that host lookups are only recorded and then fail
// the way an unknown name does, so that no resolver is asked.
class RecordingLookupStack : public TIdStackPosix {
public:
    explicit RecordingLookupStack(std::vector<std::string>& lookups) : FLookups(lookups) {}
    std::string LookupHost(const std::string& host) override {
        FLookups.push_back(host);
        RecordError(IdCode::WSAHOST_NOT_FOUND);
        CheckSocketResult(Id_SOCKET_ERROR);
        return {};
    }

private:
    std::vector<std::string>& FLookups;
};

class ResolveHostAddressTest : public ::testing::Test {
protected:
    std::vector<std::string> lookups;
    ScopedStackClass stack{[this] { return std::make_unique<RecordingLookupStack>(lookups); }};
};

} // namespace

TEST_F(ResolveHostAddressTest, LocalhostInAnyCaseNeedsNoLookup) {
    for (const char* name : {"LOCALHOST", "localhost", "LocalHost", "lOCALHOSt"})
        EXPECT_EQ(ResolveHostAddress(name), "127.0.0.1") << name;
    EXPECT_TRUE(lookups.empty());
}

TEST_F(ResolveHostAddressTest, DottedAddressesComeBackUnchanged) {
    for (const char* address : {"127.0.0.1", "10.1.2.3", "0.0.0.0", "255.255.255.255"})
        EXPECT_EQ(ResolveHostAddress(address), address);
    EXPECT_TRUE(lookups.empty());
}

TEST_F(ResolveHostAddressTest, IPv6AddressesNeedNoLookupAndComeInTheirStandardForm) {
    EXPECT_EQ(ResolveHostAddress("0:0::1"), "::1");
    EXPECT_EQ(ResolveHostAddresses("2001:DB8:0:0::5"), (std::vector<std::string>{"2001:db8::5"}));
    EXPECT_EQ(ResolveHostAddresses("10.1.2.3"), (std::vector<std::string>{"10.1.2.3"}));
    EXPECT_EQ(ResolveHostAddresses("LocalHost"), (std::vector<std::string>{"127.0.0.1"}));
    EXPECT_TRUE(lookups.empty());
    // In brackets it is no address but a name (the brackets belong to the
    // host-and-port texts of the window and the command line).
    EXPECT_FALSE(IsAddressText("[::1]"));
    EXPECT_TRUE(IsAddressText("::1"));
    EXPECT_FALSE(IsIPAddress("::1"));
}

TEST(ResolveHostAddresses, ANameGivesItsAddressesOfBothFamilies) {
    // "localhost" itself is answered without the resolver; its address list
    // is what the resolver has for it, 127.0.0.1 always among it.
    const std::vector<std::string> addresses = Stack().LookupHostAddresses("localhost");
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), "127.0.0.1"), addresses.end());
}

TEST_F(ResolveHostAddressTest, APartAbove255MakesItANameToLookUp) {
    try {
        ResolveHostAddress("256.1.1.1");
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 11001);
        EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
    }
    EXPECT_EQ(lookups, (std::vector<std::string>{"256.1.1.1"}));
}

TEST(ResolveHostAddress, AnUnknownNameRaisesHostNotFound) {
    // The reserved .invalid domain never resolves.
    try {
        ResolveHostAddress("no-such-host.scrivlet.invalid");
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        EXPECT_EQ(e.SocketErrorCode, 11001);
        EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
        EXPECT_EQ(Stack().LastSocketError, 11001);
    }
}

TEST(IsIPAddress, WantsExactlyFourPartsFrom0To255) {
    EXPECT_TRUE(IsIPAddress("0.0.0.0"));
    EXPECT_TRUE(IsIPAddress("255.255.255.255"));
    EXPECT_TRUE(IsIPAddress("127.0.0.1"));
    EXPECT_TRUE(IsIPAddress("192.168.100.254"));
    EXPECT_FALSE(IsIPAddress("1.2.3"));
    EXPECT_FALSE(IsIPAddress("1.2.3.4.5"));
    EXPECT_FALSE(IsIPAddress("256.1.1.1"));
    EXPECT_FALSE(IsIPAddress("1.2.3.256"));
    EXPECT_FALSE(IsIPAddress("1.-1.3.4"));
    EXPECT_FALSE(IsIPAddress("1..3.4"));
    EXPECT_FALSE(IsIPAddress("1.2.3.4."));
    EXPECT_FALSE(IsIPAddress("a.b.c.d"));
    EXPECT_FALSE(IsIPAddress("ftp.example.invalid"));
    EXPECT_FALSE(IsIPAddress(""));
}

TEST(AddressText, ConvertsBetweenDottedTextAndBytes) {
    uint8_t bytes[4] = {};
    Stack().TextToAddress("192.168.1.254", bytes);
    EXPECT_EQ((std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}),
              (std::vector<int>{192, 168, 1, 254}));
    EXPECT_EQ(Stack().AddressToText(bytes), "192.168.1.254");
    const uint8_t zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(Stack().AddressToText(zero), "0.0.0.0");
    // Each part keeps its low 8 bits.
    Stack().TextToAddress("256.1.1.1", bytes);
    EXPECT_EQ(bytes[0], 0);
}

TEST(AddressText, APartThatIsNoIntegerRaisesTheConversionError) {
    uint8_t bytes[4] = {};
    try {
        Stack().TextToAddress("1.2.3", bytes);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    EXPECT_THROW(Stack().TextToAddress("1.2.x.4", bytes), EConvertError);
}

TEST(ServicePort, KnowsNamesAndTakesNumbers) {
    EXPECT_EQ(Stack().ServicePort("ftp"), 21);
    EXPECT_EQ(Stack().ServicePort("12345"), 12345);
    try {
        Stack().ServicePort("no-such-service");
        FAIL() << "no exception";
    } catch (const EIdInvalidServiceName& e) {
        EXPECT_STREQ(e.what(), "no-such-service is not a valid service.");
    }
}

TEST(ServiceNames, ListsTheServiceOfAPort) {
    const auto names = Stack().ServiceNames(21);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "ftp");
}
