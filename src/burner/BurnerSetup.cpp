// InitDUI and BurnDeviceChanged: the pane's burner controls and whether a
// burn can happen.
#include "BurnerSetup.h"

#include "Burner.h"
#include "BurnerTools.h"
#include "ui/UICombo.h"
#include "ui/UILanguage.h"
#include "ui/UIList.h"
#include "ui/desktop/Desktop.h"

#include <map>

namespace {

// UI thread only.
std::map<HWND, SBurnerSetup>& Setups()
{
    static std::map<HWND, SBurnerSetup> setups;
    return setups;
}

std::wstring Text(const wchar_t* key) { return CLanguageManager::GetInstance()->TranslateDictionary(key); }

void AddEntry(CComboUI* combo, const std::wstring& text, const std::wstring& data)
{
    auto* item = new CListLabelElementUI();
    item->SetText(text);
    item->SetUserData(data);
    combo->Add(item);
}

// Drives first, the image file last; the chosen entry is kept when it is still there.
void FillRecorders(CComboUI* combo)
{
    if (!combo) return;
    const int old = combo->GetCurSel();
    const std::wstring kept = old >= 0 && combo->GetItemAt(old) ? combo->GetItemAt(old)->GetUserData() : std::wstring(L"-");
    combo->RemoveAll();
    if (IOpticalDrives* drives = Desktop().drives) {
        for (const COpticalDrive& drive : drives->List()) {
            std::wstring label;
            std::wstring text = drive.device;
            if (drives->GetVolumeLabel(drive.device, label) && !label.empty()) text += L" [" + label + L"]";
            AddEntry(combo, text, drive.device);
        }
    }
    AddEntry(combo, Text(L"ID_STRING_BURN_TO_ISO"), L"");
    int select = 0;
    for (int i = 0; i < combo->GetCount(); ++i)
        if (combo->GetItemAt(i)->GetUserData() == kept) select = i;
    combo->SelectItem(select, false, false);
}

// Fills a combo once; later calls only put its texts into the language now
// in use, keeping the choice.
void FillOnce(CControlUI* control, std::initializer_list<std::wstring> entries, int select)
{
    auto* combo = dynamic_cast<CComboUI*>(control);
    if (!combo) return;
    if (combo->GetCount() == static_cast<int>(entries.size())) {
        int i = 0;
        for (const std::wstring& e : entries) combo->GetItemAt(i++)->SetText(e);
        return;
    }
    if (combo->GetCount() > 0) return;
    for (const std::wstring& e : entries) AddEntry(combo, e, e);
    combo->SelectItem(select, false, false);
}

void Refresh(SBurnerSetup& setup)
{
    VXM_BURNER_RECORD& burner = *setup.burner;
    FillRecorders(dynamic_cast<CComboUI*>(burner.recorder));
    FillOnce(burner.writeSpeed, {Text(L"ID_STRING_BURN_SPEED_MAX"), L"2x", L"4x", L"8x", L"16x"}, 0);
    FillOnce(burner.discType, {L"DVD-Video"}, 0);
    FillOnce(burner.menuNavigation,
             {Text(L"ID_STRING_BURN_NAVI_MENU"), Text(L"ID_STRING_BURN_NAVI_NEXT"), Text(L"ID_STRING_BURN_NAVI_ALL")},
             setup.menu ? setup.menu->menuNavigation : MENU_NAVI_PLAY_ALL);
    burner.message = BurnBlocker(setup.avchd);
    // Without its tools nothing can be authored; an AVCHD disc only says why.
    burner.devicePresent = setup.avchd || burner.message.empty();
}

}  // namespace

SBurnerSetup* FindBurnerSetup(HWND owner)
{
    auto it = Setups().find(owner);
    return it == Setups().end() ? nullptr : &it->second;
}

std::wstring ChosenRecorder(const SBurnerSetup& setup)
{
    auto* combo = setup.burner ? dynamic_cast<CComboUI*>(setup.burner->recorder) : nullptr;
    if (!combo || combo->GetCurSel() < 0) return {};
    CControlUI* item = combo->GetItemAt(combo->GetCurSel());
    return item ? item->GetUserData() : std::wstring();
}

int InitDUI(HWND owner, int, VXM_DVD_MENU_SETTINGS* menu, VXM_BURNER_RECORD* burner, int, int, const wchar_t*, int,
            int, bool ntsc, bool avchd)
{
    if (!burner || !menu) return 0;
    SBurnerSetup& setup = Setups()[owner];
    setup = SBurnerSetup{menu, burner, ntsc, avchd};
    Refresh(setup);
    return 1;
}

void BurnDeviceChanged(HWND owner, WPARAM, LPARAM)
{
    if (SBurnerSetup* setup = FindBurnerSetup(owner)) Refresh(*setup);
}
