// The PLY library's two ways in, held to each other: the same bytes read through callbacks and
// into columns, and the same values written value by value and a whole instance at a time, must
// give the same values, bytes, results and messages. Shared by the tests and the fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "plylib/rply.h"

namespace tolvane::bulk {

// What a read gave: each element's values as the columns would hold them (the callbacks' values
// converted alike), the results and every message.
struct ReadOutcome {
    int header = 0;
    int data = 0;
    std::string messages;
    std::vector<std::vector<unsigned char>> columns;
};

// From memory, or from a file when `path` is given (blocks, and values across them).
ReadOutcome read_by_callbacks(const std::string &bytes, const char *path = nullptr);
// With `drain_at`, each column starts with room for that many values and is handed on whenever
// it is full; the outcome has every value it was given.
ReadOutcome read_by_columns(const std::string &bytes, const char *path = nullptr,
                            std::size_t drain_at = 0);

// Empty when both agree; otherwise what differs.
std::string compare_reads(const std::string &bytes, const char *path = nullptr);

// A file to write: its declarations, and each property's values as doubles (lists: the length,
// then the entries, per instance), which the bulk writer is given as typed sources.
struct WriteProperty {
    std::string name;
    e_ply_type type = PLY_FLOAT;  // a scalar's type or a list's value type
    bool list = false;
    e_ply_type length_type = PLY_UCHAR;
    int source_type = 2;  // plylib::ColumnType of the values handed over
    std::vector<double> values;
    int length_source_type = 3;  // plylib::ColumnType of a list's lengths handed over
};
struct WriteElement {
    std::string name;
    long instances = 0;
    std::vector<WriteProperty> properties;
};
struct WritePlan {
    e_ply_storage_mode mode = PLY_ASCII;
    std::vector<WriteElement> elements;
};

struct WriteOutcome {
    std::string bytes;
    int result = 1;
    std::string messages;
};

WriteOutcome write_by_values(const WritePlan &plan);
// Scalars each from an array of their own, or side by side in one array of records (as a
// mesh's x, y and z often are), in the order of the properties or the other way round (as
// colours stored blue first are).
enum class ScalarLayout { separate, in_records, in_records_backwards };
WriteOutcome write_by_instances(const WritePlan &plan, ScalarLayout layout);

// Empty when both agree; otherwise what differs.
std::string compare_writes(const WritePlan &plan);

}  // namespace tolvane::bulk
