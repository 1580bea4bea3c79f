// Shared libraries loaded at run time.
#include "platform/module.h"

#include <dlfcn.h>
#include <link.h>
#include <filesystem>
#include <utility>

#include "platform/text.h"

CModule::CModule(const std::string& name)
{
    if (!name.empty()) m_handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
}

CModule::~CModule() { Unload(); }

CModule::CModule(CModule&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

CModule& CModule::operator=(CModule&& other) noexcept
{
    if (this != &other) {
        Unload();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void* CModule::GetSymbol(const char* symbol) const
{
    if (!m_handle || !symbol) return nullptr;
    return dlsym(m_handle, symbol);
}

void CModule::Unload()
{
    if (m_handle) dlclose(m_handle);
    m_handle = nullptr;
}

std::wstring GetModuleFolder(const void* address)
{
    Dl_info info{};
    link_map* map = nullptr;
    if (!address || dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || !map) return {};
    // The main program's entry has no name (its reported one is argv[0]).
    const std::filesystem::path self = map->l_name && map->l_name[0] ? map->l_name : "/proc/self/exe";
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::canonical(self, ec);
    if (ec) return {};
    return Utf8ToWide(file.parent_path().string());
}
