// Time to fill the window's list with the rows of a large listing, file-type
// icons included, on Qt's offscreen platform: the listing is parsed first (not
// timed) and handed to the same row-building path the directory browser uses.
// Also timed: the first paint of the filled list, the two together (what the
// user waits for after the listing is parsed), and clearing the list again.
//
// Usage: app_rows_bench [repetitions]   (default 5; the best and the median
// of the repetitions are printed for 10,000 and for 100,000 entries)

#include "app/file_rows.h"
#include "app/file_type_icons.h"
#include "app/open_file_form.h"
#include "ftp/list_items.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Mostly files of many types, every tenth a folder, some links.
std::vector<std::string> ListingLines(int count) {
    static const char* const extensions[] = {".txt", ".cpp", ".h",  ".png",    ".pdf",
                                             ".md",  ".py",  ".sh", ".tar.gz", ""};
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(count) + 1);
    lines.push_back("total " + std::to_string(count));
    char line[160];
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 0)
            std::snprintf(line, sizeof line,
                          "drwxr-xr-x   2 brimol   users        4096 Mar 01  2024 folder%d", i);
        else if (i % 25 == 1)
            std::snprintf(line, sizeof line,
                          "lrwxrwxrwx   1 brimol   users          9 Mar 01  2024 link%d -> x", i);
        else
            std::snprintf(line, sizeof line,
                          "-rw-r--r--   1 brimol   users  %10d Mar 01 12:%02d file%d%s", i * 37,
                          i % 60, i, extensions[i % 10]);
        lines.emplace_back(line);
    }
    return lines;
}

struct Times {
    std::vector<double> Fill, Paint, Shown, Clear;
};

double Best(std::vector<double> v) {
    return *std::min_element(v.begin(), v.end());
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Run(TFormOpenFile& form, int count, int repetitions) {
    TIdFTPListItems entries;
    entries.LoadListing(ListingLines(count));
    Times t;
    int files = 0;
    for (int r = 0; r < repetitions; ++r) {
        const auto fill = Clock::now();
        files = FileRows::Fill(*form.Files, form.ImageList, GetFileTypeIcon, entries);
        t.Fill.push_back(MillisSince(fill));
        const auto paint = Clock::now();
        form.Files->viewport()->repaint();
        QApplication::processEvents();
        t.Paint.push_back(MillisSince(paint));
        t.Shown.push_back(MillisSince(fill));
        const auto clear = Clock::now();
        FileRows::Clear(*form.Files);
        t.Clear.push_back(MillisSince(clear));
    }
    std::printf("%7d entries (%d files, %d images): fill best %8.1f ms median %8.1f ms | "
                "first paint %6.1f ms | shown best %8.1f ms median %8.1f ms | clear %7.1f ms\n",
                entries.Count(), files, form.ImageList.Count(), Best(t.Fill), Median(t.Fill),
                Median(t.Paint), Best(t.Shown), Median(t.Shown), Median(t.Clear));
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QApplication application(argc, argv);
    TFormOpenFile form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "warning: the window was not exposed\n");
    std::printf("platform %s, %d repetitions\n", qPrintable(QApplication::platformName()),
                repetitions);
    for (const int count : {10000, 100000})
        Run(form, count, repetitions);
    return 0;
}
