#include "bulk/bulk_differential.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "plylib/rply_bulk.h"
#include "plylib/value_encoders.h"

namespace tolvane::bulk {
namespace {

using plylib::Column;
using plylib::ColumnType;

struct Handle {
    p_ply ply = nullptr;
    ~Handle() {
        if (ply) ply_close(ply);
    }
};

void collect_message(p_ply ply, const char *message) {
    void *messages = nullptr;
    ply_get_ply_user_data(ply, &messages, nullptr);
    if (messages) *static_cast<std::string *>(messages) += std::string(message) + "\n";
}

// Messages of a handle that failed to open arrive without a handle.
std::string *g_open_messages = nullptr;
void collect_open_message(p_ply ply, const char *message) {
    if (ply) return collect_message(ply, message);
    if (g_open_messages) *g_open_messages += std::string(message) + "\n";
}

p_ply open(const std::string &bytes, const char *path, std::string *messages) {
    g_open_messages = messages;
    p_ply ply =
        path ? ply_open(path, collect_open_message, 0, messages)
             : ply_open_memory(bytes.data(), bytes.size(), collect_open_message, 0, messages);
    g_open_messages = nullptr;
    return ply;
}

// How each element is taken: the type of its column and the shape of its rows vary with its
// place, so that every conversion and shape is met.
ColumnType column_type_for(std::size_t element) {
    return static_cast<ColumnType>(element % plylib::kColumnTypeCount);
}
// Rows of the second element (the faces, in most files) are int32, as an import reads them.
ColumnType row_type_for(std::size_t element) {
    return static_cast<ColumnType>((element + 3) % plylib::kColumnTypeCount);
}
std::size_t min_length_for(std::size_t element) {
    return element % 3;
}
std::size_t width_for(std::size_t element) {
    return 2 + element % 3;
}
constexpr double kPad = -1.0;

void append_converted(std::vector<unsigned char> &into, ColumnType type, double value) {
    unsigned char typed[8];
    plylib::store_value_as(type, typed, value);
    into.insert(into.end(), typed, typed + plylib::column_value_size(type));
}

struct CallbackTarget {
    std::vector<unsigned char> *values;
    ColumnType type;
    std::size_t min_length = 0;
    std::size_t width = 0;
};

int on_scalar(p_ply_argument argument) {
    void *target = nullptr;
    ply_get_argument_user_data(argument, &target, nullptr);
    auto &into = *static_cast<CallbackTarget *>(target);
    append_converted(*into.values, into.type, ply_get_argument_value(argument));
    return 1;
}

int on_list(p_ply_argument argument) {
    void *target = nullptr;
    long length = 0, index = 0;
    ply_get_argument_user_data(argument, &target, nullptr);
    ply_get_argument_property(argument, nullptr, &length, &index);
    auto &into = *static_cast<CallbackTarget *>(target);
    const auto n = static_cast<std::size_t>(length);
    if (length < 0 || n < into.min_length || n > into.width) return 1;
    if (index >= 0) append_converted(*into.values, into.type, ply_get_argument_value(argument));
    if (index == length - 1) {
        for (std::size_t i = n; i < into.width; ++i)
            append_converted(*into.values, into.type, kPad);
    }
    return 1;
}

struct ElementInfo {
    std::string name;
    std::vector<std::string> scalars;
    std::string first_list;
};

std::vector<ElementInfo> elements_of(p_ply ply) {
    std::vector<ElementInfo> elements;
    for (p_ply_element element = ply_get_next_element(ply, nullptr); element;
         element = ply_get_next_element(ply, element)) {
        ElementInfo info;
        std::vector<std::string> list_names;
        const char *name = nullptr;
        ply_get_element_info(element, &name, nullptr);
        info.name = name;
        for (p_ply_property property = ply_get_next_property(element, nullptr); property;
             property = ply_get_next_property(element, property)) {
            const char *property_name = nullptr;
            e_ply_type type = PLY_LIST;
            ply_get_property_info(property, &property_name, &type, nullptr, nullptr);
            (type == PLY_LIST ? list_names : info.scalars).push_back(property_name);
        }
        // A name that both a scalar and a list answer to finds the earlier of the two, whichever
        // shape is asked for, and the two reads would then ask for different shapes: such names
        // are left out of both.
        std::vector<std::string> shared;
        for (const std::string &list_name : list_names) {
            if (std::find(info.scalars.begin(), info.scalars.end(), list_name) !=
                info.scalars.end())
                shared.push_back(list_name);
        }
        const auto is_shared = [&](const std::string &property_name) {
            return std::find(shared.begin(), shared.end(), property_name) != shared.end();
        };
        std::erase_if(list_names, is_shared);
        std::erase_if(info.scalars, is_shared);
        if (!list_names.empty()) info.first_list = list_names.front();
        elements.push_back(info);
    }
    return elements;
}

// Only the first element of a name is found by name, and only the first property of a name.
bool first_of_name(const std::vector<ElementInfo> &elements, std::size_t e) {
    for (std::size_t i = 0; i < e; ++i)
        if (elements[i].name == elements[e].name) return false;
    return true;
}
bool first_of_name(const std::vector<std::string> &names, std::size_t i) {
    return std::find(names.begin(), names.begin() + static_cast<long>(i), names[i]) ==
           names.begin() + static_cast<long>(i);
}

}  // namespace

ReadOutcome read_by_callbacks(const std::string &bytes, const char *path) {
    ReadOutcome outcome;
    Handle handle{open(bytes, path, &outcome.messages)};
    if (!handle.ply) return outcome;
    outcome.header = ply_read_header(handle.ply);
    if (!outcome.header) return outcome;
    const std::vector<ElementInfo> elements = elements_of(handle.ply);
    outcome.columns.resize(2 * elements.size());
    std::vector<CallbackTarget> targets(2 * elements.size());
    for (std::size_t e = 0; e < elements.size(); ++e) {
        if (!first_of_name(elements, e)) continue;
        const char *name = elements[e].name.c_str();
        targets[2 * e] = {&outcome.columns[2 * e], column_type_for(e)};
        for (std::size_t i = 0; i < elements[e].scalars.size(); ++i) {
            if (!first_of_name(elements[e].scalars, i)) continue;
            ply_set_read_cb(handle.ply, name, elements[e].scalars[i].c_str(), on_scalar,
                            &targets[2 * e], 0);
        }
        if (!elements[e].first_list.empty()) {
            targets[2 * e + 1] = {&outcome.columns[2 * e + 1], row_type_for(e), min_length_for(e),
                                  width_for(e)};
            ply_set_read_cb(handle.ply, name, elements[e].first_list.c_str(), on_list,
                            &targets[2 * e + 1], 0);
        }
    }
    outcome.data = ply_read(handle.ply);
    return outcome;
}

namespace {

// A column's values as they are handed on, then what it holds at the end.
struct Drained {
    Column *column = nullptr;
    std::vector<unsigned char> values;

