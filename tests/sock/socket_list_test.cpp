// The fixed-size socket list: 64 entries, removal by moving the last entry.
#include "core/exceptions.h"
#include "sock/socket_list.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> Entries(const TIdSocketList& list) {
    std::vector<int> out;
    for (int32_t i = 0; i < list.SocketCount(); ++i)
        out.push_back(list.SocketAt(i));
    return out;
}

} // namespace

TEST(TIdSocketListPosix, HoldsSixtyFourAndRefusesTheNext) {
    TIdSocketListPosix list;
    for (int i = 0; i < 64; ++i)
        list.AddSocket(100 + i);
    EXPECT_EQ(list.SocketCount(), 64);
    try {
        list.AddSocket(999);
        FAIL() << "no exception";
    } catch (const EIdStackSetSizeExceeded& e) {
        EXPECT_STREQ(e.what(), "Set Size Exceeded.");
    }
    EXPECT_EQ(list.SocketCount(), 64);
    EXPECT_EQ(list.SocketAt(63), 163);
}

TEST(TIdSocketListPosix, RemoveMovesTheLastEntryIntoThePlace) {
    TIdSocketListPosix list;
    for (int s : {10, 11, 12, 13})
        list.AddSocket(s);
    list.RemoveSocket(11);
    EXPECT_EQ(Entries(list), (std::vector<int>{10, 13, 12}));
    list.RemoveSocket(12);
    EXPECT_EQ(Entries(list), (std::vector<int>{10, 13}));
    list.RemoveSocket(99);
    EXPECT_EQ(Entries(list), (std::vector<int>{10, 13}));
    // A freed slot is reused by the next add.
    list.AddSocket(14);
    EXPECT_EQ(Entries(list), (std::vector<int>{10, 13, 14}));
}

TEST(TIdSocketListPosix, RemoveTakesOnlyTheFirstEqualEntry) {
    TIdSocketListPosix list;
    for (int s : {5, 6, 5, 7})
        list.AddSocket(s);
    list.RemoveSocket(5);
    EXPECT_EQ(Entries(list), (std::vector<int>{7, 6, 5}));
}

TEST(TIdSocketListPosix, AnIndexOutsideTheEntriesRaises) {
    TIdSocketListPosix list;
    EXPECT_THROW(list.SocketAt(0), EIdStackSetSizeExceeded);
    list.AddSocket(3);
    EXPECT_EQ(list.SocketAt(0), 3);
    EXPECT_THROW(list.SocketAt(1), EIdStackSetSizeExceeded);
    EXPECT_THROW(list.SocketAt(-1), EIdStackSetSizeExceeded);
    EXPECT_THROW(list.SocketAt(64), EIdStackSetSizeExceeded);
    list.Clear();
    EXPECT_EQ(list.SocketCount(), 0);
    EXPECT_THROW(list.SocketAt(0), EIdStackSetSizeExceeded);
}
