// The SOCKS settings: defaults, copying, and how a socket handler holds them
// (its own object, a copy, or a reference that dies with its owner).
#include "core/exceptions.h"
#include "net/io_handler.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

void Fill(TIdSocksInfo& socks) {
    socks.Authentication = TSocksAuthentication::saUsernamePassword;
    socks.Host = "proxy.example.org";
    socks.Password = "pw";
    socks.Port = 1081;
    socks.Username = "user";
    socks.Version = TSocksVersion::svSocks5;
}

void ExpectDefaults(const TIdSocksInfo& socks) {
    EXPECT_EQ(socks.Authentication, TSocksAuthentication::saNoAuthentication);
    EXPECT_EQ(socks.Host, "");
    EXPECT_EQ(socks.Password, "");
    EXPECT_EQ(socks.Port, 1080);
    EXPECT_EQ(socks.Username, "");
    EXPECT_EQ(socks.Version, TSocksVersion::svNoSocks);
}

TEST(SocksSettings, DefaultsAreADirectConnectionWithPort1080) {
    TIdSocksInfo socks;
    ExpectDefaults(socks);
    EXPECT_EQ(socks.OwnerHandler, nullptr);
}

TEST(SocksSettings, AssignCopiesTheSixSettingsButNotTheHandler) {
    TIdIOHandlerSocket handler;
    TIdSocksInfo source;
    Fill(source);
    source.OwnerHandler = &handler;
    TIdSocksInfo target;
    target.Assign(source);
    EXPECT_EQ(target.Authentication, TSocksAuthentication::saUsernamePassword);
    EXPECT_EQ(target.Host, "proxy.example.org");
    EXPECT_EQ(target.Password, "pw");
    EXPECT_EQ(target.Port, 1081);
    EXPECT_EQ(target.Username, "user");
    EXPECT_EQ(target.Version, TSocksVersion::svSocks5);
    EXPECT_EQ(target.OwnerHandler, nullptr);
}

TEST(SocksSettings, NegotiatingWithoutAHandlerRaisesDisconnected) {
    TIdSocksInfo socks;
    socks.Version = TSocksVersion::svSocks5;
    EXPECT_THROW(socks.NegotiateSocks("10.1.2.3", 21), EIdClosedSocket);
    // svNoSocks does nothing, with or without a handler.
    socks.Version = TSocksVersion::svNoSocks;
    EXPECT_NO_THROW(socks.NegotiateSocks("10.1.2.3", 21));
}

TEST(SocksHandlerSettings, ReadingCreatesOneOwnObjectWithDefaults) {
    TIdIOHandlerSocket handler;
    TIdSocksInfo* socks = handler.SocksInfo();
    ASSERT_NE(socks, nullptr);
    ExpectDefaults(*socks);
    EXPECT_EQ(socks->OwnerHandler, &handler);
    EXPECT_EQ(handler.SocksInfo(), socks);
}

TEST(SocksHandlerSettings, SettingsWithoutAnOwnerAreCopied) {
    TIdIOHandlerSocket handler;
    TIdSocksInfo loose;
    Fill(loose);
    handler.AssignSocksInfo(loose);
    loose.Host = "changed.example.org";
    EXPECT_NE(handler.SocksInfo(), &loose);
    EXPECT_EQ(handler.SocksInfo()->Host, "proxy.example.org");
    EXPECT_EQ(handler.SocksInfo()->Version, TSocksVersion::svSocks5);
    EXPECT_EQ(handler.SocksInfo()->OwnerHandler, &handler);
    EXPECT_EQ(loose.OwnerHandler, nullptr);
}

TEST(SocksHandlerSettings, OwnedSettingsAreReferencedUntilTheirOwnerDestroysThem) {
    TIdIOHandlerSocket handler;
    auto shared = std::make_unique<TIdSocksInfo>();
    Fill(*shared);
    handler.ReferenceSocksInfo(shared.get());
    EXPECT_EQ(handler.SocksInfo(), shared.get());
    EXPECT_EQ(shared->OwnerHandler, &handler);
    shared->Port = 9050;
    EXPECT_EQ(handler.SocksInfo()->Port, 9050);
    shared.reset();
    // The reference is gone; reading makes a fresh own object.
    TIdSocksInfo* own = handler.SocksInfo();
    ASSERT_NE(own, nullptr);
    ExpectDefaults(*own);
}

TEST(SocksHandlerSettings, CopyingTheReferencedSettingsMakesThemOwn) {
    TIdIOHandlerSocket handler;
    TIdSocksInfo shared;
    Fill(shared);
    handler.ReferenceSocksInfo(&shared);
    handler.AssignSocksInfo(shared);
    EXPECT_NE(handler.SocksInfo(), &shared);
    EXPECT_EQ(handler.SocksInfo()->Host, "proxy.example.org");
    // The handler no longer speaks through the shared settings.
    EXPECT_EQ(shared.OwnerHandler, nullptr);
}

TEST(SocksHandlerSettings, ADestroyedHandlerIsNoLongerTheSettingsTransport) {
    TIdSocksInfo shared;
    {
        TIdIOHandlerSocket handler;
        handler.ReferenceSocksInfo(&shared);
        EXPECT_EQ(shared.OwnerHandler, &handler);
    }
    EXPECT_EQ(shared.OwnerHandler, nullptr);
}

} // namespace
