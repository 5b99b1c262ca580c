// The icon of a file's type, found from its name alone (the MIME database and
// the icon theme), so no file has to exist for the lookup.
#pragma once

#include <QIcon>

#include <functional>
#include <string>

// Returns a null icon when the type has none. Injected into the directory
// browser so that tests can decide which names get an icon.
using TFileTypeIconLookup = std::function<QIcon(const std::string& FileName)>;

// The part of a name that decides its type: from the last "." to the end, or
// empty when there is no "." after the last "\" or ":".
std::string FileTypeExtension(const std::string& FileName);

// The theme's icon for the MIME type of the name's extension, else its generic
// icon, else the style's plain file picture. Needs a QApplication; GUI thread
// only.
QIcon GetFileTypeIcon(const std::string& FileName);

// The folder picture of image 0.
QIcon FolderIcon();
