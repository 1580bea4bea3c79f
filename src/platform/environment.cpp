#include "platform/environment.h"

#include <cstdlib>

std::optional<std::string> GetEnvironmentValue(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    if (!value) return std::nullopt;
    return std::string(value);
}

bool IsEnvironmentSet(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    return value && *value;
}

std::mutex& EnvironmentLock()
{
    static std::mutex lock;
    return lock;
}

CTemporaryEnvironmentValue::CTemporaryEnvironmentValue(const char* name, const char* value)
    : m_lock(EnvironmentLock()), m_name(name), m_saved(GetEnvironmentValue(name))
{
    ::setenv(name, value, 1);
}

CTemporaryEnvironmentValue::~CTemporaryEnvironmentValue()
{
    if (m_saved)
        ::setenv(m_name.c_str(), m_saved->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}
