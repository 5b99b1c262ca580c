#include "app/file_type_icons.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QStyle>

#include <unordered_map>

namespace {

// The icon of a type as the theme has it, else its generic icon, else the
// style's plain file picture.
QIcon IconOfType(const QMimeType& mime) {
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return icon;
}

} // namespace

std::string FileTypeExtension(const std::string& FileName) {
    const size_t last = FileName.find_last_of(".\\:");
    if (last == std::string::npos || FileName[last] != '.')
        return std::string();
    return FileName.substr(last);
}

QIcon GetFileTypeIcon(const std::string& FileName) {
    // The type is decided by the extension alone (as for a file "test" plus
    // the extension), so each extension's icon is looked up once: the MIME
    // database and the theme are the costly part of a large listing. Used on
    // the GUI thread only.
    static std::unordered_map<std::string, QIcon> byExtension;
    std::string extension = FileTypeExtension(FileName);
    const auto known = byExtension.find(extension);
    if (known != byExtension.end())
        return known->second;
    static const QMimeDatabase mimeDatabase;
    const QIcon icon = IconOfType(mimeDatabase.mimeTypeForFile(
        QString::fromStdString("test" + extension), QMimeDatabase::MatchExtension));
    byExtension.emplace(std::move(extension), icon);
    return icon;
}

QIcon FolderIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("folder"));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    return icon;
}
