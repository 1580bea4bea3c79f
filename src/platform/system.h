// The operating system's name and version.
#pragma once
#include <string>

struct CSystemVersion {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned patch = 0;
    std::wstring name;     // "Linux"
    std::wstring release;  // the kernel's full release text
};
CSystemVersion GetSystemVersion();
