// A function of a Windows system library looked up at run time: for what only newer versions of
// Windows have (per-monitor DPI, cloaked windows, the Restart Manager), so that the program still
// starts where it is missing. Null where the library or the function is missing. The library
// stays loaded, as system libraries do.
#pragma once

#include <windows.h>

template <typename function>
function system_function(const char* library, const char* name)
{
    HMODULE module = GetModuleHandleA(library);
    if (!module)
        module = LoadLibraryA(library);
    return module ? reinterpret_cast<function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}
