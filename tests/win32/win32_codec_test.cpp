// The Windows JPEG codec (the Windows Imaging Component) held to the rules every codec of the
// tool keeps, under Wine or on Windows.
#include "jpeg_rules_cases.h"
#include "windows_check.h"

#include <windows.h>

#include <cstdio>

namespace {

// Wine's ntdll names its version; Windows' does not.
bool under_wine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace

int main()
{
    const bool wine = under_wine();
    if (wine)
        std::printf("Under Wine, whose JPEG encoder does not apply the quality: not judged\n");
    try {
        run_jpeg_rules(check, !wine);
    } catch (const std::exception& e) {
        check(false, std::string("the rules ran to their end: ") + e.what());
    }
    return closing_line();
}
