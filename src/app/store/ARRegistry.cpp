// Registry access for the program.
#include "ARRegistry.h"
#include "Log.h"
#include "VXMGlobal.h"

#include <mutex>

namespace {

constexpr REGSAM kReadOnlyAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;

void ReportToLog(const std::wstring& text)
{
    LogErrorW("CARRegistry", L"%s", text.c_str());
}

void InstallReportHook()
{
    static std::once_flag once;
    std::call_once(once, [] { SetRegistryReportHook(ReportToLog); });
}

}  // namespace

CARRegistry::CARRegistry(BOOL useLocalMachine, BOOL readOnly)
    : m_bUseLocalMachine(useLocalMachine), m_bReadOnly(readOnly)
{
    InstallReportHook();
    m_hKey = Root();
}

CARRegistry::~CARRegistry()
{
    CloseKey();
}

HKEY CARRegistry::Root() const
{
    return m_bUseLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM CARRegistry::Access() const
{
    return m_bReadOnly ? kReadOnlyAccess : KEY_ALL_ACCESS;
}

void CARRegistry::Record(LONG status, const CRegValue* value)
{
    m_nLastStatus = status;
    if (value) {
        m_nLastType = static_cast<LONG>(value->type);
        m_nLastSize = static_cast<LONG>(value->Size());
    }
}

std::wstring CARRegistry::MakeKeyPath(const std::wstring& subKey, const std::wstring& maker, const std::wstring& product)
{
    std::wstring sub = subKey;
    if (!sub.empty() && sub.back() == L'\\') sub.pop_back();
    if (maker.empty()) return L"Software\\" + product + L"\\" + sub;
    return L"Software\\" + maker + L"\\" + product + L"\\" + sub;
}

std::wstring CARRegistry::ExpandKey(const std::wstring& subKey) const
{
    return m_bRawPath ? subKey : MakeKeyPath(subKey, VXM_MAKER_NAME, VXM_PRODUCT_NAME);
}

BOOL CARRegistry::KeyExists(const std::wstring& subKey)
{
    CloseKey();
    HKEY probe = nullptr;
    LONG status = RegOpenKeyEx(m_hKey, ExpandKey(subKey), Access(), &probe);
    Record(status, nullptr);
    if (status != ERROR_SUCCESS) return FALSE;
    RegCloseKey(probe);
    return TRUE;
}

BOOL CARRegistry::ValueExists(const std::wstring& name)
{
    CRegValue value;
    LONG status = RegQueryValueEx(m_hKey, name, &value);
    Record(status, status == ERROR_SUCCESS ? &value : nullptr);
    return status == ERROR_SUCCESS;
}

BOOL CARRegistry::TakeKey(LONG status, HKEY key, const std::wstring& subKey)
{
    Record(status, nullptr);
    if (status != ERROR_SUCCESS) return FALSE;
    CloseKey();
    m_hKey = key;
    m_strKeyName = subKey;
    return TRUE;
}

BOOL CARRegistry::CreateKey(const std::wstring& subKey)
{
    if (m_bReadOnly) return FALSE;
    HKEY key = nullptr;
    const LONG status = RegCreateKeyEx(m_hKey, ExpandKey(subKey), KEY_ALL_ACCESS, &key);
    return TakeKey(status, key, subKey);
}

BOOL CARRegistry::OpenKey(const std::wstring& subKey)
{
    HKEY key = nullptr;
    const LONG status = RegOpenKeyEx(m_hKey, ExpandKey(subKey), Access(), &key);
    return TakeKey(status, key, subKey);
}

void CARRegistry::CloseKey()
{
    if (m_hKey && m_hKey != Root()) m_nLastStatus = RegCloseKey(m_hKey);
    m_hKey = Root();
    m_strKeyName.clear();
}

BOOL CARRegistry::DeleteValue(const std::wstring& name)
{
    if (m_bReadOnly) return FALSE;
    LONG status = RegDeleteValue(m_hKey, name);
    Record(status, nullptr);
    return status == ERROR_SUCCESS;
}

bool CARRegistry::DeleteTree(HKEY parent, const std::wstring& subKey)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyEx(parent, subKey, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) {
        Record(status, nullptr);
        return false;
    }
    std::wstring child;
    bool ok = true;
    // Always index 0: each deletion moves the next subkey there.
    while (ok && RegEnumKey(key, 0, &child) == ERROR_SUCCESS) ok = DeleteTree(key, child);
    RegCloseKey(key);
    if (!ok) return false;
    status = RegDeleteKey(parent, subKey);
    Record(status, nullptr);
    return status == ERROR_SUCCESS;
}

