#include "app/files_view.h"

#include "app/image_list.h"
#include "ftp/list_item.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>

void FilesAdvancedCustomDrawItem(const QModelIndex& item, QFont& font) noexcept {
    try {
        const QVariant kind = item.siblingAtColumn(0).data(FileRows::EntryKindRole);
        if (!kind.isValid())
            return;
        font.setBold(kind.toInt() == fekDirectory);
    } catch (...) {
    }
}

namespace {

class TFilesItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        FilesAdvancedCustomDrawItem(index, option->font);
    }
};

} // namespace

TFilesView::TFilesView(QWidget* parent) : QTreeView(parent), FRows(new TFileRowsModel(this)) {
    setModel(FRows);
    setColumnWidth(0, 150);
    for (int column = 1; column < FileRows::ColumnCount; ++column)
        setColumnWidth(column, 50);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    setSortingEnabled(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Every row is as high as the first, so the view need not measure each one
    // of a long listing.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(TImageList::Width, TImageList::Height));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new TFilesItemDelegate(this));
}

int TFilesView::RowCount() const {
    return FRows->rowCount();
}

QString TFilesView::RowText(int row, int column) const {
    return FRows->index(row, column).data().toString();
}

int TFilesView::RowOfName(const QString& name) const {
    for (int row = 0; row < RowCount(); ++row)
        if (RowText(row, 0) == name)
            return row;
    return -1;
}

int TFilesView::SelectedRow() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}
