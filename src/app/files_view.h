// The list view `Files` as the window designs it: report style with six
// columns, 16x16 images, single selection, unsorted, folders drawn in bold.
#pragma once

#include <QFont>
#include <QModelIndex>
#include <QTreeWidget>

// The per-row drawing choice: bold for a folder row, no style for any other
// row, the font untouched for a row whose entry reference is not set yet.
// Never raises: a failure while choosing only leaves the font as it was.
void FilesAdvancedCustomDrawItem(const QModelIndex& item, QFont& font) noexcept;

// Applies the designed settings, the columns and the bold-folder drawing.
void SetUpFilesView(QTreeWidget& files);
