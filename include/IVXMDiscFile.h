// An audio-CD drive with its tracks. Made by CreateVXMDiscFileObject.
// Tracks handed out belong to the caller, who releases each one.
#pragma once
#include "IVXMMedia.h"
#include "VXMTypes.h"
#include <string>

class IVXMDiscFile {
public:
    virtual void SetDrive(const std::wstring& path) = 0;   // one trailing "/" or "\\" is cut
    // Reads the disc's tracks; 0 on success, -1 on failure. The window is
    // not used by the drive object (the read is synchronous).
    virtual int Open(HWND hNotify = nullptr) = 0;
    virtual int GetTrackCount() const = 0;                 // -1 before Open
    virtual IVXMDiscAudiotrack* GetTrackAt(int index) = 0;
    virtual std::wstring GetDrive() const = 0;
    virtual void Release() = 0;                            // destroys the drive object; tracks handed out stay
    virtual ~IVXMDiscFile() = default;

protected:
    IVXMDiscFile() = default;
    IVXMDiscFile(const IVXMDiscFile&) = delete;
    IVXMDiscFile& operator=(const IVXMDiscFile&) = delete;
};
