// SIZE and MDTM: the number and the time of a 213 reply, and what a refusal
// or a malformed reply gives.
#include "core/datetime.h"
#include "transfer_fixture.h"

#include <gtest/gtest.h>

namespace {

using FileFacts = TransferFixture;

TEST_F(FileFacts, SizeIsTheNumberOf213AndMinusOneOtherwise) {
    Server.Reply("213 9000000000")
        .Reply("550 /nope: No such file")
        .Reply("213 12 bytes")
        .Reply("213 -5");
    EXPECT_EQ(Client.Size("/big.iso"), 9000000000);
    EXPECT_EQ(Client.Size("/nope"), -1);
    EXPECT_EQ(Client.Size("/odd"), -1);
    EXPECT_EQ(Client.Size("/neg"), -1);
    EXPECT_EQ(Server.Commands(), (Lines{"SIZE /big.iso", "SIZE /nope", "SIZE /odd", "SIZE /neg"}));
}

TEST_F(FileFacts, FileDateReadsTheUtcStampWithOrWithoutFraction) {
    Server.Reply("213 20261209204219")
        .Reply("213 20240229235959.25")
        .Reply("550 /nope: No such file")
        .Reply("213 20261332000000")
        .Reply("213 2026120920")
        .Reply("213 20261209204219Z");
    EXPECT_DOUBLE_EQ(Client.FileDate("/a.txt"),
                     EncodeDate(2026, 12, 9) + EncodeTime(20, 42, 19, 0));
    EXPECT_DOUBLE_EQ(Client.FileDate("/b.txt"),
                     EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 250));
    EXPECT_EQ(Client.FileDate("/nope"), 0);
    EXPECT_EQ(Client.FileDate("/bad-month"), 0);
    EXPECT_EQ(Client.FileDate("/short"), 0);
    EXPECT_EQ(Client.FileDate("/suffix"), 0);
    EXPECT_EQ(Server.Commands().front(), "MDTM /a.txt");
}

} // namespace
