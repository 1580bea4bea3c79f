// What the editors change in a media object, checked before anything changes.
#include "Prismel.h"

#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "platform/messages.h"

namespace {

void Tell(HWND owner, UINT message, IVXMMedia* media)
{
    if (owner) PostMessage(owner, message, reinterpret_cast<WPARAM>(media), 0);
}

}  // namespace

extern "C" {

int PrismelApplyClip(IVXMMedia* media, int startMs, int endMs)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    if (!data) return -1;
    const int duration = data->m_nDuration;
    if (startMs < 0 || endMs <= startMs) return -1;
    if (duration > 0 && (startMs >= duration || endMs > duration)) return -1;
    // An end at the source's end is no end trim.
    const int end = duration > 0 && endMs == duration ? 0 : endMs;
    if (media->GetStartTime() == startMs && media->GetEndTime() == end) return 0;
    media->SetStartTime(startMs);
    media->SetEndTime(end);
    Tell(data->m_hClipEditorWnd, PRISMEL_CLIP_CHANGED, media);
    return 1;
}

int PrismelApplyCrop(IVXMMedia* media, int left, int top, int width, int height, int effectId)
{
    auto* data = dynamic_cast<CVXMMediaBase*>(media);
    if (!data) return -1;
    if (effectId != 0 && !GetEffectCmd(effectId)) return -1;
    const bool none = left == 0 && top == 0 && width == 0 && height == 0;
    if (!none) {
        if (left < 0 || top < 0 || width <= 0 || height <= 0) return -1;
        IVXMVideo* video = media->GetVideoStream();
        if (!video) return -1;
        const int frameWidth = video->GetWidth();
        const int frameHeight = video->GetHeight();
        if (frameWidth > 0 && left + width > frameWidth) return -1;
        if (frameHeight > 0 && top + height > frameHeight) return -1;
    }
    if (data->m_nCropLeft == left && data->m_nCropTop == top && data->m_nCropWidth == width &&
        data->m_nCropHeight == height && data->m_nEffectId == effectId)
        return 0;
    data->m_nCropLeft = left;
    data->m_nCropTop = top;
    data->m_nCropWidth = width;
    data->m_nCropHeight = height;
    data->m_nEffectId = effectId;
    Tell(data->m_hEffectEditorWnd, PRISMEL_EFFECT_CHANGED, media);
    return 1;
}

}