    void take_held() {
        const std::size_t bytes_held = column->size * plylib::column_value_size(column->type);
        const unsigned char *start = column->storage.get();
        values.insert(values.end(), start, start + bytes_held);
    }
};

void collect_drained(Column &, void *context) {
    static_cast<Drained *>(context)->take_held();
}

}  // namespace

ReadOutcome read_by_columns(const std::string &bytes, const char *path, std::size_t drain_at) {
    ReadOutcome outcome;
    Handle handle{open(bytes, path, &outcome.messages)};
    if (!handle.ply) return outcome;
    outcome.header = ply_read_header(handle.ply);
    if (!outcome.header) return outcome;
    const std::vector<ElementInfo> elements = elements_of(handle.ply);
    std::vector<std::unique_ptr<Column>> columns;
    std::vector<Drained> drained(2 * elements.size());
    for (std::size_t e = 0; e < elements.size(); ++e) {
        columns.push_back(std::make_unique<Column>(column_type_for(e)));
        columns.push_back(std::make_unique<Column>(row_type_for(e)));
        for (std::size_t c = 2 * e; drain_at > 0 && c < 2 * e + 2; ++c) {
            drained[c].column = columns[c].get();
            columns[c]->drain = collect_drained;
            columns[c]->drain_context = &drained[c];
            plylib::reserve_column(*columns[c], drain_at);
        }
        if (!first_of_name(elements, e)) continue;
        const char *name = elements[e].name.c_str();
        std::vector<const char *> names;
        for (const std::string &scalar : elements[e].scalars) names.push_back(scalar.c_str());
        ply_set_read_column(handle.ply, name, names.data(), names.size(), columns[2 * e].get());
        if (!elements[e].first_list.empty()) {
            ply_set_read_rows(handle.ply, name, elements[e].first_list.c_str(), min_length_for(e),
                              width_for(e), kPad, columns[2 * e + 1].get());
        }
    }
    outcome.data = ply_read(handle.ply);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Drained whole = drain_at > 0 ? std::move(drained[c]) : Drained{};
        whole.column = columns[c].get();
        whole.take_held();
        outcome.columns.push_back(std::move(whole.values));
    }
    return outcome;
}

