#include "MediaLoader.h"
#include "WorkPool.h"
#include "Log.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <mutex>

struct CMediaLoader::CState {
    struct CSlot {
        IVXMMedia* media = nullptr;
        bool probed = false;
        bool dropped = false;
        short position = -1;
        unsigned short flags = 0;
    };
    ProbeFn probe;
    DeliverFn deliver;
    DiscardFn discard;
    std::mutex mutex;
    // Slots from the oldest waiting one on.
    std::deque<std::shared_ptr<CSlot>> slots;

    void Discard(IVXMMedia* media) const
    {
        if (discard) discard(media);
        media->Release();
    }
    // Hands on every finished slot at the front; called under the lock.
    void DeliverReady()
    {
        while (!slots.empty() && slots.front()->probed) {
            std::shared_ptr<CSlot> slot = slots.front();
            slots.pop_front();
            if (slot->media && !deliver(slot->media, slot->position, slot->flags)) Discard(slot->media);
        }
    }
};

CMediaLoader::CMediaLoader(ProbeFn probe, DeliverFn deliver, DiscardFn discard) : m_state(std::make_shared<CState>())
{
    m_state->probe = std::move(probe);
    m_state->deliver = std::move(deliver);
    m_state->discard = std::move(discard);
}

CMediaLoader::~CMediaLoader()
{
    // Tasks that have not started find the state gone; running ones find
    // their slot dropped.
    CancelAll();
}

namespace {

// Probes one queued file on the pool; false when the pool is stopping.
bool SubmitProbe(const std::weak_ptr<CMediaLoader::CState>& weak, const std::shared_ptr<CMediaLoader::CState::CSlot>& slot,
                 const std::wstring& path)
{
    using CState = CMediaLoader::CState;
    return MediaWorkPool().Submit([weak, slot, path] {
        std::shared_ptr<CState> state = weak.lock();
        if (!state) return;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (slot->dropped) return;
        }
        IVXMMedia* media = state->probe(path);
        std::lock_guard<std::mutex> lock(state->mutex);
        if (slot->dropped) {
            // Dropped while it ran: what it made goes.
            if (media) state->Discard(media);
            return;
        }
        slot->media = media;
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

}  // namespace

void CMediaLoader::Queue(const std::vector<std::wstring>& paths, short position, unsigned short flags)
{
    std::weak_ptr<CState> weak = m_state;
    for (size_t i = 0; i < paths.size(); ++i) {
        auto slot = std::make_shared<CState::CSlot>();
        slot->position = position < 0 ? position : static_cast<short>(position + i);
        slot->flags = flags;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            m_state->slots.push_back(slot);
        }
        const bool queued = SubmitProbe(weak, slot, paths[i]);
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (!queued) slot->probed = true;  // the pool is stopping: nothing to hand on
        m_state->DeliverReady();
    }
}

void CMediaLoader::QueueListed(ListFn list, short position, unsigned short flags)
{
    // The listing holds the place of its files until it ends.
    auto place = std::make_shared<CState::CSlot>();
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->slots.push_back(place);
    }
    std::weak_ptr<CState> weak = m_state;
    // Takes the place out (with the files found put in it) and hands on what is ready.
    auto fill = [place](CState& state, std::vector<std::shared_ptr<CState::CSlot>> files) {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (place->dropped) return false;
        auto it = std::find(state.slots.begin(), state.slots.end(), place);
        if (it == state.slots.end()) return false;
        it = state.slots.erase(it);
        state.slots.insert(it, files.begin(), files.end());
        state.DeliverReady();
        return true;
    };
    const bool queued = MediaWorkPool().Submit([weak, place, fill, list = std::move(list), position, flags] {
        std::shared_ptr<CState> state = weak.lock();
        if (!state) return;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (place->dropped) return;
        }
        const std::vector<std::wstring> paths = list();
        std::vector<std::shared_ptr<CState::CSlot>> files(paths.size());
        for (size_t i = 0; i < paths.size(); ++i) {
            files[i] = std::make_shared<CState::CSlot>();
            files[i]->position = position < 0 ? position : static_cast<short>(position + i);
            files[i]->flags = flags;
        }
        if (!fill(*state, files)) return;
        bool stopping = false;
        for (size_t i = 0; i < paths.size(); ++i) {
            if (!stopping && SubmitProbe(weak, files[i], paths[i])) continue;
            stopping = true;
            std::lock_guard<std::mutex> lock(state->mutex);
            files[i]->probed = true;  // the pool is stopping: nothing to hand on
        }
        if (!stopping) return;
        std::lock_guard<std::mutex> lock(state->mutex);
        state->DeliverReady();
    }, [weak, fill](const std::string& what) {
        LogError("CMediaLoader", "Listing files failed: %s", what.c_str());
        if (std::shared_ptr<CState> state = weak.lock()) fill(*state, {});
    }) != 0;
    if (!queued) fill(*m_state, {});
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
