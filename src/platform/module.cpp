// Shared libraries loaded at run time.
#include "platform/module.h"

#include <dlfcn.h>
#include <utility>

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