std::string compare_reads(const std::string &bytes, const char *path) {
    const ReadOutcome by_callbacks = read_by_callbacks(bytes, path);
    // Columns handed on every few values, so that instances and rows straddle the hand-overs.
    for (const std::size_t drain_at : {std::size_t{0}, std::size_t{5}}) {
        const ReadOutcome by_columns = read_by_columns(bytes, path, drain_at);
        const std::string way = drain_at > 0 ? " (columns handed on as they fill)" : "";
        if (by_callbacks.header != by_columns.header || by_callbacks.data != by_columns.data)
            return "results differ" + way;
        if (by_callbacks.messages != by_columns.messages)
            return "messages differ" + way + ": '" + by_callbacks.messages + "' and '" +
                   by_columns.messages + "'";
        if (!by_callbacks.data) continue;
        if (by_callbacks.columns.size() != by_columns.columns.size())
            return "column counts differ" + way;
        for (std::size_t i = 0; i < by_callbacks.columns.size(); ++i) {
            if (by_callbacks.columns[i] != by_columns.columns[i])
                return "column " + std::to_string(i) + " differs" + way;
        }
    }
    return "";
}

namespace {

int write_to_string(void *sink, const void *data, std::size_t size) {
    static_cast<std::string *>(sink)->append(static_cast<const char *>(data), size);
    return 1;
}

// The values as the sources hold them: each converted to the source's type.
double as_source_value(int source_type, double value) {
    switch (static_cast<ColumnType>(source_type)) {
        case ColumnType::int32:
            return plylib::column_value<std::int32_t>(value);
        case ColumnType::uint8:
            return plylib::column_value<std::uint8_t>(value);
        case ColumnType::float32:
            return plylib::column_value<float>(value);
        case ColumnType::float64:
            break;
    }
    return value;
}

// Instance by instance, each property's values for it: lists give their length, then as many
// entries as the length says (none when it is no length). Missing values count as 0.
struct Instances {
    // [property][instance] -> values (scalar: one; list: length, entries)
    std::vector<std::vector<std::vector<double>>> values;
};

// The entries a list length gives, by the writer's own rule; lengths beyond a few thousand are
// made a few thousand, in both ways of writing alike.
constexpr std::int64_t kLongestList = 4096;
std::size_t entries_for(e_ply_type length_type, double &length) {
    std::int64_t entries = 0;
    if (!plylib::list_length(length_type, length, &entries)) return 0;
    if (entries > kLongestList) {
        length = static_cast<double>(kLongestList);
        entries = kLongestList;
    }
    return static_cast<std::size_t>(entries);
}

Instances instances_of(const WriteElement &element) {
    Instances out;
    for (const WriteProperty &property : element.properties) {
        std::vector<std::vector<double>> per_instance;
        std::size_t next = 0;
        const auto take = [&](int type) {
            const double value = next < property.values.size() ? property.values[next] : 0.0;
            ++next;
            return as_source_value(type, value);
        };
        for (long i = 0; i < element.instances; ++i) {
            std::vector<double> values;
            if (!property.list) {
                values.push_back(take(property.source_type));
            } else {
                double length = take(property.length_source_type);
                const std::size_t n = entries_for(property.length_type, length);
                values.push_back(length);
                for (std::size_t j = 0; j < n; ++j) values.push_back(take(property.source_type));
            }
            per_instance.push_back(values);
        }
        out.values.push_back(per_instance);
    }
    return out;
}

bool declare(p_ply ply, const WritePlan &plan) {
    for (const WriteElement &element : plan.elements) {
        if (!ply_add_element(ply, element.name.c_str(), element.instances)) return false;
        for (const WriteProperty &property : element.properties) {
            const int added =
                property.list ? ply_add_list_property(ply, property.name.c_str(),
                                                      property.length_type, property.type)
                              : ply_add_scalar_property(ply, property.name.c_str(), property.type);
            if (!added) return false;
        }
    }
    return ply_write_header(ply) != 0;
}

template <typename Body>
WriteOutcome write_with(const WritePlan &plan, Body body) {
    WriteOutcome outcome;
    p_ply ply = ply_create_sink(write_to_string, &outcome.bytes, plan.mode, collect_message, 0,
                                &outcome.messages);
    if (!ply) return outcome;
    outcome.result = declare(ply, plan) && body(ply) ? 1 : 0;
    if (!ply_close(ply)) outcome.result = 0;
    return outcome;
}

void store_as(std::vector<unsigned char> &into, int source_type, double value) {
    append_converted(into, static_cast<ColumnType>(source_type), value);
}

// The scalars' values moved into one array of records, each instance's side by side, the first
// property's first or last.
void pack_scalars_in_records(const WriteElement &element, bool backwards,
                             std::vector<std::vector<unsigned char>> &values,
                             std::vector<plylib::WriteSource> &sources) {
    std::size_t record = 0;
    for (std::size_t p = 0; p < sources.size(); ++p)
        if (!element.properties[p].list) record += sources[p].stride;
    if (record == 0) return;
    const auto count = static_cast<std::size_t>(element.instances);
    std::vector<unsigned char> &records = values.emplace_back(record * count);
    std::size_t offset = 0;
    for (std::size_t p = 0; p < sources.size(); ++p) {
        if (element.properties[p].list) continue;
        const std::size_t size = sources[p].stride;
        const std::size_t at = backwards ? record - offset - size : offset;
        for (std::size_t i = 0; i < count; ++i)
            std::memcpy(&records[i * record + at], &values[p][i * size], size);
        sources[p].values = records.data() + at;
        sources[p].stride = record;
        offset += size;
    }
}

}  // namespace

