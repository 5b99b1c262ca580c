#include "app/file_type_icons.h"

#include <QApplication>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>

namespace {

// Theme lookups by icon name are the costly part of a large listing, and the
// number of MIME types is small, so each type's icon is looked up once.
QIcon IconOfType(const QMimeType& mime) {
    static QHash<QString, QIcon> byType;
    const auto known = byType.constFind(mime.name());
    if (known != byType.constEnd())
        return *known;
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    byType.insert(mime.name(), icon);
    return icon;
}

} // namespace

QIcon GetFileTypeIcon(const std::string& FileName) {
    static const QMimeDatabase mimeDatabase;
    const QMimeType mime = mimeDatabase.mimeTypeForFile(QString::fromStdString(FileName),
                                                        QMimeDatabase::MatchExtension);
    return IconOfType(mime);
}

QIcon FolderIcon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("folder"));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    return icon;
}