BOOL CARRegistry::DeleteKey(const std::wstring& subKey)
{
    if (m_bReadOnly) return FALSE;
    return DeleteTree(m_hKey, ExpandKey(subKey)) ? TRUE : FALSE;
}

BOOL CARRegistry::WriteBinary(const std::wstring& name, const void* data, DWORD size)
{
    if (m_bReadOnly) return FALSE;
    CRegValue value = CRegValue::Binary(data, size);
    LONG status = RegSetValueEx(m_hKey, name, value);
    Record(status, &value);
    return status == ERROR_SUCCESS;
}

BOOL CARRegistry::WriteString(const std::wstring& name, const std::wstring& text)
{
    if (m_bReadOnly) return FALSE;
    CRegValue value = CRegValue::String(text);
    LONG status = RegSetValueEx(m_hKey, name, value);
    Record(status, &value);
    return status == ERROR_SUCCESS;
}

BOOL CARRegistry::WriteInt(const std::wstring& name, int value)
{
    if (m_bReadOnly) return FALSE;
    return RegSetValueEx(m_hKey, name, CRegValue::Dword(static_cast<DWORD>(value))) == ERROR_SUCCESS;
}

BOOL CARRegistry::WriteDWORD(const std::wstring& name, DWORD number)
{
    if (m_bReadOnly) return FALSE;
    CRegValue value = CRegValue::Dword(number);
    LONG status = RegSetValueEx(m_hKey, name, value);
    Record(status, &value);
    return status == ERROR_SUCCESS;
}

BOOL CARRegistry::ReadString(const std::wstring& name, std::wstring& out, const std::wstring& defaultValue)
{
    if (QueryString(name, out)) return TRUE;
    out = defaultValue;
    return FALSE;
}

BOOL CARRegistry::ReadInt(const std::wstring& name, int& out, int defaultValue)
{
    if (QueryInt(name, out)) return TRUE;
    out = defaultValue;
    return FALSE;
}

BOOL CARRegistry::ReadDWORD(const std::wstring& name, DWORD& out, DWORD defaultValue)
{
    if (QueryDWORD(name, out)) return TRUE;
    out = defaultValue;
    return FALSE;
}

BOOL CARRegistry::ReadBinary(const std::wstring& name, std::vector<BYTE>& out)
{
    CRegValue value;
    LONG status = RegQueryValueEx(m_hKey, name, &value);
    Record(status, status == ERROR_SUCCESS ? &value : nullptr);
    if (status != ERROR_SUCCESS || value.type != REG_BINARY) {
        out.clear();
        return FALSE;
    }
    out = std::move(value.binary);
    return TRUE;
}

BOOL CARRegistry::QueryString(const std::wstring& name, std::wstring& out)
{
    CRegValue value;
    LONG status = RegQueryValueEx(m_hKey, name, &value);
    Record(status, status == ERROR_SUCCESS ? &value : nullptr);
    if (status != ERROR_SUCCESS || value.type != REG_SZ || value.text.empty()) {
        out.clear();
        return FALSE;
    }
    // Text up to its terminator, as a C string would end.
    size_t end = value.text.find(L'\0');
    out = end == std::wstring::npos ? value.text : value.text.substr(0, end);
    return TRUE;
}

BOOL CARRegistry::QueryInt(const std::wstring& name, int& out)
{
    DWORD number = 0;
    if (!QueryDWORD(name, number)) return FALSE;
    out = static_cast<int>(number);
    return TRUE;
}

BOOL CARRegistry::QueryDWORD(const std::wstring& name, DWORD& out)
{
    CRegValue value;
    LONG status = RegQueryValueEx(m_hKey, name, &value);
    Record(status, status == ERROR_SUCCESS ? &value : nullptr);
    if (status != ERROR_SUCCESS || value.type != REG_DWORD) return FALSE;
    out = value.number;
    return TRUE;
}
