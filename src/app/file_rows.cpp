#include "app/file_rows.h"

#include "core/datetime.h"
#include "ftp/list_items.h"

#include <QList>

#include <memory>
#include <vector>

namespace FileRows {

std::string PermissionText(const TIdFTPListItem& entry) {
    return entry.OwnerRights + entry.GroupRights + entry.OtherRights;
}

void Clear(QTreeWidget& files) {
    files.clear();
}

namespace {

std::unique_ptr<QTreeWidgetItem> MakeRow(const TIdFTPListItem& entry) {
    auto row = std::make_unique<QTreeWidgetItem>(QStringList{
        QString::fromStdString(entry.EntryName), QString::fromStdString(entry.OwnerAccount),
        QString::fromStdString(entry.GroupAccount), QString::fromStdString(PermissionText(entry)),
        QString::number(entry.EntrySize),
        QString::fromStdString(DateTimeToText(entry.LastModified))});
    row->setData(0, EntryKindRole, static_cast<int>(entry.EntryKind));
    return row;
}

void SetImage(QTreeWidgetItem& row, const TImageList& images, int index) {
    row.setData(0, ImageIndexRole, index);
    if (index >= 0)
        row.setIcon(0, images.Image(index));
}

// Rows not yet handed to the view; the view takes them over in one call,
// which is much cheaper than adding them one at a time.
class TPendingRows {
public:
    void Add(std::unique_ptr<QTreeWidgetItem> row) { FRows.push_back(std::move(row)); }
    void HandTo(QTreeWidget& files) {
        QList<QTreeWidgetItem*> rows;
        rows.reserve(static_cast<qsizetype>(FRows.size()));
        for (auto& row : FRows)
            rows.append(row.release());
        FRows.clear();
        files.addTopLevelItems(rows);
    }

private:
    std::vector<std::unique_ptr<QTreeWidgetItem>> FRows;
};

} // namespace

int Fill(QTreeWidget& files, TImageList& images, const TFileTypeIconLookup& icons,
         const TIdFTPListItems& entries) {
    Clear(files);
    images.ResetToFolder();
    TPendingRows pending;
    int fileCount = 0;
    try {
        for (int i = 0; i < entries.Count(); ++i) {
            const TIdFTPListItem& entry = entries.Items(i);
            std::unique_ptr<QTreeWidgetItem> row = MakeRow(entry);
            if (entry.EntryKind == fekDirectory) {
                SetImage(*row, images, 0);
            } else {
                QIcon icon = icons(entry.EntryName);
                SetImage(*row, images, icon.isNull() ? -1 : images.Add(std::move(icon)));
            }
            if (entry.EntryKind == fekFile)
                ++fileCount;
            pending.Add(std::move(row));
        }
    } catch (...) {
        pending.HandTo(files);
        throw;
    }
    pending.HandTo(files);
    return fileCount;
}

} // namespace FileRows
