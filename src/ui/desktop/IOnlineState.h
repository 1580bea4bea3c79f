// Whether the machine has a network connection (nothing is sent to find out).
#pragma once

class IOnlineState {
public:
    virtual ~IOnlineState() = default;
    virtual bool IsOnline() = 0;
};
