#include "plylib/column.h"

#include <cstring>
#include <new>

namespace plylib {

bool reserve_column(Column &column, std::size_t values) noexcept {
    if (values <= column.capacity) return true;
    const std::size_t value_size = column_value_size(column.type);
    if (values > SIZE_MAX / value_size) return false;
    LargeMemory grown = allocate_large(values * value_size);
    if (!grown) return false;
    if (column.size > 0) std::memcpy(grown.get(), column.storage.get(), column.size * value_size);
    column.storage = std::move(grown);
    column.capacity = values;
    return true;
}

void store_value_as(ColumnType type, unsigned char *at, double value) {
    const auto store = [at](auto typed) { std::memcpy(at, &typed, sizeof typed); };
    switch (type) {
        case ColumnType::int32:
            return store(column_value<std::int32_t>(value));
        case ColumnType::uint8:
            return store(column_value<std::uint8_t>(value));
        case ColumnType::float32:
            return store(column_value<float>(value));
        case ColumnType::float64:
            return store(value);
    }
}

}  // namespace plylib
