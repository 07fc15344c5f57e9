#include "support/programs.h"

#include <cstdlib>

#include "platform/library_loader.h"

namespace tolvane::test {

bool windows_build() {
    const std::string plugin = platform::plugin_file_name();
    return plugin.size() > 4 && plugin.compare(plugin.size() - 4, 4, ".dll") == 0;
}

int run_command(const std::string &command, const std::filesystem::path &output_file,
                std::string &output) {
    const int status = std::system((command + " > " + output_file.string() + " 2>&1").c_str());
    output = test::exists(output_file) ? read_bytes(output_file) : "";
    return status;
}

std::filesystem::path find_on_path(const std::string &program) {
    const char *path = std::getenv("PATH");
    if (path == nullptr) return {};
    const std::string folders = path;
    std::size_t begin = 0;
    while (begin <= folders.size()) {
        std::size_t end = folders.find(windows_build() ? ';' : ':', begin);
        if (end == std::string::npos) end = folders.size();
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(begin, end - begin)) / program;
        std::error_code ignored;
        if (end > begin && std::filesystem::is_regular_file(candidate, ignored)) return candidate;
        begin = end + 1;
    }
    return {};
}

std::filesystem::path stand_in_host() {
    const std::filesystem::path host = std::filesystem::path(platform::executable_folder()) /
                                       (windows_build() ? "tolvane.exe" : "tolvane");
    return test::exists(host) ? host : std::filesystem::path();
}

HostRun run_stand_in_host(const ScratchFolder &folder, const std::string &arguments) {
    HostRun run;
    const std::string command = stand_in_host().string() + " " + arguments;
    run.status = run_command(command, folder.path / "host-output.txt", run.text);
    // Under Wine, starting a child now and then fails before the program runs; one more try
    // tells that apart from the program's own answer.
    if (!run.succeeded() && !run.refused() && run.text.empty()) {
        run.status = run_command(command, folder.path / "host-output.txt", run.text);
    }
    return run;
}

}  // namespace tolvane::test
