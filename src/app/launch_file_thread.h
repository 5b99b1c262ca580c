// The worker of one opened file: it downloads the file into its local copy,
// starts the editor on the copy, looks at the copy's time stamp once a second
// while the editor runs, and uploads the copy whenever the stamp has changed.
// Once resumed it owns itself, ends with its editor, and is never waited for.
#pragma once

#include "app/window_link.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TEditorProcess;

class TLaunchFileThread {
public:
    TLaunchFileThread(std::shared_ptr<TWindowLink> ownerForm, std::vector<std::string> editor,
                      std::string localPath, std::string remotePath);

    // Runs the body on a thread of its own, which destroys the worker when
    // the body ends. Throws when no thread can be made.
    static void Resume(std::unique_ptr<TLaunchFileThread> worker);
    // Workers of this process whose body has not ended yet.
    static int Running();

    // The body; never throws.
    void Execute() noexcept;

    // The window that opened the file, reached only through the link.
    const std::shared_ptr<TWindowLink> OwnerForm;
    // The editor command's words; empty: the user's editor for the file.
    const std::vector<std::string> EditorProgram;
    const std::string LocalPath;
    // Fixed when the file is opened: navigating elsewhere while the editor is
    // open does not change where the uploads go.
    const std::string RemotePath;
    // The local copy's stamp as last seen; none while it could not be read.
    std::optional<int64_t> FileStamp;

private:
    enum class TEnd { EditorClosed, EditorNotStarted, WindowClosing };
    enum class TWait { EditorEnded, TimedOut, WindowClosing };

    void Body();
    // False when the window began closing first.
    bool Download();
    TEnd MonitorEditor(const std::vector<std::string>& editor, const std::string& localPath);
    TWait WaitForEditor(TEditorProcess& editor);
    // One look at the copy, and its upload when the stamp changed; false when
    // the window began closing.
    bool UploadWhenChanged(const std::string& localPath);
    bool Upload();
    // False when the window began closing (nothing is shown then).
    bool ShowStatus(const std::string& text);
};
