#include "MediaLoader.h"
#include "WorkPool.h"
#include "Log.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

struct CMediaLoader::CState {
    struct CSlot {
        IVXMMedia* media = nullptr;
        std::wstring path;
        int why = VXM_PROBE_FAILED;  // of a file that is no media
        bool probed = false;
        bool dropped = false;
        short position = -1;
        unsigned short flags = 0;
        uint64_t place = 0;
        std::function<void(uint64_t)> handOn;
        bool holds = false;
        bool asked = false;  // a holding slot's handOn ran
    };
    using SlotPtr = std::shared_ptr<CSlot>;
    ProbeFn probe;
    DeliverFn deliver;
    DiscardFn discard;
    RefuseFn refuse;
    std::mutex mutex;
    std::atomic<uint64_t> lastPlace{0};
    // Slots from the oldest waiting one on.
    std::deque<SlotPtr> slots;

    void Discard(IVXMMedia* media) const
    {
        if (discard) discard(media);
        media->Release();
    }
    // Hands on every finished slot at the front; called under the lock.
    void DeliverReady()
    {
        while (!slots.empty()) {
            SlotPtr slot = slots.front();
            if (slot->holds) {
                if (!slot->asked) {
                    slot->asked = true;
                    slot->handOn(slot->place);
                }
                return;
            }
            if (!slot->probed) return;
            slots.pop_front();
            if (slot->handOn) slot->handOn(slot->place);
            else if (!slot->media) {
                if (refuse) refuse(slot->path, slot->why);
            } else if (!deliver(slot->media, slot->position, slot->flags)) {
                Discard(slot->media);
            }
        }
    }
    std::vector<SlotPtr> MakeSlots(const std::vector<CEntry>& entries, short position, unsigned short flags)
    {
        std::vector<SlotPtr> made(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            made[i] = std::make_shared<CSlot>();
            made[i]->position = position < 0 ? position : static_cast<short>(position + i);
            made[i]->flags = flags;
            made[i]->place = ++lastPlace;
            made[i]->path = entries[i].path;
            made[i]->handOn = entries[i].handOn;
            made[i]->holds = entries[i].holds && entries[i].handOn;
            made[i]->probed = made[i]->handOn != nullptr;  // handed on, not probed
        }
        return made;
    }
    // Takes `place` out with `made` in its stead and hands on what is ready;
    // false when the place went.
    bool Replace(const SlotPtr& place, const std::vector<SlotPtr>& made)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (place->dropped) return false;
        auto it = std::find(slots.begin(), slots.end(), place);
        if (it == slots.end()) return false;
        it = slots.erase(it);
        slots.insert(it, made.begin(), made.end());
        DeliverReady();
        return true;
    }
};

CMediaLoader::CMediaLoader(ProbeFn probe, DeliverFn deliver, DiscardFn discard, RefuseFn refuse)
    : m_state(std::make_shared<CState>())
{
    m_state->probe = std::move(probe);
    m_state->deliver = std::move(deliver);
    m_state->discard = std::move(discard);
    m_state->refuse = std::move(refuse);
}

CMediaLoader::~CMediaLoader()
{
    // Tasks that have not started find the state gone; running ones find
    // their slot dropped.
    CancelAll();
}

namespace {

// Probes one queued file on the pool; false when the pool is stopping.
bool SubmitProbe(const std::shared_ptr<CMediaLoader::CState>& state, const CMediaLoader::CState::SlotPtr& slot,
                 const std::wstring& path)
{
    using CState = CMediaLoader::CState;
    std::weak_ptr<CState> weak = state;
    return MediaWorkPool().Submit([weak, slot, path] {
        std::shared_ptr<CState> state = weak.lock();
        if (!state) return;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (slot->dropped) return;
        }
        int why = VXM_PROBE_FAILED;
        IVXMMedia* media = state->probe(path, why);
        std::lock_guard<std::mutex> lock(state->mutex);
        if (slot->dropped) {
            // Dropped while it ran: what it made goes.
            if (media) state->Discard(media);
            return;
        }
        slot->media = media;
        slot->why = why;
        slot->probed = true;
        state->DeliverReady();
    }, [weak, slot, path](const std::string& what) {
        // The file is handed on unprobed, as one that cannot be opened.
        LogErrorW("CMediaLoader", L"Probing %s failed: %S", path.c_str(), what.c_str());
        std::shared_ptr<CState> state = weak.lock();
        if (!state) return;
        std::lock_guard<std::mutex> lock(state->mutex);
        slot->probed = true;
        state->DeliverReady();
    }) != 0;
}

