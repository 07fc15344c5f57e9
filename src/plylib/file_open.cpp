#include "plylib/file_open.h"

namespace plylib {

FileHandle open_file(const char *name, const char *mode) {
    return FileHandle(std::fopen(name, mode));
}

}  // namespace plylib
