// Operations of the file media object that need the tool code and the
// profile builders. Until those are built in, every operation here reports
// that it could not run (or does nothing, for the operations without a
// result); nothing claims success. The conversion operations live in
// VXMMediaConvert.cpp.
#include "VXMMediaImpl.h"

#include "EngineLog.h"
#include "VXMMessages.h"
#include "platform/messages.h"
#include "platform/text.h"

namespace {

constexpr const char* kLogCategory = "CVXMMediaImpl";

void LogUnavailable(const char* operation, const std::wstring& source)
{
    LogMessageA(kLogCategory, "%s of \"%s\" cannot run: the job runner is not built in", operation,
                WideToUtf8(source).c_str());
}

}  // namespace

int CVXMMediaImpl::Probe()
{
    LogUnavailable("Probe", m_strSourcePath);
    return -1;
}

int CVXMMediaImpl::MakeThumbnail(int, int, int)
{
    LogUnavailable("MakeThumbnail", m_strSourcePath);
    return -1;
}

void CVXMMediaImpl::TakeSnapshot(const std::wstring&, int) {}  // no player runs

int CVXMMediaImpl::InitPreviewWindow(HWND)
{
    LogUnavailable("InitPreviewWindow", m_strSourcePath);
    return -1;
}

int CVXMMediaImpl::StartPreview(HWND)
{
    LogUnavailable("StartPreview", m_strSourcePath);
    return -1;
}

void CVXMMediaImpl::SeekPreview(float) {}
void CVXMMediaImpl::TogglePreviewPause() {}
void CVXMMediaImpl::StopPreview() {}
int CVXMMediaImpl::GetPreviewState() { return 0; }
float CVXMMediaImpl::GetPreviewPosition() { return 0.0f; }
void CVXMMediaImpl::SetPreviewVolume(int) {}
void CVXMMediaImpl::AdjustPreview(int, int) {}

void CVXMMediaImpl::RemuxToMP4(const std::wstring&, const std::wstring&, HWND)
{
    LogUnavailable("RemuxToMP4", m_strSourcePath);
}

void CVXMMediaImpl::Join(std::vector<IVXMMedia*> others, const std::wstring&, HWND)
{
    if (!others.empty())
        LogUnavailable("Join", m_strSourcePath);
}

SDL_Surface* CVXMMediaImpl::RenderTextWatermark() { return nullptr; }  // no preview runner
SDL_Surface* CVXMMediaImpl::LoadImageWatermark() { return nullptr; }

int CVXMMediaImpl::IsProtected()
{
    // Unknown until the source has been read; not stored.
    return m_nProtected != -1 ? m_nProtected : 0;
}
