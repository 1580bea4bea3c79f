// Panes that record what the main window hands them.
#pragma once
#include "IMainPane.h"
#include "IVXMMedia.h"
#include "MainFrameMessages.h"
#include "ui/UIContainer.h"
#include "ui/UIWindow.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

inline IVXMMedia* FakeMedia(int i)
{
    static char objects[16];
    return reinterpret_cast<IVXMMedia*>(&objects[i]);
}

inline bool IsFakeMedia(IVXMMedia* media)
{
    for (int i = 0; i < 16; ++i)
        if (FakeMedia(i) == media) return true;
    return false;
}

class CFakeMediaPane : public CVerticalLayoutUI, public IMainPane {
public:
    CFakeMediaPane(int mode, std::vector<std::string>& log) : m_mode(mode), m_log(log) {}
    ~CFakeMediaPane() override
    {
        // A pane owns the media it is given: the engine's are released here.
        for (IVXMMedia* media : added)
            if (!IsFakeMedia(media)) media->Release();
        Note("destroyed");
    }

    int GetMode() const override { return m_mode; }
    void LoadLayout() override { Note("layout"); }
    bool HoldsMedia(IVXMMedia* media) const override { return held.count(media) != 0; }
    void AddMedia(IVXMMedia* media, short position, unsigned short flags) override
    {
        added.push_back(media);
        Note("add " + std::to_string(position) + " " + std::to_string(flags));
    }
    void OnConversionStarted(IVXMMedia* media) override { Note("started " + Id(media)); }
    void SetProgress(IVXMMedia* media, int permille) override { Note("progress " + Id(media) + " " + std::to_string(permille)); }
    bool OnJobFinished(int result, IVXMMedia* media, std::wstring& profile) override
    {
        Note("finished " + Id(media) + " " + std::to_string(result));
        converting = false;
        profile = L"MP4";
        return true;
    }
    void RemoveMedia(IVXMMedia* media) override
    {
        held.erase(media);
        Note("removed " + Id(media));
    }
    bool IsConverting() const override { return converting; }
    void StopAll() override
    {
        Note("stop");
        if (onStop) onStop();
    }
    void OnTimerTick() override { Note("tick"); }
    void RemoveDriveRows(const std::wstring& drive) override { Note("drive " + std::string(drive.begin(), drive.end())); }
    void AddConvertedEntry(const std::wstring& profile) override { Note("converted " + std::string(profile.begin(), profile.end())); }
    void ImportCue(const std::wstring& path) override { Note("cue " + std::string(path.begin(), path.end())); }

    bool CheckBurn() override
    {
        Note("check burn");
        return mayBurn;
    }
    void RebuildSegments(IVXMMedia* media) override { Note("segments " + Id(media)); }
    void RefreshEffectMark(IVXMMedia* media) override { Note("effects " + Id(media)); }
    void SelectFirstManagerEntry() override { Note("manager first"); }
    bool IsBurning() const override { return burning; }
    void OpenInsertedDisc(const std::wstring& device, const std::wstring&) override
    {
        Note("open disc " + std::string(device.begin(), device.end()));
    }
    void SetDiscSize(int size) override { Note("disc size " + std::to_string(size)); }
    bool burning = false;

    std::set<IVXMMedia*> held;
    bool mayBurn = false;
    std::vector<IVXMMedia*> added;
    bool converting = false;
    std::function<void()> onStop;

private:
    std::string Id(IVXMMedia* media) const
    {
        for (int i = 0; i < 16; ++i)
            if (FakeMedia(i) == media) return "m" + std::to_string(i);
        return "?";
    }
    void Note(const std::string& what) { m_log.push_back((m_mode == 1 ? "burn: " : "main: ") + what); }

    int m_mode;
    std::vector<std::string>& m_log;
};

class CFakePlayerPane : public CVerticalLayoutUI, public IPlayerPane {
public:
    explicit CFakePlayerPane(std::vector<std::string>& log) : m_log(log) {}
    void LoadLayout() override { m_log.push_back("player: layout"); }
    void LinkPane(IMainPane* pane) override { linked = pane; }
    int GetState() const override { return state; }
    void StopAndReset() override { ++resets; }
    void OnPlayerEvent(WPARAM code, LPARAM value) override
    {
        m_log.push_back("player: event " + std::to_string(code) + " " + std::to_string(value));
    }
    void OnDriveRemoved(const std::wstring& device, const std::wstring&) override
    {
        m_log.push_back("player: drive " + std::string(device.begin(), device.end()));
    }
    IMainPane* linked = nullptr;
    int state = 0;
    int resets = 0;

private:
    std::vector<std::string>& m_log;
};
