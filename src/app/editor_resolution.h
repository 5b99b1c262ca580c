// Which editor opens a local copy, first that is set or found:
//   1. SCRIVLET_EDITOR, taken as it is;
//   2. VISUAL, then EDITOR; a terminal editor (vim, nano and any editor not
//      known to open a window) runs inside the desktop's terminal:
//      x-terminal-emulator -e, else xterm -e;
//   3. the desktop's default application for the file's MIME type: its desktop
//      entry's Exec line from the XDG data folders (in a terminal when the
//      entry says so);
//   4. gedit --wait.
// Editors that return at once when another of their windows is open get the
// flag that makes them wait for the file to be closed (gedit --wait,
// kate --block, code --wait, gvim -f, mousepad --disable-server, geany -i):
// the copy is watched only while the editor runs.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TEditorEnvironment {
    // The value of an environment variable; none when it is not set.
    std::function<std::optional<std::string>(const std::string& name)> Variable;
    // The desktop file id of the default application for a MIME type
    // ("org.gnome.gedit.desktop", as `xdg-mime query default` prints it);
    // empty when there is none.
    std::function<std::string(const std::string& mimeType)> DefaultApplication;
};

// The words to run for editing `path`, whose MIME type is `mimeType`: the
// program first, the path among the arguments. Reads nothing but the
// environment given and the files it names (PATH's folders, the data folders).
std::vector<std::string> ResolveEditor(const TEditorEnvironment& environment,
                                       const std::string& path, const std::string& mimeType);

// The same editor words with the flag added that makes a known editor wait
// for its file, when it needs one and lacks it.
std::vector<std::string> WithWaitFlag(std::vector<std::string> words);

// The folders XDG_DATA_HOME (default ~/.local/share) and XDG_DATA_DIRS
// (default /usr/local/share:/usr/share) name, in the order to search them.
std::vector<std::string> DataFolders(const TEditorEnvironment& environment);
