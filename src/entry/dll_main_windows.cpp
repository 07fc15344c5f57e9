#include <windows.h>

// Loading needs nothing beyond what the runtime already sets up, so every notification succeeds.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
