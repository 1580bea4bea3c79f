// What the main window asks of its panes. The converter and the burner page
// each hold a media pane; the player page holds the player pane. Every call
// runs on the UI thread.
#pragma once
#include "platform/types.h"
#include <string>

class IVXMMedia;

class IMainPane {
public:
    virtual ~IMainPane() = default;
    // 0 converter, 1 burner.
    virtual int GetMode() const = 0;
    virtual void LoadLayout() = 0;
    // True when one of the pane's rows holds the media.
    virtual bool HoldsMedia(IVXMMedia* media) const = 0;
    // A media the engine loaded: a new row at `position` (-1 the end).
    virtual void AddMedia(IVXMMedia* media, short position, unsigned short flags) = 0;
    // The row of the media was started; the merge buttons are disabled.
    virtual void OnConversionStarted(IVXMMedia* media) = 0;
    // Progress of the media's row in tenths of a percent.
    virtual void SetProgress(IVXMMedia* media, int permille) = 0;
    // The media's conversion ended; false when no row holds it. On true,
    // `profileName` is the profile the row converted to.
    virtual bool OnJobFinished(int result, IVXMMedia* media, std::wstring& profileName) = 0;
    // The media went into a joined file: its row goes.
    virtual void RemoveMedia(IVXMMedia* media) = 0;
    virtual bool IsConverting() const = 0;
    // Stops every converting row.
    virtual void StopAll() = 0;
    // The pane's own timer (id 100).
    virtual void OnTimerTick() = 0;
    // Rows taken from a drive that was removed ("E:").
    virtual void RemoveDriveRows(const std::wstring& drive) = 0;
    // Counts one converted entry in the media manager (converter pane).
    virtual void AddConvertedEntry(const std::wstring& profileName) = 0;
    // Imports a cue sheet.
    virtual void ImportCue(const std::wstring& path) = 0;
    // Burner pane: true when a burn may start now.
    virtual bool CheckBurn() = 0;
    // The media's clips changed: its child segment rows are built again.
    virtual void RebuildSegments(IVXMMedia* media) = 0;
    // The media's effects changed: its row's effect mark is refreshed.
    virtual void RefreshEffectMark(IVXMMedia* media) = 0;
    // Converter pane: the media manager selects its first entry.
    virtual void SelectFirstManagerEntry() = 0;
    // Burner pane: a burn is running.
    virtual bool IsBurning() const = 0;
    // A disc arrived in the drive (device, mount point): the pane opens it.
    virtual void OpenInsertedDisc(const std::wstring& device, const std::wstring& mountPoint) = 0;
    // Burner pane: both disc-size fields, then the disc-size meter again.
    virtual void SetDiscSize(int size) = 0;
};

class IPlayerPane {
public:
    virtual ~IPlayerPane() = default;
    virtual void LoadLayout() = 0;
    virtual void LinkPane(IMainPane* pane) = 0;
    // 0 stopped, 1 playing, 2 paused.
    virtual int GetState() const = 0;
    virtual void StopAndReset() = 0;
    virtual void OnPlayerEvent(WPARAM code, LPARAM value) = 0;
    // The drive was removed: the player stops when it plays from it.
    virtual void OnDriveRemoved(const std::wstring& device, const std::wstring& mountPoint) = 0;
};
