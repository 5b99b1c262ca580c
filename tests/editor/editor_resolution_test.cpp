// Which editor opens a local copy, over a made-up environment, a folder of
// desktop entries and a folder standing for PATH.
#include "app/desktop_entry.h"
#include "app/editor_command.h"
#include "app/editor_process.h"
#include "app/editor_resolution.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <sys/stat.h>

namespace {

using Texts = std::vector<std::string>;

const std::string Copy = "/tmp/srv/notes.txt";

struct FakeDesktop {
    TempDir Home;
    TempDir Bin;
    std::map<std::string, std::string> Variables;
    std::map<std::string, std::string> Defaults;

    FakeDesktop() {
        Variables["XDG_DATA_HOME"] = Home.File("share");
        Variables["XDG_DATA_DIRS"] = Home.File("missing") + ":" + Home.File("system");
        Variables["PATH"] = Bin.Path();
    }

    void Entry(const std::string& folder, const std::string& id, const std::string& body) {
        WriteFileBytes(Home.File(folder + "/applications/" + id), body);
    }
    void Program(const std::string& name) {
        const std::string file = Bin.File(name);
        WriteFileBytes(file, "#!/bin/sh\n");
        ::chmod(file.c_str(), 0755);
    }

    Texts Resolve(const std::string& mimeType = "text/plain") const {
        TEditorEnvironment environment;
        environment.Variable = [this](const std::string& name) -> std::optional<std::string> {
            const auto found = Variables.find(name);
            return found == Variables.end() ? std::nullopt
                                            : std::optional<std::string>(found->second);
        };
        environment.DefaultApplication = [this](const std::string& type) {
            const auto found = Defaults.find(type);
            return found == Defaults.end() ? std::string() : found->second;
        };
        return ResolveEditor(environment, Copy, mimeType);
    }
};

} // namespace

TEST(EditorResolution, TakesTheFirstOfScrivletEditorVisualAndEditor) {
    FakeDesktop desktop;
    desktop.Variables["EDITOR"] = "nano";
    desktop.Variables["VISUAL"] = "gvim";
    desktop.Variables["SCRIVLET_EDITOR"] = "'/opt/My Editor/ed' --block";
    EXPECT_EQ(desktop.Resolve(), (Texts{"/opt/My Editor/ed", "--block", Copy}));
    desktop.Variables["SCRIVLET_EDITOR"] = " \t ";
    EXPECT_EQ(desktop.Resolve(), (Texts{"gvim", "-f", Copy}));
    desktop.Variables.erase("VISUAL");
    EXPECT_EQ(desktop.Resolve(), (Texts{"xterm", "-e", "nano", Copy}));
    desktop.Program("x-terminal-emulator");
    desktop.Variables["EDITOR"] = "vim -u NONE";
    EXPECT_EQ(desktop.Resolve(), (Texts{"x-terminal-emulator", "-e", "vim", "-u", "NONE", Copy}));
    desktop.Variables["EDITOR"] = "emacs -nw";
    EXPECT_EQ(desktop.Resolve(), (Texts{"x-terminal-emulator", "-e", "emacs", "-nw", Copy}));
    desktop.Variables["EDITOR"] = "/usr/bin/code -w";
    EXPECT_EQ(desktop.Resolve(), (Texts{"/usr/bin/code", "-w", Copy}));
}

TEST(EditorResolution, RunsTheDesktopDefaultsExecLineWithThePathAndAWaitFlag) {
    FakeDesktop desktop;
    desktop.Defaults["text/plain"] = "org.gnome.gedit.desktop";
    desktop.Entry("system", "org.gnome.gedit.desktop",
                  "[Desktop Entry]\nName=Text Editor\nExec=gedit %U\n"
                  "[Desktop Action new-window]\nExec=gedit --new-window\n");
    EXPECT_EQ(desktop.Resolve(), (Texts{"gedit", "--wait", Copy}));
    // The user's own data folder comes first; quoting, a path inside a word,
    // %% and the codes that are dropped.
    desktop.Entry("share", "org.gnome.gedit.desktop",
                  "# mine\n[Desktop Entry]\nExec=\"/opt/My Ed/ed\" %i --file=%f %F 100%% %c %k\n");
    EXPECT_EQ(desktop.Resolve(), (Texts{"/opt/My Ed/ed", "--file=" + Copy, "100%"}));
    desktop.Defaults["text/x-c"] = "kde-kate.desktop";
    desktop.Entry("system", "kde/kate.desktop", "[Desktop Entry]\nExec=kate -b %U\n");
    EXPECT_EQ(desktop.Resolve("text/x-c"), (Texts{"kate", "-b", Copy}));
    desktop.Defaults["text/markdown"] = "vim.desktop";
    desktop.Entry("system", "vim.desktop", "[Desktop Entry]\nExec=vim\nTerminal=true\n");
    EXPECT_EQ(desktop.Resolve("text/markdown"), (Texts{"xterm", "-e", "vim", Copy}));
}

TEST(EditorResolution, FallsBackToGeditWhenNothingIsSetOrFound) {
    FakeDesktop desktop;
    const Texts gedit = {"gedit", "--wait", Copy};
    EXPECT_EQ(desktop.Resolve(), gedit);
    desktop.Defaults["text/plain"] = "gone.desktop";
    EXPECT_EQ(desktop.Resolve(), gedit);
    desktop.Entry("system", "gone.desktop", "[Desktop Entry]\nName=No Exec\n");
    EXPECT_EQ(desktop.Resolve(), gedit);
    desktop.Variables["VISUAL"] = "";
    EXPECT_EQ(desktop.Resolve(), gedit);
}

TEST(EditorResolution, WaitFlagsAreAddedOnceForTheEditorsThatNeedThem) {
    EXPECT_EQ(WithWaitFlag({"mousepad", "f"}), (Texts{"mousepad", "--disable-server", "f"}));
    EXPECT_EQ(WithWaitFlag({"/usr/share/code/code", "--unity-launch", "f"}),
              (Texts{"/usr/share/code/code", "--wait", "--unity-launch", "f"}));
    EXPECT_EQ(WithWaitFlag({"gedit", "--wait", "f"}), (Texts{"gedit", "--wait", "f"}));
    EXPECT_EQ(WithWaitFlag({"nano", "f"}), (Texts{"nano", "f"}));
}

TEST(EditorResolution, ACommandThatCannotStartIsNamedAsItWouldBeTyped) {
    TEditorProcess editor;
    const Texts command = {"/nonexistent/my editor", "--wait", Copy};
    EXPECT_FALSE(editor.Start(command));
    EXPECT_EQ(editor.StartError(), ENOENT);
    EXPECT_EQ(CommandText(command), "\"/nonexistent/my editor\" --wait " + Copy);
    EXPECT_EQ(SplitCommandWords(CommandText(command)), command);
}
