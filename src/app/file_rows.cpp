#include "app/file_rows.h"

#include "app/display_name.h"
#include "app/files_view.h"
#include "core/datetime.h"
#include "ftp/list_items.h"

#include <utility>

namespace {

const char* const ColumnCaptions[FileRows::ColumnCount] = {"File name",  "Owner", "Group",
                                                           "Permission", "Size",  "Date"};

// Names and accounts are the server's bytes: shown as UTF-8, bad bytes escaped.
QString TextOf(const std::string& text) {
    return QString::fromStdString(NameForDisplay(text));
}

// Hands the rows built so far to the view when it goes out of scope, whether
// the building ended or an icon lookup failed half-way.
class TRowsHandOver {
public:
    TRowsHandOver(TFileRowsModel& rows, TIdFTPListItems& entries, const TImageList& images)
        : FRows(rows), FEntries(entries), FImages(images) {}
    ~TRowsHandOver() { FRows.Show(FEntries, FImages, std::move(ImageOfRow)); }
    TRowsHandOver(const TRowsHandOver&) = delete;
    TRowsHandOver& operator=(const TRowsHandOver&) = delete;

    std::vector<int> ImageOfRow;

private:
    TFileRowsModel& FRows;
    TIdFTPListItems& FEntries;
    const TImageList& FImages;
};

} // namespace

namespace FileRows {

std::string PermissionText(const TIdFTPListItem& entry) {
    return entry.OwnerRights + entry.GroupRights + entry.OtherRights;
}

void Clear(TFilesView& files) {
    files.Rows().Clear();
}

int Fill(TFilesView& files, TImageList& images, const TFileTypeIconLookup& icons,
         TIdFTPListItems& entries) {
    // The old rows go before their images do, so no paint in between can ask
    // for an image that is no longer there.
    Clear(files);
    images.ResetToFolder();
    TRowsHandOver rows(files.Rows(), entries, images);
    rows.ImageOfRow.reserve(static_cast<size_t>(entries.Count()));
    int fileCount = 0;
    for (int i = 0; i < entries.Count(); ++i) {
        const TIdFTPListItem& entry = entries.Items(i);
        if (entry.EntryKind == fekDirectory) {
            rows.ImageOfRow.push_back(0);
        } else {
            QIcon icon = icons(entry.EntryName);
            rows.ImageOfRow.push_back(icon.isNull() ? -1 : images.Add(std::move(icon)));
        }
        if (entry.EntryKind == fekFile)
            ++fileCount;
    }
    return fileCount;
}

} // namespace FileRows

TFileRowsModel::~TFileRowsModel() {
    LetGoOfEntries();
}

void TFileRowsModel::LetGoOfEntries() {
    if (FEntries != nullptr)
        FEntries->OnEntriesGoing = nullptr;
    FEntries = nullptr;
}

void TFileRowsModel::Show(TIdFTPListItems& entries, const TImageList& images,
                          std::vector<int> imageOfRow) {
    beginResetModel();
    LetGoOfEntries();
    FEntries = &entries;
    // The listing is the client's, replaced at its next listing: the rows
    // must never read an entry that has gone.
    entries.OnEntriesGoing = [this] {
        FEntries = nullptr;
        Clear();
    };
    FImages = &images;
    FImageOfRow = std::move(imageOfRow);
    endResetModel();
}

void TFileRowsModel::Clear() {
    beginResetModel();
    LetGoOfEntries();
    FImages = nullptr;
    FImageOfRow.clear();
    FImageOfRow.shrink_to_fit();
    endResetModel();
}

const TIdFTPListItem* TFileRowsModel::Entry(int row) const {
    if (FEntries == nullptr || row < 0 || row >= rowCount())
        return nullptr;
    return &FEntries->Items(row);
}

int TFileRowsModel::rowCount(const QModelIndex& parent) const {
    // A table: rows have no children.
    return parent.isValid() ? 0 : static_cast<int>(FImageOfRow.size());
}

int TFileRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FileRows::ColumnCount;
}

QVariant TFileRowsModel::ColumnText(const TIdFTPListItem& entry, int column) const {
    switch (column) {
    case 0: return TextOf(entry.EntryName);
    case 1: return TextOf(entry.OwnerAccount);
    case 2: return TextOf(entry.GroupAccount);
    case 3: return TextOf(FileRows::PermissionText(entry));
    case 4: return QString::number(entry.EntrySize);
    case 5: return TextOf(DateTimeToText(entry.LastModified));
    default: return QVariant();
    }
}

QVariant TFileRowsModel::data(const QModelIndex& index, int role) const {
    try {
        const TIdFTPListItem* entry = Entry(index.row());
        if (entry == nullptr || index.column() < 0 || index.column() >= FileRows::ColumnCount)
            return QVariant();
        const int image = FImageOfRow[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole: return ColumnText(*entry, index.column());
        case Qt::DecorationRole:
            if (index.column() == 0 && image >= 0)
                return FImages->Image(image);
            return QVariant();
        case FileRows::EntryKindRole:
            return index.column() == 0 ? QVariant(static_cast<int>(entry->EntryKind)) : QVariant();
        case FileRows::ImageIndexRole: return index.column() == 0 ? QVariant(image) : QVariant();
        default: return QVariant();
        }
    } catch (...) {
        // A row that cannot be read shows empty rather than ending the program.
        return QVariant();
    }
}

QVariant TFileRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= FileRows::ColumnCount)
        return QVariant();
    return QString::fromLatin1(ColumnCaptions[section]);
}
