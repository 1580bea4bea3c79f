// The process environment: variables read by name.
#pragma once
#include <mutex>
#include <optional>
#include <string>

// The value of the variable `name`; nothing when it is not set.
std::optional<std::string> GetEnvironmentValue(const char* name);
// True when `name` is set to a text that is not empty.
bool IsEnvironmentSet(const char* name);

// Held while the environment is copied for a child process.
std::mutex& EnvironmentLock();

// Sets `name` to `value` for this object's life, then puts back what was
// there. No child process starts meanwhile, so none inherits the value.
class CTemporaryEnvironmentValue {
public:
    CTemporaryEnvironmentValue(const char* name, const char* value);
    ~CTemporaryEnvironmentValue();
    CTemporaryEnvironmentValue(const CTemporaryEnvironmentValue&) = delete;
    CTemporaryEnvironmentValue& operator=(const CTemporaryEnvironmentValue&) = delete;

private:
    std::lock_guard<std::mutex> m_lock;
    std::string m_name;
    std::optional<std::string> m_saved;
};
