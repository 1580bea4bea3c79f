// The desktop shell: open a file, folder or address with its usual program;
// show a file in the file manager.
#pragma once
#include <string>

class IShell {
public:
    virtual ~IShell() = default;
    // `target`: a path or an http(s)/mailto address. False when nothing could be started.
    virtual bool Open(const std::wstring& target) = 0;
    virtual bool ShowInFolder(const std::wstring& path) = 0;
};
