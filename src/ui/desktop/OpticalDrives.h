// The optical drives of this machine over the platform's drive layer. Disc
// arrivals and removals are found by polling while someone listens; notices
// run on the UI thread.
#pragma once
#include "ui/desktop/IOpticalDrives.h"

#include <map>
#include <memory>

class QTimer;
class COpticalDriveWatcher;

class CDesktopOpticalDrives : public IOpticalDrives {
public:
    static constexpr int kPollMs = 2000;

    CDesktopOpticalDrives();
    ~CDesktopOpticalDrives() override;
    CDesktopOpticalDrives(const CDesktopOpticalDrives&) = delete;
    CDesktopOpticalDrives& operator=(const CDesktopOpticalDrives&) = delete;

    std::vector<COpticalDrive> List() override;
    bool IsOpticalPath(const std::wstring& path) override;
    EDiscState GetState(const std::wstring& device) override;
    bool Eject(const std::wstring& device) override;
    bool Load(const std::wstring& device) override;
    int Subscribe(std::function<void(EDeviceNotice, const COpticalDrive&)> onNotice) override;
    void Unsubscribe(int token) override;
    bool ReadsDVD(const std::wstring& device) override;
    bool GetVolumeLabel(const std::wstring& device, std::wstring& label) override;

    // One poll now (the timer's tick): notices for what changed since the last.
    void Poll();

private:
    std::unique_ptr<QTimer> m_timer;
    std::unique_ptr<COpticalDriveWatcher> m_watcher;
    std::map<int, std::function<void(EDeviceNotice, const COpticalDrive&)>> m_subscribers;
    int m_nextToken = 1;
};
