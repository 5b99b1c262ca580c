// scrivlet-ftp: one FTP command from the command line. See UsageText().
#include "cli_options.h"
#include "cli_run.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const CliUsageError& error) {
        std::cerr << "scrivlet-ftp: " << error.what() << "\n"
                  << "Try 'scrivlet-ftp --help' for more information.\n";
        return 2;
    }
    if (options.Help) {
        std::cout << UsageText();
        return 0;
    }
    if (options.Version) {
        std::cout << VersionText() << '\n';
        return 0;
    }
    UseNetrc(options, ReadNetrcFile(DefaultNetrcPath(), std::cerr));
    options.Progress = !options.Quiet && ::isatty(STDERR_FILENO) == 1;
    return RunCli(options, std::cout, std::cerr);
}
