// The rows of the list view `Files`: one per listing entry, in listing order,
// with the six column texts and the row's image.
#pragma once

#include "app/file_type_icons.h"
#include "app/image_list.h"

#include <QTreeWidget>

#include <string>

class TIdFTPListItem;
class TIdFTPListItems;

namespace FileRows {

// Item data of column 0. The data reference of a row is the kind of the entry
// it shows (kept by value: the client replaces its listing before the rows
// are rebuilt, and a paint in between must not read a freed entry).
inline constexpr int EntryKindRole = Qt::UserRole;
// The row's index in the image list, -1 for none.
inline constexpr int ImageIndexRole = Qt::UserRole + 1;

// "Permission" column: owner, group and other rights joined.
std::string PermissionText(const TIdFTPListItem& entry);

// Removes every row.
void Clear(QTreeWidget& files);

// Replaces the rows with one per entry and the image list's file-type images
// with those of the new rows; returns the number of entries of kind fekFile.
// An exception from the icon lookup leaves the rows built so far.
int Fill(QTreeWidget& files, TImageList& images, const TFileTypeIconLookup& icons,
         const TIdFTPListItems& entries);

} // namespace FileRows
