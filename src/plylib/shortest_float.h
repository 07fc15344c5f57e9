// The shortest decimal text that reads back to a float or double: the text std::to_chars gives
// with no format, written here so that the plug-in does not carry the runtime's whole
// floating-point printing machinery (its tables for every format and precision).
#pragma once

namespace plylib {

// Room for 32 characters at `out`; returns the end. "nan", "inf" and "-0" as std::to_chars.
char *format_shortest(char *out, float value);
char *format_shortest(char *out, double value);

}  // namespace plylib
