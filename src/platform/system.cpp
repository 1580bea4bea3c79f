// The kernel's name and release through uname.
#include "platform/system.h"

#include <cstdio>
#include <sys/utsname.h>

CSystemVersion GetSystemVersion()
{
    CSystemVersion v;
    struct utsname u{};
    if (::uname(&u) != 0) return v;
    std::sscanf(u.release, "%u.%u.%u", &v.major, &v.minor, &v.patch);
    for (const char* c = u.sysname; *c; ++c) v.name += static_cast<unsigned char>(*c);
    for (const char* c = u.release; *c; ++c) v.release += static_cast<unsigned char>(*c);
    return v;
}
