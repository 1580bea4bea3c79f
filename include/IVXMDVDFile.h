// A DVD source: a disc or a folder holding a DVD's files, opened and
// analysed into titles. Made by CreateVXMDVDFileObject, destroyed by Release.
// Titles handed out outlive the source; their holder releases each one.
#pragma once
#include "IVXMMedia.h"
#include "VXMTypes.h"
#include <string>

class IVXMDVDFile {
public:
    virtual void SetPath(const std::wstring& path) = 0;
    virtual void CancelOpen() = 0;
    virtual void SetWorkFolder(const std::wstring& folder) = 0;
    // Opens and analyses the disc; sends WM_VXM_DVD_PARSED to the window
    // when the analysis has ended. 0 at once for an unreadable path.
    virtual int Open(HWND hNotify) = 0;
    virtual int GetTitleCount() const = 0;          // -1 before a successful open
    virtual IVXMDVDTitle* GetTitleAt(unsigned int index) = 0;
    virtual IVXMDVDTitle* GetTitleByNumber(int number) = 0;
    virtual int GetMainTitleInfo() const = 0;       // 1-based position, -1 none
    virtual std::wstring GetPath() const = 0;
    virtual void Release() = 0;                     // destroys the source; titles handed out stay
    virtual ~IVXMDVDFile() = default;

protected:
    IVXMDVDFile() = default;
    IVXMDVDFile(const IVXMDVDFile&) = delete;
    IVXMDVDFile& operator=(const IVXMDVDFile&) = delete;
};
