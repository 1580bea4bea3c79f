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
