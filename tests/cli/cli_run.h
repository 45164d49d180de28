#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/temporary_folder.h"

namespace qinghe::testing {

// What one run of the built tool left: its exit code, its standard output in
// lines and its standard error whole.
struct CliRun {
    int exitCode = -1;
    std::vector<std::string> lines;
    std::string errors;
};

// A path as one shell word.
inline std::string shellWord(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// Runs qinghe-cli with `arguments` (shell words) through the shell.
inline CliRun runCli(const std::string& arguments) {
    CliRun run;
    const TemporaryFolder scratch("qinghe-cli-");
    if (!scratch.made()) return run;
    const std::filesystem::path errorsFile = scratch / "stderr";
    // Caches go to the run's own scratch folder, not the home of whoever runs the tests.
    const std::string command = "XDG_CACHE_HOME=" + shellWord(scratch / "cache") + " " +
                                std::string(QINGHE_CLI) + " " + arguments + " 2>" +
                                shellWord(errorsFile);
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::string text;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
    }
    std::ifstream errors(errorsFile);
    run.errors.assign(std::istreambuf_iterator<char>(errors), {});
    return run;
}

}  // namespace qinghe::testing