WriteOutcome write_by_values(const WritePlan &plan) {
    return write_with(plan, [&plan](p_ply ply) {
        for (const WriteElement &element : plan.elements) {
            const Instances instances = instances_of(element);
            for (long i = 0; i < element.instances; ++i) {
                for (std::size_t p = 0; p < element.properties.size(); ++p) {
                    for (const double value : instances.values[p][static_cast<std::size_t>(i)])
                        if (!ply_write(ply, value)) return false;
                }
            }
        }
        return true;
    });
}

WriteOutcome write_by_instances(const WritePlan &plan, ScalarLayout layout) {
    return write_with(plan, [&plan, layout](p_ply ply) {
        for (const WriteElement &element : plan.elements) {
            if (element.instances == 0 || element.properties.empty()) continue;
            const Instances instances = instances_of(element);
            const auto count = static_cast<std::size_t>(element.instances);
            // Each property's values laid out as a source: scalars packed; lists as rows as wide
            // as the longest, beside an array of lengths.
            std::vector<std::vector<unsigned char>> values(element.properties.size());
            std::vector<std::vector<unsigned char>> lengths(element.properties.size());
            std::vector<plylib::WriteSource> sources(element.properties.size());
            for (std::size_t p = 0; p < element.properties.size(); ++p) {
                const WriteProperty &property = element.properties[p];
                const auto type = static_cast<ColumnType>(property.source_type);
                const std::size_t size = plylib::column_value_size(type);
                std::size_t width = 1;
                for (const auto &one : instances.values[p]) width = std::max(width, one.size());
                plylib::WriteSource &source = sources[p];
                source.type = type;
                for (const auto &one : instances.values[p]) {
                    if (!property.list) {
                        store_as(values[p], property.source_type, one[0]);
                        continue;
                    }
                    store_as(lengths[p], property.length_source_type, one[0]);
                    for (std::size_t j = 1; j < width; ++j)
                        store_as(values[p], property.source_type, j < one.size() ? one[j] : 0.0);
                }
                source.stride = property.list ? (width - 1) * size : size;
                source.entry_stride = size;
                source.length_type = static_cast<ColumnType>(property.length_source_type);
                source.length_stride = plylib::column_value_size(source.length_type);
                values[p].resize(std::max<std::size_t>(values[p].size(), 1));
                lengths[p].resize(std::max<std::size_t>(lengths[p].size(), sizeof(double)));
                source.values = values[p].data();
                source.lengths = lengths[p].data();
            }
            // In two calls, so that a call may also start inside an element.
            const std::size_t first = count / 2;
            if (layout != ScalarLayout::separate) {
                pack_scalars_in_records(element, layout == ScalarLayout::in_records_backwards,
                                        values, sources);
            }
            if (first > 0 && !ply_write_instances(ply, sources.data(), sources.size(), first))
                return false;
            std::vector<plylib::WriteSource> rest = sources;
            for (plylib::WriteSource &source : rest) {
                source.values =
                    static_cast<const unsigned char *>(source.values) + first * source.stride;
                source.lengths = static_cast<const unsigned char *>(source.lengths) +
                                 first * source.length_stride;
            }
            if (!ply_write_instances(ply, rest.data(), rest.size(), count - first)) return false;
        }
        return true;
    });
}

