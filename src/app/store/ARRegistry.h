// Registry access for the program: a short subkey name maps onto the
// program's own key "Software\<maker>\<product>\<subkey>".
#pragma once
#include "platform/registry.h"
#include <string>
#include <vector>

class CARRegistry {
public:
    // Root HKEY_LOCAL_MACHINE when `useLocalMachine`, else HKEY_CURRENT_USER.
    // A read-only object opens keys for reading only and refuses every write.
    explicit CARRegistry(BOOL useLocalMachine = FALSE, BOOL readOnly = FALSE);
    virtual ~CARRegistry();
    CARRegistry(const CARRegistry&) = delete;
    CARRegistry& operator=(const CARRegistry&) = delete;

    // Closes the current key first; then tells whether the subkey opens.
    virtual BOOL KeyExists(const std::wstring& subKey);
    virtual BOOL ValueExists(const std::wstring& name);
    // Creates (or opens) the subkey below the current key; it becomes current.
    virtual BOOL CreateKey(const std::wstring& subKey);
    // Opens the subkey below the current key; it becomes current.
    virtual BOOL OpenKey(const std::wstring& subKey);
    virtual void CloseKey();
    virtual BOOL DeleteValue(const std::wstring& name);
    // Deletes the subkey with everything below it.
    virtual BOOL DeleteKey(const std::wstring& subKey);
    virtual BOOL WriteBinary(const std::wstring& name, const void* data, DWORD size);
    virtual BOOL WriteString(const std::wstring& name, const std::wstring& text);
    virtual BOOL WriteInt(const std::wstring& name, int value);
    virtual BOOL WriteDWORD(const std::wstring& name, DWORD value);
    // On failure the output gets the default and the result is FALSE.
    virtual BOOL ReadString(const std::wstring& name, std::wstring& out, const std::wstring& defaultValue);
    virtual BOOL ReadInt(const std::wstring& name, int& out, int defaultValue);
    virtual BOOL ReadDWORD(const std::wstring& name, DWORD& out, DWORD defaultValue);
    virtual BOOL ReadBinary(const std::wstring& name, std::vector<BYTE>& out);
    // On failure QueryString empties the output; QueryInt and QueryDWORD leave
    // it untouched. A value of another type is a failure.
    virtual BOOL QueryString(const std::wstring& name, std::wstring& out);
    virtual BOOL QueryInt(const std::wstring& name, int& out);
    virtual BOOL QueryDWORD(const std::wstring& name, DWORD& out);

    // Subkey names are used as given instead of below the program's key.
    void SetRawPath(BOOL rawPath) { m_bRawPath = rawPath; }
    LONG GetLastStatus() const { return m_nLastStatus; }
    LONG GetLastType() const { return m_nLastType; }
    LONG GetLastSize() const { return m_nLastSize; }
    const std::wstring& GetKeyName() const { return m_strKeyName; }
    BOOL IsReadOnly() const { return m_bReadOnly; }

    // "Software\maker\product\subkey" ("Software\product\subkey" without a
    // maker); one trailing backslash of the subkey is dropped first.
    static std::wstring MakeKeyPath(const std::wstring& subKey, const std::wstring& maker, const std::wstring& product);
    // The path a subkey name stands for in this object.
    std::wstring ExpandKey(const std::wstring& subKey) const;

private:
    HKEY Root() const;
    REGSAM Access() const;
    void Record(LONG status, const CRegValue* value);
    // After an open or create: the opened key becomes the current one.
    BOOL TakeKey(LONG status, HKEY key, const std::wstring& subKey);
    bool DeleteTree(HKEY parent, const std::wstring& subKey);

    LONG m_nLastStatus = 0;
    LONG m_nLastType = 0;
    LONG m_nLastSize = 0;
    HKEY m_hKey;
    BOOL m_bUseLocalMachine;
    std::wstring m_strKeyName;
    BOOL m_bReadOnly;
    LONG m_nReserved = 0;
    BOOL m_bRawPath = FALSE;
};
