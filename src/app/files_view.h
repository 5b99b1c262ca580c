// The list view `Files` as the window designs it: report style with six
// columns, 16x16 images, single selection, unsorted, folders drawn in bold,
// over the rows of the current listing.
#pragma once

#include "app/file_rows.h"

#include <QFont>
#include <QModelIndex>
#include <QString>
#include <QTreeView>

// The per-row drawing choice: bold for a folder row, no style for any other
// row, the font untouched for a row whose entry reference is not set yet.
// Never raises: a failure while choosing only leaves the font as it was.
void FilesAdvancedCustomDrawItem(const QModelIndex& item, QFont& font) noexcept;

class TFilesView : public QTreeView {
public:
    // Applies the designed settings, the columns and the bold-folder drawing.
    explicit TFilesView(QWidget* parent = nullptr);

    TFileRowsModel& Rows() { return *FRows; }
    const TFileRowsModel& Rows() const { return *FRows; }

    int RowCount() const;
    QString RowText(int row, int column) const;
    // The first row whose name is `name`, -1 when there is none.
    int RowOfName(const QString& name) const;
    // The selected row, -1 when none is selected.
    int SelectedRow() const;

private:
    // Owned through the parent link, as Qt's own widgets hold their parts.
    TFileRowsModel* FRows;
};
