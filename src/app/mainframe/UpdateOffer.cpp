#include "UpdateOffer.h"
#include "DlgSoftwareUpdate.h"
#include "Log.h"
#include "platform/text.h"

#include <memory>

namespace {

UpdateOfferHandler& Handler()
{
    static UpdateOfferHandler handler;
    return handler;
}

}  // namespace

std::wstring CVersionOffer::Text() const
{
    return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
}

CVersionOffer UnpackVersionOffer(WPARAM packed)
{
    CVersionOffer offer;
    offer.major = static_cast<int>(packed & 0xFF);
    offer.minor = static_cast<int>((packed >> 8) & 0xFF);
    offer.build = static_cast<int>((packed >> 16) & 0xFFFFFFFF);
    return offer;
}

void SetUpdateOfferHandler(UpdateOfferHandler handler) { Handler() = std::move(handler); }

void HandleUpdateOffer(HWND owner, WPARAM packed, LPARAM whatsNew, const std::wstring& skippedVersion)
{
    std::unique_ptr<wchar_t[]> text(reinterpret_cast<wchar_t*>(whatsNew));
    CVersionOffer offer = UnpackVersionOffer(packed);
    if (!skippedVersion.empty() && skippedVersion == offer.Text()) return;
    std::wstring notes = text ? std::wstring(text.get()) : std::wstring();
    if (Handler()) Handler()(owner, offer, notes);
    else RunSoftwareUpdateDialog(owner, CProgramVersion{offer.major, offer.minor, offer.build}, notes);
}
