// Memory and file streams: positions, sizes and contents, with 64-bit offsets.
#include "core/exceptions.h"
#include "core/streams.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

std::string ReadAll(TStream& stream) {
    std::string out(static_cast<size_t>(stream.Size()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
    return out;
}

std::string Pattern(size_t size) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return out;
}

} // namespace

TEST(TMemoryStream, ReadsBackWhatWasWritten) {
    TMemoryStream stream;
    EXPECT_EQ(stream.Write("hello", 5), 5);
    EXPECT_EQ(stream.Position(), 5);
    EXPECT_EQ(stream.Size(), 5);
    stream.SetPosition(0);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "hel");
    // A read past the end gives what is left, then nothing.
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "lo");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.ToString(), "hello");
}

TEST(TMemoryStream, SeeksFromEachOrigin) {
    TMemoryStream stream;
    stream.WriteBuffer("0123456789", 10);
    EXPECT_EQ(stream.Seek(2, TSeekOrigin::soBeginning), 2);
    EXPECT_EQ(stream.Seek(3, TSeekOrigin::soCurrent), 5);
    EXPECT_EQ(stream.Seek(-1, TSeekOrigin::soEnd), 9);
    char c = 0;
    stream.ReadBuffer(&c, 1);
    EXPECT_EQ(c, '9');
    stream.Seek(-4, TSeekOrigin::soCurrent);
    stream.WriteBuffer("xy", 2);
    EXPECT_EQ(stream.ToString(), "012345xy89");
}

TEST(TMemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
    TMemoryStream stream;
    stream.WriteBuffer("ab", 2);
    stream.Seek(6, TSeekOrigin::soBeginning);
    stream.WriteBuffer("z", 1);
    EXPECT_EQ(stream.Size(), 7);
    EXPECT_EQ(stream.ToString(), std::string("ab\0\0\0\0z", 7));
}

TEST(TMemoryStream, SetSizeTruncatesOrGrowsWithZeros) {
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    stream.SetSize(3);
    EXPECT_EQ(stream.Size(), 3);
    EXPECT_EQ(stream.Position(), 3);
    EXPECT_EQ(stream.ToString(), "abc");
    stream.SetSize(5);
    EXPECT_EQ(stream.ToString(), std::string("abc\0\0", 5));
    EXPECT_EQ(stream.Position(), 3);
    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
}

TEST(TMemoryStream, KeepsLargeContentIntactWhileGrowing) {
    TMemoryStream stream;
    const std::string data = Pattern(3 * 1024 * 1024 + 17);
    for (size_t at = 0; at < data.size(); at += 4093)
        stream.WriteBuffer(data.data() + at,
                           static_cast<int64_t>(std::min<size_t>(4093, data.size() - at)));
    EXPECT_EQ(stream.Size(), static_cast<int64_t>(data.size()));
    EXPECT_TRUE(stream.ToString() == data);
}

TEST(TStream, ReadBufferRaisesWhenTooFewBytesRemain) {
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(1);
    char buffer[4];
    EXPECT_THROW(stream.ReadBuffer(buffer, 4), EFileError);
}

TEST(TStream, CopyFromTakesTheWholeSourceOrCountBytesFromItsPosition) {
    TMemoryStream source;
    source.WriteBuffer("0123456789", 10);
    source.SetPosition(7);
    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(source, 0), 10);
    EXPECT_EQ(whole.ToString(), "0123456789");

    source.SetPosition(3);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(source, 4), 4);
    EXPECT_EQ(part.ToString(), "3456");
    EXPECT_EQ(source.Position(), 7);
    EXPECT_THROW(part.CopyFrom(source, 4), EFileError);
}

