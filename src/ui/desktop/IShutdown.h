// Powering the machine off when a long job ends.
#pragma once
#include <string>

class IShutdown {
public:
    virtual ~IShutdown() = default;
    // False with a reason when the system refused.
    virtual bool PowerOff(std::wstring& error) = 0;
};
