// Basic integer and handle types shared by every layer.
#pragma once
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using INT64 = std::int64_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A message target: a window of the program, or a plain receiver in the engine or a test.
struct VxmWindow;
using HWND = VxmWindow*;

struct RECT { LONG left = 0, top = 0, right = 0, bottom = 0; };
struct POINT { LONG x = 0, y = 0; };
struct SIZE { LONG cx = 0, cy = 0; };

// Base of a class whose objects own something that must not be copied
// (a handle, a thread, a child process, a lock).
class CNonCopyable {
protected:
    CNonCopyable() = default;
    ~CNonCopyable() = default;
    CNonCopyable(const CNonCopyable&) = delete;
    CNonCopyable& operator=(const CNonCopyable&) = delete;
};
