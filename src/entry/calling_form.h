// The one calling form every exported function shares:
//   float Name(const char *text, double value, char *buffer)
// with C linkage and plain names; cdecl on 32-bit x86, the float coming back in x87's st(0).
#pragma once

#if defined(_WIN32)
#define TOLVANE_CALL __cdecl
#define TOLVANE_EXPORT extern "C" __declspec(dllexport)
#else
#define TOLVANE_CALL
#define TOLVANE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using EntryPointFn = float(TOLVANE_CALL *)(const char *text, double value, char *buffer);
