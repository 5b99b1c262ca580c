#include "app/files_view.h"

#include "app/file_rows.h"
#include "app/image_list.h"
#include "ftp/list_item.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

#include <memory>

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

void SetUpFilesView(QTreeWidget& files) {
    files.setColumnCount(6);
    files.setHeaderLabels({"File name", "Owner", "Group", "Permission", "Size", "Date"});
    files.setColumnWidth(0, 150);
    for (int column = 1; column < 6; ++column)
        files.setColumnWidth(column, 50);
    files.header()->setStretchLastSection(false);
    files.header()->setSectionsClickable(false);
    files.setSortingEnabled(false);
    files.setRootIsDecorated(false);
    files.setItemsExpandable(false);
    files.setUniformRowHeights(true);
    files.setSelectionMode(QAbstractItemView::SingleSelection);
    files.setSelectionBehavior(QAbstractItemView::SelectRows);
    files.setIconSize(QSize(TImageList::Width, TImageList::Height));
    files.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The view owns the delegate through its parent link.
    auto delegate = std::make_unique<TFilesItemDelegate>(&files);
    files.setItemDelegate(delegate.release());
}
