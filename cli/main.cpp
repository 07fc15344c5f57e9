// tolvane: a stand-in for the host application. It loads the plug-in at run time and calls its
// exported functions by name, exactly as the host's scripts do.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace {

using tolvane::cli::Arguments;
using Runner = int (*)(const tolvane::host::Plugin &, const Arguments &);

struct Command {
    const char *name;
    const char *usage;
    std::size_t min_args;
    std::size_t max_args;
    std::vector<const char *> exports;  // what the command needs from the plug-in
    Runner run;
};

const std::vector<Command> &commands() {
    using namespace tolvane::cli;
    static const std::vector<Command> table = {
        {"version", "version", 0, 0, {"Version"}, run_version},
        {"import", "import IN.ply OUT.vyn", 2, 2, {"PLYImport"}, run_import},
        {"export",
         "export IN.vyn OUT.ply [--binary] [--split-quads] [--mode N]",
         2,
         6,
         {"PLYExport"},
         run_export},
        {"info", "info FILE.ply | FILE.vyn", 1, 1, {}, run_info},
        {"call",
         "call NAME [TEXT [VALUE [BUFFER]]]   (--null passes a null pointer)",
         1,
         4,
         {},
         run_call},
        {"ls", "ls DIR", 1, 1, {"OpenFolder", "GetFile", "CloseFolder"}, run_list},
        {"empty", "empty DIR", 1, 1, {"EmptyFolder"}, run_empty},
        {"rm", "rm FILE", 1, 1, {"FileDelete"}, run_remove},
        {"mv", "mv OLD NEW", 2, 2, {"FileRename"}, run_rename},
    };
    return table;
}

void print_usage(std::FILE *out) {
    std::fprintf(out,
                 "usage: tolvane [--library PATH] COMMAND [ARGUMENTS]\n\n"
                 "Loads the Tolvane plug-in (by default the one beside this program) and calls\n"
                 "its exported functions by name, as the host does. Each command prints what the\n"
                 "functions returned and what that means; the exit status is 0 when the call\n"
                 "succeeded. `info` reads a PLY or interchange file and says what the conversion\n"
                 "would return, and why.\n\n"
                 "commands:\n");
    for (const Command &command : commands()) std::fprintf(out, "  tolvane %s\n", command.usage);
    std::fprintf(out, "  tolvane --version\n");
}

// 0 when the plug-in is loaded and has every export in `needed`, else the exit status to give.
int load_checked(std::string &path, tolvane::host::Plugin &plugin,
                 const std::vector<const char *> &needed) {
    if (path.empty()) path = tolvane::host::default_plugin_path();
    std::string error;
    if (!tolvane::host::load_plugin(path, plugin, error)) {
        std::fprintf(stderr, "tolvane: cannot load the plug-in %s: %s\n", path.c_str(),
                     error.c_str());
        return 3;
    }
    for (const char *name : needed) {
        if (tolvane::host::find_entry(plugin, name) == nullptr) {
            std::fprintf(stderr, "tolvane: the plug-in %s does not export %s\n", path.c_str(),
                         name);
            return 3;
        }
    }
    return 0;
}

// The stand-in's own version first: it is worth knowing even when the plug-in does not load.
int show_versions(std::string &library_path) {
    std::printf("tolvane %s (stand-in host)\n", TOLVANE_VERSION);
    std::fflush(stdout);
    tolvane::host::Plugin plugin;
    if (const int status = load_checked(library_path, plugin, {"Version"}); status != 0) {
        return status;
    }
    std::printf("plug-in %s\n", library_path.c_str());
    return tolvane::cli::run_version(plugin, {});
}

}  // namespace

int main(int argc, char **argv) {
    std::string library_path;
    Arguments words;
    bool version_asked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--library") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tolvane: --library needs a path\n");
                return 2;
            }
            library_path = argv[++i];
        } else if (word == "--help" || word == "-h") {
            print_usage(stdout);
            return 0;
        } else if (word == "--version") {
            version_asked = true;
        } else {
            words.emplace_back(word);
        }
    }
    if (version_asked) return show_versions(library_path);
    if (words.empty()) {
        print_usage(stderr);
        return 2;
    }

    const Command *command = nullptr;
    for (const Command &candidate : commands()) {
        if (words[0] == candidate.name) command = &candidate;
    }
    if (command == nullptr) {
        std::fprintf(stderr, "tolvane: unknown command '%s'\n\n", words[0].c_str());
        print_usage(stderr);
        return 2;
    }
    const Arguments args(words.begin() + 1, words.end());
    if (args.size() < command->min_args || args.size() > command->max_args) {
        std::fprintf(stderr, "usage: tolvane %s\n", command->usage);
        return 2;
    }

    tolvane::host::Plugin plugin;
    if (const int status = load_checked(library_path, plugin, command->exports); status != 0) {
        return status;
    }
    return command->run(plugin, args);
}
