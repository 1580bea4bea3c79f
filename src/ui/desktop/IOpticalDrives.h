// Optical drives: which there are, what they hold, tray control and notices
// of discs arriving and going.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct COpticalDrive {
    std::wstring device;      // "/dev/sr0"
    std::wstring mountPoint;  // where its disc is mounted; empty when not mounted
};

enum class EDiscState { NoDisc, TrayOpen, NotReady, DiscPresent, Unknown };
enum class EDeviceNotice { Arrival, RemoveComplete };

class IOpticalDrives {
public:
    virtual ~IOpticalDrives() = default;
    virtual std::vector<COpticalDrive> List() = 0;
    // True when the path lies on a disc in an optical drive.
    virtual bool IsOpticalPath(const std::wstring& path) = 0;
    virtual EDiscState GetState(const std::wstring& device) = 0;
    virtual bool Eject(const std::wstring& device) = 0;
    virtual bool Load(const std::wstring& device) = 0;
    // Notices run on the UI thread; the token removes the subscription.
    virtual int Subscribe(std::function<void(EDeviceNotice, const COpticalDrive&)> onNotice) = 0;
    virtual void Unsubscribe(int token) = 0;
    // True when the drive reads DVDs.
    virtual bool ReadsDVD(const std::wstring& device) { return !device.empty(); }
    // The label of the disc in the drive; false when no disc can be read.
    virtual bool GetVolumeLabel(const std::wstring& device, std::wstring& label)
    {
        label.clear();
        return !device.empty() && GetState(device) == EDiscState::DiscPresent;
    }
};
