#include "ui/desktop/QtDesktop.h"
#include "platform/desktop.h"
#include "platform/online.h"
#include "platform/optical.h"
#include "ui/UIRender.h"
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

CQtOpticalDrives::CQtOpticalDrives() = default;
CQtOpticalDrives::~CQtOpticalDrives() = default;

std::vector<COpticalDrive> CQtOpticalDrives::List()
{
    std::vector<COpticalDrive> out;
    for (const std::wstring& device : ListOpticalDrives()) out.push_back(COpticalDrive{device, OpticalMountPoint(device)});
    return out;
}

bool CQtOpticalDrives::IsOpticalPath(const std::wstring& path) { return IsOnOpticalDisc(path); }

EDiscState CQtOpticalDrives::GetState(const std::wstring& device)
{
    switch (GetOpticalState(device)) {
    case EOpticalState::NoDisc: return EDiscState::NoDisc;
    case EOpticalState::TrayOpen: return EDiscState::TrayOpen;
    case EOpticalState::NotReady: return EDiscState::NotReady;
    case EOpticalState::DiscPresent: return EDiscState::DiscPresent;
    default: return EDiscState::Unknown;
    }
}

bool CQtOpticalDrives::Eject(const std::wstring& device) { return EjectOpticalMedia(device); }
bool CQtOpticalDrives::Load(const std::wstring& device) { return LoadOpticalMedia(device); }

int CQtOpticalDrives::Subscribe(std::function<void(EDeviceNotice, const COpticalDrive&)> onNotice)
{
    if (!onNotice) return 0;
    if (!m_timer) {
        for (const COpticalDrive& d : List()) m_present[d.device] = GetState(d.device) == EDiscState::DiscPresent;
        m_timer = std::make_unique<QTimer>();
        QObject::connect(m_timer.get(), &QTimer::timeout, [this] { Poll(); });
        m_timer->start(2000);
    }
    int token = m_nextToken++;
    m_subscribers[token] = std::move(onNotice);
    return token;
}

void CQtOpticalDrives::Unsubscribe(int token)
{
    m_subscribers.erase(token);
    if (m_subscribers.empty()) m_timer.reset();
}

void CQtOpticalDrives::Poll()
{
    for (const COpticalDrive& d : List()) {
        bool present = GetState(d.device) == EDiscState::DiscPresent;
        auto it = m_present.find(d.device);
        bool was = it != m_present.end() && it->second;
        m_present[d.device] = present;
        if (present == was) continue;
        auto copy = m_subscribers;
        for (auto& entry : copy)
            if (m_subscribers.count(entry.first)) entry.second(present ? EDeviceNotice::Arrival : EDeviceNotice::RemoveComplete, d);
    }
}

bool CQtOnlineState::IsOnline() { return IsNetworkConnected(); }

std::vector<CScreenInfo> CQtScreens::List()
{
    std::vector<CScreenInfo> out;
    if (!QGuiApplication::instance()) return out;
    QScreen* primary = QGuiApplication::primaryScreen();
    for (QScreen* s : QGuiApplication::screens()) {
        CScreenInfo info;
        info.area = FromQRect(s->geometry());
        info.workArea = FromQRect(s->availableGeometry());
        info.primary = s == primary;
        out.push_back(info);
    }
    return out;
}

bool CQtShutdown::PowerOff(std::wstring& error) { return RequestPowerOff(error); }
