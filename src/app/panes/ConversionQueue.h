// Convert all: hands the checked rows of a conversion list to the engine, at
// most a set number at once, and starts the next waiting row, in list order,
// each time a job ends. Also decides when a batch is over, so the completion
// actions run exactly once per batch. UI thread only.
#pragma once
#include "VXMItemStatus.h"

#include <functional>

class CMediaListItemUI;
class CMediaListUI;
class IProfile;
class IVXMMedia;

// Status texts of a row.
constexpr int kStatusTextCompleted = 168;
constexpr int kStatusTextWaiting = 169;

struct SConvertAllResult {
    int started = 0;   // rows handed to the engine
    int refused = 0;   // rows the engine bridge refused (marked failed)
};

class CConversionQueue {
public:
    // Starts one row's conversion; false when refused.
    using StartFn = std::function<bool(IVXMMedia*, IProfile*)>;

    CConversionQueue() = default;
    void SetList(CMediaListUI* list) { m_list = list; }
    // Default: the list's own start (the media handler).
    void SetStarter(StartFn start) { m_start = std::move(start); }

    // `limit`: rows converting at once (below 1 counts as 1). `hardware`:
    // hardware encoding is on, so at most two rows with an "mp4" output run.
    SConvertAllResult ConvertAll(int limit, bool hardware);
    // A job of `finished` ended: the first waiting row (checked, neither
    // failed nor done, idle) starts. A refused row is marked failed and the
    // next one is tried. Null when nothing started.
    CMediaListItemUI* StartNext(CMediaListItemUI* finished, bool hardware);
    // The queue stops; every row's conversion is stopped.
    void StopAll();

    bool IsRunning() const { return m_running; }
    // Some job started (by the queue or a row's own button): a batch is open.
    void NoteStarted() { m_batchOpen = true; }
    // True once per batch: when the queue has nothing left to start and no
    // row converts or writes its output's tags any more.
    bool TakeCompletion();
    bool AnyConverting() const;
    // Some row's stop has not ended yet (it cannot start before).
    bool AnyStopping() const;
    // Some row's output is getting its tags (the row has not ended yet).
    bool AnySavingTags() const;

    static bool IsMp4Output(IProfile* profile);

private:
    bool Start(CMediaListItemUI* row);
    int RunningMp4Rows() const;

    CMediaListUI* m_list = nullptr;
    StartFn m_start;
    bool m_running = false;
    bool m_batchOpen = false;
};
