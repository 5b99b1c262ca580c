// The descriptor value: exactly one owner closes the socket, hand-overs move it.
#include "sock/socket_descriptor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

int NewSocket() {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

TEST(SocketDescriptor, TheLastOwnerClosesAndAMoveLeavesNothingBehind) {
    const int fd = NewSocket();
    ASSERT_GE(fd, 0);
    {
        TIdSocketDescriptor first(fd);
        TIdSocketDescriptor second = std::move(first);
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), fd);
        TIdSocketDescriptor third;
        third = std::move(second);
        EXPECT_EQ(third.get(), fd);
        EXPECT_TRUE(IsOpen(fd));
    }
    EXPECT_FALSE(IsOpen(fd));
}

TEST(SocketDescriptor, ResetClosesTheOldSocketAndReleaseClosesNothing) {
    const int old = NewSocket();
    const int next = NewSocket();
    ASSERT_GE(old, 0);
    ASSERT_GE(next, 0);
    TIdSocketDescriptor owner(old);
    owner.reset(next);
    EXPECT_FALSE(IsOpen(old));
    EXPECT_EQ(owner.release(), next);
    EXPECT_FALSE(owner);
    EXPECT_TRUE(IsOpen(next));
    ::close(next);
}

} // namespace
