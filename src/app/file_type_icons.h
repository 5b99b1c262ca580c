// The icon of a file's type, found from its name alone (the MIME database and
// the icon theme), so no file has to exist for the lookup.
#pragma once

#include <QIcon>

#include <functional>
#include <string>

// Returns a null icon when the type has none. Injected into the directory
// browser so that tests can decide which names get an icon.
using TFileTypeIconLookup = std::function<QIcon(const std::string& FileName)>;

// The theme's icon for the MIME type guessed from the name, else its generic
// icon, else the style's plain file picture. Needs a QApplication.
QIcon GetFileTypeIcon(const std::string& FileName);

// The folder picture of image 0.
QIcon FolderIcon();
