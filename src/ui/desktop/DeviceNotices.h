// Disc arrival and removal as window messages: WM_DEVICECHANGE with
// DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE, sent (not posted) to the
// window; lParam points to the COpticalDrive for the length of the call.
#pragma once
#include "ui/desktop/IOpticalDrives.h"
#include "ui/UIDefine.h"

constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

class CDeviceNoticeForwarder {
public:
    // The drives service must outlive the forwarder.
    CDeviceNoticeForwarder(HWND window, IOpticalDrives& drives);
    ~CDeviceNoticeForwarder();
    CDeviceNoticeForwarder(const CDeviceNoticeForwarder&) = delete;
    CDeviceNoticeForwarder& operator=(const CDeviceNoticeForwarder&) = delete;

private:
    HWND m_window;
    IOpticalDrives& m_drives;
    int m_token = 0;
};
