// The rows of the list view `Files`: one per listing entry, in listing order,
// with the six column texts and the row's image. The texts are read from the
// parsed listing in place as rows are painted; nothing is copied per row but
// the row's image index.
#pragma once

#include "app/file_type_icons.h"
#include "app/image_list.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

class TFilesView;
class TIdFTPListItem;
class TIdFTPListItems;

namespace FileRows {

// Item data of column 0: the kind of the row's entry (an int; no value for a
// row without an entry), and the row's index in the image list, -1 for none.
inline constexpr int EntryKindRole = Qt::UserRole;
inline constexpr int ImageIndexRole = Qt::UserRole + 1;

inline constexpr int ColumnCount = 6;

// "Permission" column: owner, group and other rights joined.
std::string PermissionText(const TIdFTPListItem& entry);

} // namespace FileRows

class TFileRowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    ~TFileRowsModel() override;
    TFileRowsModel(const TFileRowsModel&) = delete;
    TFileRowsModel& operator=(const TFileRowsModel&) = delete;

    // Shows one row for each of the first `imageOfRow.size()` entries, with
    // the image of each from `images`. The rows go by themselves when the
    // entries are cleared or destroyed; the image list must outlive them (or
    // Clear() first).
    void Show(TIdFTPListItems& entries, const TImageList& images, std::vector<int> imageOfRow);
    void Clear();

    // The entry of a row, or nullptr outside the rows.
    const TIdFTPListItem* Entry(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // Never raises: Qt calls it from its event dispatch.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant ColumnText(const TIdFTPListItem& entry, int column) const;

    void LetGoOfEntries();

    TIdFTPListItems* FEntries = nullptr;
    const TImageList* FImages = nullptr;
    std::vector<int> FImageOfRow;
};

namespace FileRows {

// Removes every row.
void Clear(TFilesView& files);

// Replaces the rows with one per entry and the image list's file-type images
// with those of the new rows; returns the number of entries of kind fekFile.
// An exception from the icon lookup leaves the rows built so far. `entries`
// and `images` must stay as they are while the rows show them.
int Fill(TFilesView& files, TImageList& images, const TFileTypeIconLookup& icons,
         TIdFTPListItems& entries);

} // namespace FileRows
