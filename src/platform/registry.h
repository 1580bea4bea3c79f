// A small registry: hierarchical keys with typed values under three roots.
//
// HKEY_CURRENT_USER lives in one text file per user,
//   $XDG_CONFIG_HOME/Kestrane/Vexmora Professional/registry.txt (mode 0600);
// HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT are read-only machine-wide files
//   /etc/xdg/Kestrane/Vexmora Professional/{machine,classes}.txt (absent = empty).
// Key paths use '\' between names; names compare without regard to case.
// Changes are kept in memory and written when a changed key is closed or
// flushed: under a lock file, the file is read again, the changes applied and
// the result written to a temporary file, synced and renamed over the old one,
// so two processes saving at once lose no file and leave no torn one. A file
// that cannot be parsed loads as empty, with one report to the diagnostic hook.
#pragma once
#include "platform/types.h"
#include <string>
#include <vector>

struct VxmRegKey;
using HKEY = VxmRegKey*;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));

// Status codes.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_WRITE_FAULT = 29;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Access masks.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

struct CRegValue {
    DWORD type = REG_NONE;
    std::wstring text;           // REG_SZ
    DWORD number = 0;            // REG_DWORD
    std::vector<BYTE> binary;    // REG_BINARY
    // Size as the data would take: 4 for a DWORD, (characters + 1) * 2 for a
    // string, the byte count for binary data.
    DWORD Size() const;
    static CRegValue String(const std::wstring& text);
    static CRegValue Dword(DWORD number);
    static CRegValue Binary(const void* data, size_t size);
};

// Opens `subKey` below `parent` (a root or an open key). An empty subKey
// opens the parent again. Write access on a read-only root is refused.
LONG RegOpenKeyEx(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result);
// Opens or creates `subKey` (and every missing key on its way).
LONG RegCreateKeyEx(HKEY parent, const std::wstring& subKey, REGSAM access, HKEY* result, DWORD* disposition = nullptr);
// Closes the handle; a key changed through it is written to its file.
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has).
LONG RegDeleteKey(HKEY parent, const std::wstring& subKey);
// `value` may be null to test existence.
LONG RegQueryValueEx(HKEY key, const std::wstring& name, CRegValue* value);
LONG RegSetValueEx(HKEY key, const std::wstring& name, const CRegValue& value);
LONG RegDeleteValue(HKEY key, const std::wstring& name);
// Names of the subkeys and values in order of creation; ERROR_NO_MORE_ITEMS past the end.
LONG RegEnumKey(HKEY key, DWORD index, std::wstring* name);
LONG RegEnumValue(HKEY key, DWORD index, std::wstring* name, CRegValue* value);

// Where a root is stored. Tests point the roots at a temporary folder; an
// empty path goes back to the default. Open handles must be closed first.
void SetRegistryFile(HKEY root, const std::wstring& path);
std::wstring GetRegistryFile(HKEY root);
// Receives the one line that reports a file which could not be read or written.
using RegistryReportHook = void (*)(const std::wstring& text);
void SetRegistryReportHook(RegistryReportHook hook);
