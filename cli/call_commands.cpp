#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "entry/result_meanings.h"

namespace tolvane::cli {
namespace {

constexpr std::size_t kBufferSize = 260;  // what the host hands to every export
constexpr const char *kNullWord = "--null";

int exit_status(float result) {
    return result == 0.0f ? 0 : 1;
}

struct CallBuffer {
    std::array<char, kBufferSize> bytes{};
    bool null = false;
};

CallBuffer buffer_holding(const std::string &text) {
    CallBuffer buffer;
    buffer.null = text == kNullWord;
    std::strncpy(buffer.bytes.data(), text.c_str(), kBufferSize - 1);
    return buffer;
}

}  // namespace

std::string format_result(float result) {
    std::array<char, 64> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), result).ptr;
    return std::string(text.data(), end);
}

void print_result(const char *name, float result, bool pointers_given) {
    const std::string_view meaning = entry::result_meaning(name, result, pointers_given);
    std::printf("%s returned %s: %.*s\n", name, format_result(result).c_str(),
                static_cast<int>(meaning.size()), meaning.data());
}

float call_entry(const host::Plugin &plugin, const char *name, const char *text, double value,
                 char *buffer, bool pointers_given) {
    const float result = host::find_entry(plugin, name)(text, value, buffer);
    print_result(name, result, pointers_given);
    return result;
}

int run_version(const host::Plugin &plugin, const Arguments &) {
    const float result = call_entry(plugin, "Version", nullptr, 0.0, nullptr);
    return result == 1.6f ? 0 : 1;
}

int run_import(const host::Plugin &plugin, const Arguments &args) {
    CallBuffer output = buffer_holding(args[1]);
    if (args[1].size() >= kBufferSize) {
        std::fprintf(stderr, "tolvane: the output path is longer than the host's buffer\n");
        return 2;
    }
    return exit_status(call_entry(plugin, "PLYImport", args[0].c_str(), 0.0, output.bytes.data()));
}

int run_export(const host::Plugin &plugin, const Arguments &args) {
    double mode = 0.0;
    bool binary = false;
    bool split = false;
    bool explicit_mode = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--binary") {
            binary = true;
        } else if (args[i] == "--split-quads") {
            split = true;
        } else if (args[i] == "--mode" && i + 1 < args.size()) {
            const std::string &word = args[++i];
            const auto parsed = std::from_chars(word.data(), word.data() + word.size(), mode);
            if (parsed.ec != std::errc() || parsed.ptr != word.data() + word.size()) {
                std::fprintf(stderr, "tolvane: --mode takes a number, not '%s'\n", word.c_str());
                return 2;
            }
            explicit_mode = true;
        } else {
            std::fprintf(stderr, "tolvane: unknown export option '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (!explicit_mode) mode = (binary ? 1.0 : 0.0) + (split ? 2.0 : 0.0);
    if (args[1].size() >= kBufferSize) {
        std::fprintf(stderr, "tolvane: the output path is longer than the host's buffer\n");
        return 2;
    }
    CallBuffer output = buffer_holding(args[1]);
    return exit_status(call_entry(plugin, "PLYExport", args[0].c_str(), mode, output.bytes.data()));
}

int run_call(const host::Plugin &plugin, const Arguments &args) {
    const std::string &name = args[0];
    if (host::find_entry(plugin, name) == nullptr) {
        std::fprintf(stderr, "tolvane: the plug-in does not export %s\n", name.c_str());
        return 3;
    }
    const bool null_text = args.size() < 2 || args[1] == kNullWord;
    double value = 0.0;
    if (args.size() >= 3) {
        const std::string &word = args[2];
        const auto parsed = std::from_chars(word.data(), word.data() + word.size(), value);
        if (parsed.ec != std::errc() || parsed.ptr != word.data() + word.size()) {
            std::fprintf(stderr, "tolvane: VALUE must be a number, not '%s'\n", word.c_str());
            return 2;
        }
    }
    CallBuffer buffer = buffer_holding(args.size() >= 4 ? args[3] : "");
    buffer.null = args.size() < 4 || buffer.null;
    const CallBuffer before = buffer;
    const float result =
        call_entry(plugin, name.c_str(), null_text ? nullptr : args[1].c_str(), value,
                   buffer.null ? nullptr : buffer.bytes.data(), !null_text && !buffer.null);
    if (!buffer.null && buffer.bytes != before.bytes) {
        buffer.bytes.back() = '\0';
        std::printf("buffer: %s\n", buffer.bytes.data());
    }
    if (name == "Version") return result == 1.6f ? 0 : 1;
    return exit_status(result);
}

int run_list(const host::Plugin &plugin, const Arguments &args) {
    const float opened = call_entry(plugin, "OpenFolder", args[0].c_str(), 0.0, nullptr);
    if (opened != 0.0f) return 1;
    std::array<char, kBufferSize> name{};
    const auto get_file = host::find_entry(plugin, "GetFile");
    float result = 0.0f;
    while ((result = get_file(nullptr, 0.0, name.data())) == 0.0f) {
        name.back() = '\0';
        std::printf("%s\n", name.data());
    }
    print_result("GetFile", result, true);
    const float closed = call_entry(plugin, "CloseFolder", nullptr, 0.0, nullptr);
    return result == -3.0f && closed == 0.0f ? 0 : 1;
}

int run_empty(const host::Plugin &plugin, const Arguments &args) {
    return exit_status(call_entry(plugin, "EmptyFolder", args[0].c_str(), 0.0, nullptr));
}

int run_remove(const host::Plugin &plugin, const Arguments &args) {
    return exit_status(call_entry(plugin, "FileDelete", args[0].c_str(), 0.0, nullptr));
}

int run_rename(const host::Plugin &plugin, const Arguments &args) {
    if (args[1].size() >= kBufferSize) {
        std::fprintf(stderr, "tolvane: the new path is longer than the host's buffer\n");
        return 2;
    }
    CallBuffer new_path = buffer_holding(args[1]);
    return exit_status(
        call_entry(plugin, "FileRename", args[0].c_str(), 0.0, new_path.bytes.data()));
}

}  // namespace tolvane::cli
