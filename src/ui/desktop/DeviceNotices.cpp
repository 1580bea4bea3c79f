#include "ui/desktop/DeviceNotices.h"
#include "platform/messages.h"

CDeviceNoticeForwarder::CDeviceNoticeForwarder(HWND window, IOpticalDrives& drives) : m_window(window), m_drives(drives)
{
    m_token = m_drives.Subscribe([this](EDeviceNotice notice, const COpticalDrive& drive) {
        COpticalDrive copy = drive;
        SendMessage(m_window, WM_DEVICECHANGE, notice == EDeviceNotice::Arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                    reinterpret_cast<LPARAM>(&copy));
    });
}

CDeviceNoticeForwarder::~CDeviceNoticeForwarder()
{
    if (m_token) m_drives.Unsubscribe(m_token);
}