namespace {

std::string compare_outcomes(const WriteOutcome &by_values, const WriteOutcome &by_instances) {
    if (by_values.result != by_instances.result) return "results differ";
    if (by_values.messages != by_instances.messages)
        return "messages differ: '" + by_values.messages + "' and '" + by_instances.messages + "'";
    if (by_values.bytes != by_instances.bytes) {
        const auto [a, b] = std::mismatch(by_values.bytes.begin(), by_values.bytes.end(),
                                          by_instances.bytes.begin(), by_instances.bytes.end());
        const auto at = static_cast<std::size_t>(a - by_values.bytes.begin());
        const std::size_t from = at > 16 ? at - 16 : 0;
        return "bytes differ from " + std::to_string(at) + " of " +
               std::to_string(by_values.bytes.size()) + " and " +
               std::to_string(by_instances.bytes.size()) + ": '" +
               by_values.bytes.substr(from, 48) + "' and '" + by_instances.bytes.substr(from, 48) +
               "'";
    }
    return "";
}

}  // namespace

std::string compare_writes(const WritePlan &plan) {
    const WriteOutcome by_values = write_by_values(plan);
    const struct {
        ScalarLayout layout;
        const char *name;
    } layouts[] = {{ScalarLayout::separate, ""},
                   {ScalarLayout::in_records, " (scalars in records)"},
                   {ScalarLayout::in_records_backwards, " (scalars in records, backwards)"}};
    for (const auto &[layout, name] : layouts) {
        const std::string difference =
            compare_outcomes(by_values, write_by_instances(plan, layout));
        if (!difference.empty()) return difference + name;
    }
    return "";
}

}  // namespace tolvane::bulk
