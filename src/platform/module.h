// Dynamic loading of shared libraries by name, and where loaded code lives.
#pragma once
#include <string>

class CModule {
public:
    CModule() = default;
    // Loads `name` (a file name searched as the loader does, or a path).
    explicit CModule(const std::string& name);
    ~CModule();
    CModule(CModule&& other) noexcept;
    CModule& operator=(CModule&& other) noexcept;
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    bool IsLoaded() const { return m_handle != nullptr; }
    // Null when the module or the symbol is missing.
    void* GetSymbol(const char* symbol) const;
    void Unload();

private:
    void* m_handle = nullptr;
};

// Folder of the executable or shared library that holds `address` (code or
// data of it); empty when unknown.
std::wstring GetModuleFolder(const void* address);
