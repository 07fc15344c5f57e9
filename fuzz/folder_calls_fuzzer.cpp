// Bytes decoded into a sequence of OpenFolder, GetFile, CloseFolder, EmptyFolder, FileDelete
// and FileRename calls on names inside a scratch folder, recreated with a few files and
// subfolders for every input. After every call the folder tree is compared with what the call
// may have done: no folder ever goes, a rename never replaces, a delete takes one file, emptying
// takes dotted files and nothing else, nothing outside the work folder is ever touched, and the
// folder cursor answers as its four states say.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;
using tolvane::fuzz::require;

struct Entry {
    bool folder = false;
    std::uintmax_t size = 0;
    bool operator==(const Entry &) const = default;
};
using Tree = std::map<std::string, Entry>;  // by path relative to the work folder

fs::path root() {
    return tolvane::fuzz::scratch_folder();
}
fs::path work() {
    return root() / "work";
}
std::string work_text() {
    return work().string();
}

Tree snapshot() {
    Tree tree;
    for (const auto &entry : fs::recursive_directory_iterator(work())) {
        const std::string rel = entry.path().lexically_relative(work()).generic_string();
        const bool folder = entry.is_directory();
        tree[rel] = {folder, folder ? 0 : entry.file_size()};
    }
    return tree;
}

void put_file(const fs::path &path, const std::string &content) {
    tolvane::fuzz::write_file(path, reinterpret_cast<const std::uint8_t *>(content.data()),
                              content.size());
}

void lay_out() {
    tolvane::fuzz::empty_scratch_folder();
    fs::create_directories(root() / "outside");
    put_file(root() / "outside" / "keep.txt", "outside");
    fs::create_directories(work() / "sub.dir");
    fs::create_directories(work() / "sub");
    for (const char *name : {"a.txt", "b", "c.d.e", ".hidden", "sub.dir/inner.txt", "sub/x.y"}) {
        put_file(work() / name, name);
    }
}

void check_outside_untouched() {
    require(tolvane::fuzz::names_in(root()) == std::vector<std::string>{"outside", "work"},
            "the scratch folder's own entries changed");
    require(tolvane::fuzz::names_in(root() / "outside") == std::vector<std::string>{"keep.txt"},
            "a file outside the work folder changed");
}

// A name inside the work folder: one the layout has, one it lacks, or one made of the input.
// Never "." or "..", and never with a separator of its own, so that nothing reaches out.
std::string pick_name(FuzzedDataProvider &in) {
    static const char *const kNames[] = {"a.txt",       "b",        "c.d.e",   ".hidden",
                                         "sub.dir",     "sub",      "sub/x.y", "sub.dir/inner.txt",
                                         "missing.txt", "new.name", "sub/new", "sub.dir/moved"};
    const int choice = in.ConsumeIntegralInRange(0, 13);
    if (choice < 12) return kNames[choice];
    if (choice == 12) return std::string(256 + in.ConsumeIntegralInRange(0, 40), 'L') + ".long";
    std::string name;
    const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(1, 8);
    for (std::size_t i = 0; i < length; ++i) name += "ab._"[in.ConsumeIntegralInRange(0, 3)];
    if (name.find_first_not_of('.') == std::string::npos) name.insert(0, "n");
    return name;
}

// A folder text: the work folder, a subfolder, a file, a missing folder or an overlong one, with
// or without a trailing separator; "" is the empty text.
std::string pick_folder(FuzzedDataProvider &in) {
    const int choice = in.ConsumeIntegralInRange(0, 6);
    std::string folder;
    switch (choice) {
        case 0:
            folder = work_text();
            break;
        case 1:
            folder = (work() / "sub.dir").string();
            break;
        case 2:
            folder = (work() / "sub").string();
            break;
        case 3:
            folder = (work() / "a.txt").string();
            break;
        case 4:
            folder = (work() / "missing").string();
            break;
        case 5:
            folder = (work() / std::string(300, 'd')).string();
            break;
        default:
            return "";
    }
    if (in.ConsumeBool()) folder += '/';
    return folder;
}

