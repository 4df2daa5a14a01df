// The Windows JPEG codec (the Windows Imaging Component) held to the rules every codec of the
// tool keeps, under Wine or on Windows. Cross-built, where GoogleTest is not at hand: it prints
// its failures and a closing line.
#include "jpeg_rules_cases.h"

#include <windows.h>

#include <cstdio>

namespace {

int passed = 0, failed = 0;

void check(bool condition, const std::string& what)
{
    if (condition) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

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
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
