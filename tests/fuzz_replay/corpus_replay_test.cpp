// Runs every file of one fuzz target's corpus once through the target. The
// target aborts when a promise breaks, and the sanitizers stop on memory errors
// and undefined behaviour, so an input that once crashed stays covered.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// Paths as text: GoogleTest prints parameters, and a path is a range of paths.
std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(SCRIVLET_FUZZ_CORPUS, error))
        if (entry.is_regular_file())
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TestNameOf(const testing::TestParamInfo<std::string>& info) {
    std::string name = fs::path(info.param).filename().string();
    std::replace_if(
        name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) == 0; }, '_');
    return name;
}

class CorpusReplay : public testing::TestWithParam<std::string> {};

TEST_P(CorpusReplay, RunsThroughTheTarget) {
    const std::string bytes = ReadWhole(GetParam());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
              0);
}

// Prefixed with the target, so that the four replay binaries' tests differ.
INSTANTIATE_TEST_SUITE_P(SCRIVLET_FUZZ_TARGET, CorpusReplay, testing::ValuesIn(CorpusFiles()),
                         TestNameOf);

// A wrong folder would otherwise pass by replaying nothing.
TEST(SCRIVLET_FUZZ_TARGET, CorpusFolderHoldsInputs) {
    EXPECT_GE(CorpusFiles().size(), 3u) << SCRIVLET_FUZZ_CORPUS;
}

} // namespace