// A NUL-terminated copy in a block of exactly its size: reading past it is a sanitizer report.
std::unique_ptr<char[]> exact_copy(const std::string &text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

bool is_folder(const std::string &path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// The tree with the entry `from` (and all under it) moved to `to`.
Tree moved(const Tree &tree, const std::string &from, const std::string &to) {
    Tree out;
    for (const auto &[path, entry] : tree) {
        if (path == from) {
            out[to] = entry;
        } else if (path.compare(0, from.size() + 1, from + "/") == 0) {
            out[to + path.substr(from.size())] = entry;
        } else {
            out[path] = entry;
        }
    }
    return out;
}

enum class Cursor { empty, open, exhausted };

struct Session {
    Cursor cursor = Cursor::empty;
    std::string open_folder;              // what the cursor lists
    std::vector<std::string> handed_out;  // names GetFile gave since it opened
    bool changed_since_open = false;      // the listing may then miss or repeat entries
};

void open_folder(FuzzedDataProvider &in, Session &session) {
    const bool null_text = in.ConsumeBool() && in.ConsumeBool();
    const std::string folder = null_text ? "" : pick_folder(in);
    const auto text = exact_copy(folder);
    const float result = OpenFolder(null_text ? nullptr : text.get(), 0, nullptr);
    require(result == 0 || result == -1, "OpenFolder result");
    if (result == 0) {
        require(is_folder(folder), "OpenFolder opened what is no folder");
        session = {Cursor::open, folder, {}, false};
    } else {
        require(!is_folder(folder) || folder.size() >= 250, "OpenFolder refused a folder");
        session = {};
    }
}

void get_file(FuzzedDataProvider &in, Session &session) {
    if (in.ConsumeIntegralInRange(0, 7) == 0) {
        require(GetFile(nullptr, 0, nullptr) == -1, "GetFile with no buffer");
        return;
    }
    // The host's 260 bytes, and not one more.
    auto buffer = std::make_unique<char[]>(260);
    std::memset(buffer.get(), 0x55, 260);
    const float result = GetFile(nullptr, 0, buffer.get());
    switch (session.cursor) {
        case Cursor::empty:
            require(result == -1, "GetFile with no folder open");
            return;
        case Cursor::exhausted:
            require(result == -3, "GetFile after the end");
            return;
        case Cursor::open:
            break;
    }
    require(result == 0 || result == -3, "GetFile result");
    if (result == 0) {
        const std::size_t length = strnlen(buffer.get(), 260);
        require(length > 0 && length < 260, "GetFile's name is not a NUL-terminated name");
        const std::string name(buffer.get(), length);
        require(name.find('/') == std::string::npos, "GetFile handed out a path");
        session.handed_out.push_back(name);
        return;
    }
    session.cursor = Cursor::exhausted;
    if (session.changed_since_open) return;
    // An unchanged folder is listed whole, each entry once, "." and ".." included.
    std::vector<std::string> expected = tolvane::fuzz::names_in(session.open_folder);
    expected.insert(expected.end(), {".", ".."});
    std::sort(expected.begin(), expected.end());
    std::sort(session.handed_out.begin(), session.handed_out.end());
    require(session.handed_out == expected, "the listing of an unchanged folder");
}

void close_folder(Session &session) {
    const float result = CloseFolder(nullptr, 0, nullptr);
    require(result == (session.cursor == Cursor::empty ? -1 : 0), "CloseFolder result");
    session = {};
}

Tree empty_folder(FuzzedDataProvider &in, const Tree &before) {
    const std::string folder = pick_folder(in);
    const auto text = exact_copy(folder);
    const float result = EmptyFolder(text.get(), 0, nullptr);
    const Tree after = snapshot();
    if (result != 0) {
        require(result == -1, "EmptyFolder result");
        require(!is_folder(folder) || folder.size() >= 250, "EmptyFolder refused a folder");
        require(after == before, "a refused EmptyFolder changed the tree");
        return after;
    }
    require(is_folder(folder), "EmptyFolder emptied what is no folder");
    std::string bare = folder;
    if (bare.back() == '/') bare.pop_back();
    std::string rel = fs::path(bare).lexically_relative(work()).generic_string();
    if (rel == ".") rel.clear();
    const std::string prefix = rel.empty() ? "" : rel + "/";
    int dotted_left = 0;
    for (const auto &[path, entry] : before) {
        const bool direct = path.compare(0, prefix.size(), prefix) == 0 &&
                            path.find('/', prefix.size()) == std::string::npos;
        const bool deletable =
            direct && !entry.folder && path.find('.', prefix.size()) != std::string::npos;
        if (!deletable) {
            require(after.count(path) == 1 && after.at(path) == entry,
                    "EmptyFolder took or changed " + path);
        } else if (after.count(path) == 1) {
            ++dotted_left;
        }
    }
    require(after.size() <= before.size(), "EmptyFolder added entries");
    // Only the first two entries listed are passed over unexamined.
    require(dotted_left <= 2, "EmptyFolder left dotted files");
    return after;
}

Tree delete_file(FuzzedDataProvider &in, const Tree &before) {
    const std::string rel = pick_name(in);
    const auto text = exact_copy((work() / rel).string());
    const float result = FileDelete(text.get(), 0, nullptr);
    const Tree after = snapshot();
    const bool was_file = before.count(rel) == 1 && !before.at(rel).folder;
    if (result == 0) {
        require(was_file, "FileDelete deleted what is no file");
        Tree expected = before;
        expected.erase(rel);
        require(after == expected, "FileDelete took more than its file");
    } else {
        require(result == -1, "FileDelete result");
        require(!was_file, "FileDelete refused a file");
        require(after == before, "a refused FileDelete changed the tree");
    }
    return after;
}

Tree rename_file(FuzzedDataProvider &in, const Tree &before) {
    const std::string from = pick_name(in);
    const std::string to = in.ConsumeIntegralInRange(0, 9) == 0 ? from : pick_name(in);
    const auto from_text = exact_copy((work() / from).string());
    const auto to_text = exact_copy((work() / to).string());
    const float result = FileRename(from_text.get(), 0, to_text.get());
    const Tree after = snapshot();
    const std::string to_parent = fs::path(to).parent_path().generic_string();
    const bool into_itself = to.compare(0, from.size() + 1, from + "/") == 0;
    if (result == 0) {
        require(from != to, "FileRename renamed a file to its own name");
        require(before.count(from) == 1 && before.count(to) == 0,
                "FileRename replaced an entry, or renamed a missing one");
        require(!into_itself, "FileRename moved a folder into itself");
        require(after == moved(before, from, to), "FileRename did more than move one entry");
        return after;
    }
    require(result == -1, "FileRename result");
    require(after == before, "a refused FileRename changed the tree");
    const bool should_work =
        from != to && before.count(from) == 1 && before.count(to) == 0 &&
        (to_parent.empty() || (before.count(to_parent) == 1 && before.at(to_parent).folder)) &&
        !into_itself && from.size() < 200 && to.size() < 200;
    require(!should_work, "FileRename refused a rename that breaks no rule: " + from + " -> " + to);
    return after;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The cursor outlives calls: every input starts with none.
    CloseFolder(nullptr, 0, nullptr);
    lay_out();
    FuzzedDataProvider in(data, size);
    Session session;
    Tree tree = snapshot();
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; ++step) {
        std::optional<Tree> changed;  // the tree after a call that may change it
        switch (in.ConsumeIntegralInRange(0, 7)) {
            case 0:
                open_folder(in, session);
                break;
            case 1:
            case 2:
                get_file(in, session);
                break;
            case 3:
                close_folder(session);
                break;
            case 4:
                changed = empty_folder(in, tree);
                break;
            case 5:
                changed = delete_file(in, tree);
                break;
            default:
                changed = rename_file(in, tree);
                break;
        }
        if (!changed) {
            require(snapshot() == tree, "a listing call changed the tree");
        } else if (*changed != tree) {
            session.changed_since_open = true;
            tree = std::move(*changed);
        }
        check_outside_untouched();
    }
    CloseFolder(nullptr, 0, nullptr);
    return 0;
}
