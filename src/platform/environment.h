// The process environment: variables read by name.
#pragma once
#include <optional>
#include <string>

// The value of the variable `name`; nothing when it is not set.
std::optional<std::string> GetEnvironmentValue(const char* name);
// True when `name` is set to a text that is not empty.
bool IsEnvironmentSet(const char* name);
