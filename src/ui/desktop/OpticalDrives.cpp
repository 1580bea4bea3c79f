#include "ui/desktop/OpticalDrives.h"
#include "platform/opticaldrives.h"

#include <QTimer>

CDesktopOpticalDrives::CDesktopOpticalDrives() = default;
CDesktopOpticalDrives::~CDesktopOpticalDrives() = default;

std::vector<COpticalDrive> CDesktopOpticalDrives::List()
{
    std::vector<COpticalDrive> out;
    for (const COpticalDriveInfo& drive : EnumerateOpticalDrives()) out.push_back(COpticalDrive{drive.device, drive.mountPoint});
    return out;
}

bool CDesktopOpticalDrives::IsOpticalPath(const std::wstring& path) { return IsOnOpticalDisc(path); }

EDiscState CDesktopOpticalDrives::GetState(const std::wstring& device)
{
    switch (QueryDriveState(device)) {
    case EOpticalState::NoDisc: return EDiscState::NoDisc;
    case EOpticalState::TrayOpen: return EDiscState::TrayOpen;
    case EOpticalState::NotReady: return EDiscState::NotReady;
    case EOpticalState::DiscPresent: return EDiscState::DiscPresent;
    default: return EDiscState::Unknown;
    }
}

bool CDesktopOpticalDrives::Eject(const std::wstring& device) { return EjectDrive(device); }
bool CDesktopOpticalDrives::Load(const std::wstring& device) { return LoadDrive(device); }
bool CDesktopOpticalDrives::ReadsDVD(const std::wstring& device) { return DriveReadsDVD(device); }

bool CDesktopOpticalDrives::GetVolumeLabel(const std::wstring& device, std::wstring& label)
{
    label.clear();
    if (QueryDriveState(device) != EOpticalState::DiscPresent) return false;
    if (ReadVolumeLabel(device, label)) return true;
    // A disc without a label (an audio CD) is still a disc.
    label.clear();
    return true;
}

int CDesktopOpticalDrives::Subscribe(std::function<void(EDeviceNotice, const COpticalDrive&)> onNotice)
{
    if (!onNotice) return 0;
    if (!m_timer) {
        m_watcher = std::make_unique<COpticalDriveWatcher>();
        m_watcher->Poll();  // what is there now is no news
        m_timer = std::make_unique<QTimer>();
        QObject::connect(m_timer.get(), &QTimer::timeout, [this] { Poll(); });
        m_timer->start(kPollMs);
    }
    int token = m_nextToken++;
    m_subscribers[token] = std::move(onNotice);
    return token;
}

void CDesktopOpticalDrives::Unsubscribe(int token)
{
    m_subscribers.erase(token);
    if (m_subscribers.empty()) {
        m_timer.reset();
        m_watcher.reset();
    }
}

void CDesktopOpticalDrives::Poll()
{
    if (!m_watcher) return;
    for (const COpticalDriveWatcher::CChange& change : m_watcher->Poll()) {
        COpticalDrive drive{change.device, DriveMountPoint(change.device)};
        // A subscriber may leave during the call.
        auto copy = m_subscribers;
        for (auto& [token, notify] : copy)
            if (m_subscribers.count(token)) notify(change.arrived ? EDeviceNotice::Arrival : EDeviceNotice::RemoveComplete, drive);
    }
}
