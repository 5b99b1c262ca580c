// Files beyond 2 GiB (and 32-bit signed counters) against the real server: retrieval, a REST offset
// past 2 GiB, and storage arrive whole and in place. Sparse files keep the
// disk use down where the content allows it.
#include "net_bulk/pattern_stream.h"
#include "server_fixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using LargeServerTransfer = ServerFixture;

constexpr int64_t ThreeGiB = 3LL << 30;
const std::string Tail = "TAIL";

// A sparse file of `size` zero bytes followed by `tail`.
void MakeSparseFile(const std::string& path, int64_t size, const std::string& tail) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size)),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
}

std::string ReadAt(const std::string& path, int64_t offset, size_t count) {
    std::string bytes(count, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return "";
    const ssize_t n = ::pread(fd, bytes.data(), count, static_cast<off_t>(offset));
    ::close(fd);
    bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return bytes;
}

int64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

TEST_P(LargeServerTransfer, RetrievesThreeGibibytes) {
    MakeSparseFile(Server.RootFile("big.bin"), ThreeGiB, Tail);
    PatternSink sink(PatternSink::Expect::Zeros);
    Client.RetrieveStream("/big.bin", sink, false);
    EXPECT_EQ(sink.Written(), ThreeGiB + 4);
    // Zeros up to the tail, and the tail at exactly its offset.
    EXPECT_EQ(sink.FirstMismatch(), ThreeGiB);
    EXPECT_EQ(sink.Tail().substr(sink.Tail().size() - 4), Tail);
}

TEST_P(LargeServerTransfer, ResumesPastTwoGibibytes) {
    const int64_t have = (5LL << 30) / 2; // 2.5 GiB, beyond any 32-bit offset
    MakeSparseFile(Server.RootFile("big.bin"), ThreeGiB, Tail);
    const std::string local = Local.File("big.bin");
    {
        const int fd = ::open(local.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(have)), 0);
        ::close(fd);
    }
    Client.RetrieveFile("/big.bin", local, false, true);
    EXPECT_EQ(FileSize(local), ThreeGiB + 4);
    EXPECT_EQ(ReadAt(local, ThreeGiB - 4, 8), std::string(4, '\0') + Tail);
}

TEST_P(LargeServerTransfer, StoresThreeGibibytes) {
    const int64_t size = ThreeGiB + 5;
    PatternSource source(size);
    Client.StoreStream(source, "/up.bin", false);
    const std::string stored = Server.RootFile("up.bin");
    ASSERT_EQ(FileSize(stored), size);
    for (const int64_t at :
         {int64_t{0}, int64_t{(1LL << 31) - 3}, int64_t{ThreeGiB - 7}, size - 10})
        EXPECT_EQ(ReadAt(stored, at, 10), PatternBytes(at, 10)) << "at " << at;
    ::unlink(stored.c_str());
}

// One mode each is enough here: the mode-specific paths are tested with
// small files; these are about 64-bit counts and offsets.
INSTANTIATE_TEST_SUITE_P(Modes, LargeServerTransfer, ::testing::Values(true),
                         ServerFixture::ModeName);

} // namespace