// Probes the file entries of `made` (slots of `entries`); with the pool
// stopping, the rest are taken as no media.
void StartProbes(const std::shared_ptr<CMediaLoader::CState>& state,
                 const std::vector<CMediaLoader::CState::SlotPtr>& made,
                 const std::vector<CMediaLoader::CEntry>& entries)
{
    bool stopping = false;
    for (size_t i = 0; i < made.size(); ++i) {
        if (made[i]->handOn) continue;
        if (!stopping && SubmitProbe(state, made[i], entries[i].path)) continue;
        stopping = true;
        std::lock_guard<std::mutex> lock(state->mutex);
        made[i]->probed = true;
    }
    if (!stopping) return;
    std::lock_guard<std::mutex> lock(state->mutex);
    state->DeliverReady();
}

}  // namespace

void CMediaLoader::Queue(const std::vector<CEntry>& entries, short position, unsigned short flags)
{
    const std::vector<CState::SlotPtr> made = m_state->MakeSlots(entries, position, flags);
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->slots.insert(m_state->slots.end(), made.begin(), made.end());
    }
    StartProbes(m_state, made, entries);
    std::lock_guard<std::mutex> lock(m_state->mutex);
    m_state->DeliverReady();
}

void CMediaLoader::QueueListed(ListFn list, short position, unsigned short flags)
{
    // The listing holds the place of its entries until it ends.
    auto place = std::make_shared<CState::CSlot>();
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->slots.push_back(place);
    }
    std::weak_ptr<CState> weak = m_state;
    const bool queued = MediaWorkPool().Submit([weak, place, list = std::move(list), position, flags] {
        std::shared_ptr<CState> state = weak.lock();
        if (!state) return;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (place->dropped) return;
        }
        const std::vector<CEntry> entries = list();
        const std::vector<CState::SlotPtr> made = state->MakeSlots(entries, position, flags);
        if (state->Replace(place, made)) StartProbes(state, made, entries);
    }, [weak, place](const std::string& what) {
        LogError("CMediaLoader", "Listing files failed: %s", what.c_str());
        if (std::shared_ptr<CState> state = weak.lock()) state->Replace(place, {});
    }) != 0;
    if (!queued) m_state->Replace(place, {});
}

void CMediaLoader::Fill(uint64_t place, const std::vector<CEntry>& entries)
{
    CState::SlotPtr holder;
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        auto it = std::find_if(m_state->slots.begin(), m_state->slots.end(),
                               [place](const CState::SlotPtr& slot) { return slot->holds && slot->place == place; });
        if (it == m_state->slots.end()) return;
        holder = *it;
    }
    const std::vector<CState::SlotPtr> made = m_state->MakeSlots(entries, holder->position, holder->flags);
    if (m_state->Replace(holder, made)) StartProbes(m_state, made, entries);
}

bool CMediaLoader::IsWaiting(uint64_t place) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return std::any_of(m_state->slots.begin(), m_state->slots.end(),
                       [place](const CState::SlotPtr& slot) { return slot->holds && slot->place == place; });
}

void CMediaLoader::CancelAll()
{
    // Probes that have not started end at once when their turn comes; a
    // running one releases what it made.
    std::lock_guard<std::mutex> lock(m_state->mutex);
    for (auto& slot : m_state->slots) {
        slot->dropped = true;
        if (slot->media) m_state->Discard(slot->media);
        slot->media = nullptr;
    }
    m_state->slots.clear();
}

size_t CMediaLoader::Waiting() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->slots.size();
}
