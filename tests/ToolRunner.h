#pragma once
// Runs zelvan-tool as a user does, for tests of its subcommands. The build
// names the program in ZV_TEST_TOOL.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zvtest {

struct ToolRun {
    std::string output; // standard output and, with errors, standard error
    int status = -1;
};

inline const char* ToolProgram() {
    return std::getenv("ZV_TEST_TOOL");
}

// `environment` is put before the command ("XDG_CONFIG_HOME='/tmp/x'").
inline ToolRun RunTool(const std::string& arguments, const std::string& environment = {},
                       bool withErrors = false) {
    ToolRun run;
    const char* tool = ToolProgram();
    if (!tool) return run;
    const std::string command =
        environment + " '" + tool + "' " + arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        run.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace zvtest