TEST(TFileStream, WritesAndReadsAFile) {
    TempDir dir;
    const std::string path = dir.File("data.bin");
    const std::string data = Pattern(200000);
    {
        TFileStream out(path, TFileMode::fmCreate);
        out.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        EXPECT_EQ(out.Size(), static_cast<int64_t>(data.size()));
    }
    EXPECT_TRUE(FileExists(path));
    TFileStream in(path, TFileMode::fmOpenRead);
    EXPECT_EQ(in.FileName(), path);
    EXPECT_TRUE(ReadAll(in) == data);
    EXPECT_EQ(in.Seek(-5, TSeekOrigin::soEnd), 199995);
    char buffer[10];
    EXPECT_EQ(in.Read(buffer, 10), 5);
    EXPECT_EQ(in.Read(buffer, 10), 0);
}

TEST(TFileStream, OpenForWritingKeepsTheContentAndCreateTruncates) {
    TempDir dir;
    const std::string path = dir.File("f.txt");
    WriteFileBytes(path, "0123456789");
    {
        TFileStream rw(path, TFileMode::fmOpenReadWrite);
        EXPECT_EQ(rw.Size(), 10);
        rw.Seek(2, TSeekOrigin::soBeginning);
        rw.WriteBuffer("ab", 2);
    }
    EXPECT_EQ(ReadFileBytes(path), "01ab456789");
    {
        TFileStream w(path, TFileMode::fmOpenWrite);
        w.WriteBuffer("X", 1);
    }
    EXPECT_EQ(ReadFileBytes(path), "X1ab456789");
    {
        TFileStream created(path, TFileMode::fmCreate);
        EXPECT_EQ(created.Size(), 0);
    }
    EXPECT_EQ(ReadFileBytes(path), "");
}

TEST(TFileStream, SetSizeTruncatesAndMovesThePositionBack) {
    TempDir dir;
    const std::string path = dir.File("s.txt");
    TFileStream stream(path, TFileMode::fmCreate);
    stream.WriteBuffer("abcdef", 6);
    stream.SetSize(2);
    EXPECT_EQ(stream.Size(), 2);
    EXPECT_EQ(stream.Position(), 2);
    stream.SetSize(4);
    EXPECT_EQ(stream.Size(), 4);
    EXPECT_EQ(ReadAll(stream), std::string("ab\0\0", 4));
}

TEST(TFileStream, HandlesPositionsBeyondFourGigabytes) {
    TempDir dir;
    const std::string path = dir.File("sparse.bin");
    constexpr int64_t FourGiB = int64_t(4) << 30;
    {
        TFileStream stream(path, TFileMode::fmCreate);
        // Sparse: the gap takes no disk space.
        EXPECT_EQ(stream.Seek(FourGiB + 5, TSeekOrigin::soBeginning), FourGiB + 5);
        stream.WriteBuffer("tail", 4);
        EXPECT_EQ(stream.Position(), FourGiB + 9);
        EXPECT_EQ(stream.Size(), FourGiB + 9);
        stream.SetSize(FourGiB + 7);
        EXPECT_EQ(stream.Size(), FourGiB + 7);
        EXPECT_EQ(stream.Position(), FourGiB + 7);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(static_cast<int64_t>(st.st_size), FourGiB + 7);

    TFileStream stream(path, TFileMode::fmOpenRead);
    EXPECT_EQ(stream.Size(), FourGiB + 7);
    EXPECT_EQ(stream.Seek(-3, TSeekOrigin::soEnd), FourGiB + 4);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), std::string("\0ta", 3));
    // Cut to 32 bits, these offsets would land in the zero-filled start of the file.
    stream.Seek(FourGiB + 1, TSeekOrigin::soBeginning);
    EXPECT_EQ(stream.Seek(5, TSeekOrigin::soCurrent), FourGiB + 6);
    EXPECT_EQ(stream.Read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], 'a');
}

TEST(TFileStream, RaisesEFileErrorNamingTheFile) {
    TempDir dir;
    const std::string missing = dir.File("missing.txt");
    try {
        TFileStream stream(missing, TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    const std::string nowhere = dir.File("no/such/dir/x.txt");
    try {
        TFileStream stream(nowhere, TFileMode::fmCreate);
        FAIL() << "created a file in a missing folder";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + nowhere + "\". No such file or directory");
    }
    EXPECT_FALSE(FileExists(missing));
    EXPECT_FALSE(FileExists(dir.Path()));
}
