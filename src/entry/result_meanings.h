// What every result of every export means for the caller, in words. This is the table the
// README's results table is checked against, and the one the stand-in host explains its results
// from, so that the two cannot say different things.
#pragma once

#include <array>
#include <charconv>
#include <string_view>

namespace tolvane::entry {

struct ResultMeaning {
    std::string_view export_name;
    // As the README writes it: a number ("-1", "+1", "1.6"), or words for a result that is not
    // one fixed number ("the tag found"), which stands for every result the other rows miss.
    std::string_view result;
    std::string_view meaning;
    // Narrower words for when no pointer the export reads was null; empty when the same.
    std::string_view meaning_given_pointers = {};
};

inline constexpr auto kResultMeanings = std::to_array<ResultMeaning>({
    {"Version", "1.6", "always, whatever it is passed"},

    {"PLYImport", "0", "the interchange file was written"},
    {"PLYImport", "-1", "the text or buffer is null, or the PLY file cannot be opened for reading",
     "the PLY file cannot be opened for reading"},
    {"PLYImport", "-2",
     "the PLY header is not valid (not a PLY file, bad format line, unexpected word, file ends in "
     "the header)"},
    {"PLYImport", "-3",
     "a value cannot be read, or the file ends early (or memory ran out while reading)"},
    {"PLYImport", "-4", "nothing to write: no vertex coordinate, or no triangle or quad"},
    {"PLYImport", "-5",
     "the output cannot be opened for writing (missing folder, a folder, a read-only file)"},
    {"PLYImport", "-6",
     "writing the output failed (disk full, I/O error), or the mesh is too large for the file's "
     "32-bit sizes"},

    {"PLYExport", "0", "the PLY file is complete at the output path"},
    {"PLYExport", "-1", "the text or buffer is null"},
    {"PLYExport", "-1760", "the interchange file cannot be opened or read"},
    {"PLYExport", "the tag found",
     "a chunk of another kind stands where the vertex, colour or face chunk must be; 20001 "
     "usually means the chunks are in the writer's order (vertex, face, colour) or there is no "
     "colour chunk. The tag comes back as the nearest float"},
    {"PLYExport", "-3", "the file ends before the bytes its chunk headers describe"},
    {"PLYExport", "-4",
     "the end marker stands where the vertex, colour or face chunk must be (no chunks, or no "
     "faces)"},
    {"PLYExport", "-7", "a vertex coordinate is infinite or NaN"},
    {"PLYExport", "-8",
     "the mesh has more vertices or faces than a PLY count holds in this build (or memory "
     "ran out)"},
    {"PLYExport", "-56", "the colour chunk does not hold one entry per vertex"},
    {"PLYExport", "+1",
     "the PLY file cannot be created (missing folder, a folder, read-only), or its header cannot "
     "be written"},
    {"PLYExport", "-100", "writing or closing the PLY file failed (disk full, I/O error)"},

    {"OpenFolder", "0",
     "the folder is open; the next GetFile gives its first entry (a listing still open is closed "
     "first)"},
    {"OpenFolder", "-1",
     "null or empty text, 260 characters or more, missing, a file, or cannot be listed; no folder "
     "is open afterwards",
     "the name is empty or 260 characters or more, or the folder is missing, a file, or cannot be "
     "listed; no folder is open afterwards"},

    {"GetFile", "0",
     "the next entry's bare name and its NUL are in the buffer (\"?\" when the name cannot be "
     "given)"},
    {"GetFile", "-1", "no folder open, or null buffer (no entry consumed)", "no folder open"},
    {"GetFile", "-3", "no entries left; it keeps giving -3 until CloseFolder"},

    {"CloseFolder", "0", "the listing is closed"},
    {"CloseFolder", "-1", "no folder was open"},

    {"EmptyFolder", "0",
     "the folder was listed; every entry whose name has a dot got one delete (failed deletes are "
     "not reported)"},
    {"EmptyFolder", "-1",
     "null or empty text, missing, a file, or 260 characters or more once the separator is added; "
     "nothing is deleted",
     "the name is empty, or 260 characters or more once the separator is added, or the folder is "
     "missing or a file; nothing is deleted"},

    {"FileDelete", "0", "the file is deleted"},
    {"FileDelete", "-1", "null text, missing, a folder, refused by the system, or a path too long",
     "the file is missing, a folder, refused by the system, or its path is too long"},

    {"FileRename", "0", "renamed"},
    {"FileRename", "-1",
     "null text or buffer, identical paths, the new path already exists (never replaced), the "
     "file is missing, or the system refused",
     "identical paths, the new path already exists (never replaced), the file is missing, or the "
     "system refused"},
});

// The number a row stands for; false for a row in words.
inline bool result_number(const ResultMeaning &row, float &number) {
    std::string_view text = row.result;
    if (text.starts_with('+')) text.remove_prefix(1);
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
    return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size();
}

// The row that explains `result` of `export_name`: its own number's row, else the export's row
// in words; null when the export never gives that result.
inline const ResultMeaning *find_result_meaning(std::string_view export_name, float result) {
    const ResultMeaning *in_words = nullptr;
    for (const ResultMeaning &row : kResultMeanings) {
        if (row.export_name != export_name) continue;
        float number = 0.0f;
        if (!result_number(row, number)) {
            in_words = &row;
        } else if (number == result) {
            return &row;
        }
    }
    return in_words;
}

// The words for `result`; `pointers_given` when the caller passed no null pointer.
inline std::string_view result_meaning(std::string_view export_name, float result,
                                       bool pointers_given) {
    const ResultMeaning *row = find_result_meaning(export_name, result);
    if (row == nullptr) return "not a result this export gives";
    if (pointers_given && !row->meaning_given_pointers.empty()) return row->meaning_given_pointers;
    return row->meaning;
}

}  // namespace tolvane::entry
