// Rows built from a parsed listing: column texts, images, counts and the bold
// folders, without a server.
#include "app/file_rows.h"
#include "app/files_view.h"
#include "app/image_list.h"
#include "ftp/list_items.h"

#include <QStyleOptionViewItem>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Files whose name starts with "plain" get no icon, every other file one.
QIcon TestIcons(const std::string& name) {
    if (name.rfind("plain", 0) == 0)
        return {};
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    return QIcon(picture);
}

QIcon Folder() {
    QPixmap picture(16, 16);
    picture.fill(Qt::yellow);
    return QIcon(picture);
}

struct Rows {
    TFilesView files;
    TImageList images{Folder()};
    TIdFTPListItems entries;

    int Fill(const std::vector<std::string>& lines) {
        entries.LoadListing(lines);
        return FileRows::Fill(files, images, TestIcons, entries);
    }
    std::string Text(int row, int column) { return files.RowText(row, column).toStdString(); }
    int Image(int row) {
        return files.model()->index(row, 0).data(FileRows::ImageIndexRole).toInt();
    }
    bool Bold(int row) {
        QFont font;
        font.setItalic(true);
        FilesAdvancedCustomDrawItem(files.model()->index(row, 3), font);
        EXPECT_TRUE(font.italic()) << "only the weight is chosen";
        return font.bold();
    }
};

const std::vector<std::string> UnixListing = {
    "total 42",
    "drwxr-xr-x   3 root     staff        4096 Dec 09  2025 a",
    "lrwxrwxrwx   1 root     staff           1 Dec 09  2025 link -> a",
    "-rw-r--r--   1 brimol   users         123 Mar 01  2024 notes.txt",
    "-rw-r-----   1 brimol   users  9876543210 Jan 02  2023 plain",
    "-rwxr-xr-x   1 brimol   users           0 Jan 02  2023 run.sh",
};

} // namespace

TEST(FileRows, OneRowPerEntryInListingOrderWithTheSixColumns) {
    Rows r;
    EXPECT_EQ(r.Fill(UnixListing), 3);
    ASSERT_EQ(r.files.RowCount(), 5);
    const char* names[] = {"a", "link", "notes.txt", "plain", "run.sh"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(r.Text(i, 0), names[i]);
    EXPECT_EQ(r.Text(2, 1), "brimol");
    EXPECT_EQ(r.Text(2, 2), "users");
    EXPECT_EQ(r.Text(2, 3), "rw-r--r--");
    EXPECT_EQ(r.Text(0, 3), "rwxr-xr-x");
    EXPECT_EQ(r.Text(3, 4), "9876543210");
    EXPECT_EQ(r.Text(2, 5), "2024-03-01");
}

TEST(FileRows, FoldersGetImageZeroAndEachFileOrLinkWithAnIconItsOwnImage) {
    Rows r;
    r.Fill(UnixListing);
    EXPECT_EQ(r.Image(0), 0);
    EXPECT_EQ(r.Image(1), 1);
    EXPECT_EQ(r.Image(2), 2);
    EXPECT_EQ(r.Image(3), -1);
    EXPECT_TRUE(r.files.model()->index(3, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(r.Image(4), 3);
    EXPECT_EQ(r.images.Count(), 4);

    // A new listing drops the old file images but keeps the folder picture.
    const qint64 folderKey = r.images.Image(0).cacheKey();
    r.Fill({"-rw-r--r--   1 u        g               1 Mar 01  2024 one.txt"});
    EXPECT_EQ(r.images.Count(), 2);
    EXPECT_EQ(r.images.Image(0).cacheKey(), folderKey);
    EXPECT_EQ(r.Image(0), 1);
}

TEST(FileRows, FoldersAreBoldAndLinksAndFilesAreNot) {
    Rows r;
    r.Fill(UnixListing);
    EXPECT_TRUE(r.Bold(0));
    EXPECT_FALSE(r.Bold(1));
    EXPECT_FALSE(r.Bold(2));
}

TEST(FileRows, ARowWithoutEntryReferenceKeepsItsFont) {
    QTreeWidget files;
    files.setColumnCount(6);
    files.addTopLevelItem(std::make_unique<QTreeWidgetItem>(QStringList{"x"}).release());
    QFont font;
    font.setBold(true);
    FilesAdvancedCustomDrawItem(files.model()->index(0, 0), font);
    EXPECT_TRUE(font.bold());
    FilesAdvancedCustomDrawItem(QModelIndex(), font);
    EXPECT_TRUE(font.bold());
}

TEST(FileRows, AnEmptyDirectoryHasNoRowsAndAnEmptyImageList) {
    Rows r;
    r.Fill(UnixListing);
    EXPECT_EQ(r.Fill({"total 0"}), 0);
    EXPECT_EQ(r.files.RowCount(), 0);
    EXPECT_EQ(r.images.Count(), 1);
}

TEST(FileRows, DosEntriesShowTheParserDefaultsAndAMissingTimeShowsTheDateAlone) {
    Rows r;
    r.entries.ListFormat = flfDos;
    EXPECT_EQ(r.Fill({"03-01-24  10:15AM       <DIR>          docs",
                      "03-01-24  12:00AM                  512 readme.txt"}),
              1);
    ASSERT_EQ(r.files.RowCount(), 2);
    EXPECT_EQ(r.Text(0, 1), "????????");
    EXPECT_EQ(r.Text(0, 2), "????????");
    EXPECT_EQ(r.Text(0, 3), "?????????");
    EXPECT_EQ(r.Text(0, 5), "2024-03-01 10:15:00");
    EXPECT_EQ(r.Text(1, 5), "2024-03-01");
    EXPECT_TRUE(r.Bold(0));

    TIdFTPListItems unset;
    unset.AddEntry().EntryName = "never.dated";
    FileRows::Fill(r.files, r.images, TestIcons, unset);
    EXPECT_EQ(r.Text(0, 5), "1899-12-30");
}

TEST(FileRows, AFailingIconLookupLeavesTheRowsBuiltSoFar) {
    Rows r;
    r.entries.LoadListing(UnixListing);
    auto failing = [](const std::string& name) -> QIcon {
        if (name == "plain")
            throw std::runtime_error("no icon");
        return TestIcons(name);
    };
    EXPECT_THROW(FileRows::Fill(r.files, r.images, failing, r.entries), std::runtime_error);
    ASSERT_EQ(r.files.RowCount(), 3);
    EXPECT_EQ(r.Text(2, 0), "notes.txt");
}

TEST(FileRows, RowsGoWhenTheListingTheyShowGoes) {
    TFilesView files;
    TImageList images{Folder()};
    auto entries = std::make_unique<TIdFTPListItems>();
    entries->LoadListing(UnixListing);
    FileRows::Fill(files, images, TestIcons, *entries);
    ASSERT_EQ(files.RowCount(), 5);
    entries->LoadListing(UnixListing);
    EXPECT_EQ(files.RowCount(), 0);
    FileRows::Fill(files, images, TestIcons, *entries);
    entries.reset();
    EXPECT_EQ(files.RowCount(), 0);
    EXPECT_FALSE(files.model()->index(0, 0).data().isValid());
}

TEST(FileTypeIcons, TheTypeIsTheExtensionAfterTheLastDot) {
    EXPECT_EQ(FileTypeExtension("notes.tar.gz"), ".gz");
    EXPECT_EQ(FileTypeExtension("README"), "");
    EXPECT_EQ(FileTypeExtension("a.d\\file"), "");
    EXPECT_EQ(FileTypeExtension("c.x:stream"), "");
    EXPECT_EQ(FileTypeExtension("trailing."), ".");
}
