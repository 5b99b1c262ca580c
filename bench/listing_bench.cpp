// How fast LoadListing turns a large LIST reply into entries, next to the cost of
// merely cutting the same text into lines and into blank-separated fields: the
// work no parser can avoid. All rates are lines per second (items_per_second);
// at the end each load's rate is printed with its ratio to the bare line split
// of the same listing in the same run.

#include "ftp/list_items.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int LineCount = 100000;

const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A mix of what servers send: mostly files, some directories and links, recent
// entries with a time and older ones with a year, names with blanks.
std::vector<std::string> UnixLines() {
    std::vector<std::string> lines;
    lines.reserve(LineCount + 1);
    lines.push_back("total " + std::to_string(LineCount * 4));
    char line[160];
    for (int i = 0; i < LineCount; ++i) {
        const char* mode = i % 10 == 0 ? "drwxr-xr-x" : i % 25 == 1 ? "lrwxrwxrwx" : "-rw-r--r--";
        const char* month = Months[i % 12];
        const int day = i % 28 + 1;
        char when[8];
        if (i % 3 == 0)
            std::snprintf(when, sizeof when, " %04d", 1995 + i % 30);
        else
            std::snprintf(when, sizeof when, "%02d:%02d", i % 24, i % 60);
        const long long size = 1000LL * i + (i % 7) * 5368709120LL;
        if (mode[0] == 'l')
            std::snprintf(line, sizeof line,
                          "%s %3d %-8s %-8s %12lld %s %02d %s link%d -> target/%d", mode, 1, "ftp",
                          "users", size, month, day, when, i, i);
        else
            std::snprintf(line, sizeof line, "%s %3d %-8s %-8s %12lld %s %02d %s file %d.txt", mode,
                          1 + i % 5, "ftp", "users", size, month, day, when, i);
        lines.push_back(line);
    }
    return lines;
}

// IIS layout: "<DIR>" at column 25, sizes right-aligned to column 38.
std::vector<std::string> DosLines() {
    std::vector<std::string> lines;
    lines.reserve(LineCount);
    char line[160];
    for (int i = 0; i < LineCount; ++i) {
        const int month = i % 12 + 1, day = i % 28 + 1, year = (i * 7) % 100;
        const int hour = i % 12 + 1, minute = i % 60;
        const char* half = i % 2 == 0 ? "AM" : "PM";
        if (i % 10 == 0)
            std::snprintf(line, sizeof line,
                          "%02d-%02d-%02d  %02d:%02d%s       <DIR>          dir %d", month, day,
                          year, hour, minute, half, i);
        else
            std::snprintf(line, sizeof line, "%02d-%02d-%02d  %02d:%02d%s %20lld file %d.txt",
                          month, day, year, hour, minute, half, 1000LL * i + i % 977, i);
        lines.push_back(line);
    }
    return lines;
}

std::string AsReply(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

const std::vector<std::string>& Unix() {
    static const std::vector<std::string> lines = UnixLines();
    return lines;
}

const std::vector<std::string>& Dos() {
    static const std::vector<std::string> lines = DosLines();
    return lines;
}

const TDateTime FixedNow = EncodeDate(2026, 6, 15) + EncodeTime(12, 0, 0, 0);

void Load(benchmark::State& state, const std::vector<std::string>& lines, TIdFTPListFormat format,
          bool fixedClock) {
    TIdFTPListItems items;
    items.ListFormat = format;
    if (fixedClock)
        items.Clock = [] { return FixedNow; };
    for (auto _ : state) {
        items.LoadListing(lines);
        benchmark::DoNotOptimize(items.Count());
    }
    if (items.Count() + 1 < static_cast<int>(lines.size()))
        state.SkipWithError("some lines did not parse");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}

void BM_LoadUnix(benchmark::State& state) {
    Load(state, Unix(), flfUnix, false);
}
void BM_LoadUnixFixedClock(benchmark::State& state) {
    Load(state, Unix(), flfUnix, true);
}
void BM_LoadDos(benchmark::State& state) {
    Load(state, Dos(), flfDos, false);
}
void BM_LoadDosFixedClock(benchmark::State& state) {
    Load(state, Dos(), flfDos, true);
}

// The reply text cut into owned lines, as the client hands them to LoadListing.
void SplitLines(benchmark::State& state, const std::vector<std::string>& source) {
    const std::string text = AsReply(source);
    std::vector<std::string> lines;
    for (auto _ : state) {
        lines.clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            size_t stop = end;
            if (stop > start && text[stop - 1] == '\r')
                --stop;
            lines.emplace_back(text, start, stop - start);
            start = end + 1;
        }
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(source.size()));
}

// Each line cut at blanks into views, no copies: the least a column reader does.
void SplitFields(benchmark::State& state, const std::vector<std::string>& lines) {
    std::vector<std::string_view> fields;
    for (auto _ : state) {
        size_t total = 0;
        for (const std::string& line : lines) {
            fields.clear();
            const std::string_view view(line);
            size_t start = 0;
            while (start < view.size()) {
                size_t end = view.find(' ', start);
                if (end == std::string_view::npos)
                    end = view.size();
                if (end > start)
                    fields.push_back(view.substr(start, end - start));
                start = end + 1;
            }
            total += fields.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}

void BM_SplitLinesUnix(benchmark::State& state) {
    SplitLines(state, Unix());
}
void BM_SplitLinesDos(benchmark::State& state) {
    SplitLines(state, Dos());
}
void BM_SplitFieldsUnix(benchmark::State& state) {
    SplitFields(state, Unix());
}
void BM_SplitFieldsDos(benchmark::State& state) {
    SplitFields(state, Dos());
}

} // namespace

BENCHMARK(BM_LoadUnix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUnixFixedClock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLinesUnix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitFieldsUnix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDosFixedClock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLinesDos)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitFieldsDos)->Unit(benchmark::kMillisecond);

namespace {

// The console output as usual, and each benchmark's lines per second kept for
// the summary.
class TRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            if (rate != run.counters.end())
                Rates[run.benchmark_name()] = rate->second.value;
        }
    }

    std::map<std::string, double> Rates;
};

void PrintRatio(const TRateReporter& reporter, const std::string& load, const std::string& split) {
    const auto loaded = reporter.Rates.find(load);
    const auto cut = reporter.Rates.find(split);
    if (loaded == reporter.Rates.end() || cut == reporter.Rates.end())
        return;
    std::printf("%-24s %8.2f M lines/s = %5.3f of %s (%.2f M lines/s)\n", load.c_str(),
                loaded->second / 1e6, loaded->second / cut->second, split.c_str(),
                cut->second / 1e6);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    PrintRatio(reporter, "BM_LoadUnix", "BM_SplitLinesUnix");
    PrintRatio(reporter, "BM_LoadUnixFixedClock", "BM_SplitLinesUnix");
    PrintRatio(reporter, "BM_LoadDos", "BM_SplitLinesDos");
    PrintRatio(reporter, "BM_LoadDosFixedClock", "BM_SplitLinesDos");
    benchmark::Shutdown();
    return 0;
}
