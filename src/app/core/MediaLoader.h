// Probes files on the media pool and hands them on in the order they were
// queued, whatever order the probes end in: adding a folder of thousands of
// files never holds the UI thread, and the list keeps the order of adding.
#pragma once
#include "IVXMMedia.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMediaLoader {
public:
    // Runs on a worker: the probed media, or null when the file is no media
    // (with why in `why`: a VXM_PROBE_RESULT or the prober's own code).
    using ProbeFn = std::function<IVXMMedia*(const std::wstring& path, int& why)>;
    // Runs on a worker, in queue order; false when nobody took the media
    // (the loader releases it then).
    using DeliverFn = std::function<bool(IVXMMedia* media, short position, unsigned short flags)>;

    // Runs on whichever thread lets a probed media go without handing it on,
    // before the loader releases it.
    using DiscardFn = std::function<void(IVXMMedia* media)>;
    // A file that is no media, at its place in queue order (with the
    // loader's lock held: it may only post).
    using RefuseFn = std::function<void(const std::wstring& path, int why)>;

    // One thing queued: a file to probe, or, with `handOn` set, something
    // handed on at its place instead of a media (a cue sheet, a folder the
    // window looks at). `handOn` runs in queue order on whichever thread
    // hands on, with the loader's lock held: it may only post. With `holds`,
    // what follows waits until Fill(place) puts entries in its place.
    struct CEntry {
        CEntry(std::wstring file = std::wstring()) : path(std::move(file)) {}
        std::wstring path;
        std::function<void(uint64_t place)> handOn;
        bool holds = false;
    };

    CMediaLoader(ProbeFn probe, DeliverFn deliver, DiscardFn discard = nullptr, RefuseFn refuse = nullptr);
    // Drops what waits and waits for the probes that run.
    ~CMediaLoader();
    CMediaLoader(const CMediaLoader&) = delete;
    CMediaLoader& operator=(const CMediaLoader&) = delete;

    // A position of -1 appends; otherwise the files take the positions from
    // `position` on, in order.
    void Queue(const std::vector<CEntry>& entries, short position, unsigned short flags);
    // Runs on a worker: what to queue, in order.
    using ListFn = std::function<std::vector<CEntry>()>;
    // As Queue with the entries `list` gives, listed on the pool: they keep
    // the place of this call among the entries queued before and after.
    void QueueListed(ListFn list, short position, unsigned short flags);
    // Puts `entries` in the place of a holding entry, which had `place`
    // handed to it; nothing when that entry went (CancelAll).
    void Fill(uint64_t place, const std::vector<CEntry>& entries);
    // The holding entry that had `place` waits for its Fill.
    bool IsWaiting(uint64_t place) const;
    // Files not yet handed on are not handed on; returns at once (a probe
    // that runs ends on its own and its media is released).
    void CancelAll();
    // Files queued and not yet handed on or dropped.
    size_t Waiting() const;

    struct CState;

private:
    std::shared_ptr<CState> m_state;
};
