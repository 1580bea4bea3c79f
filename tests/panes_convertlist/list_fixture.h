// The list fixture of the conversion list tests: an off-screen list with
// fake media and a profile, and rows with the sub-controls the tests read.
#pragma once
#include "list_fakes.h"
#include "MediaStopper.h"
#include "panes/MediaListUI.h"
#include "platform/messages.h"
#include "ui/UILib.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <deque>
#include <memory>

inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "test_panes_convertlist";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A row with the sub-controls the tests look at.
inline void AddRowControls(CMediaListItemUI* row)
{
    auto add = [row](CControlUI* c, const wchar_t* name) {
        c->SetName(name);
        row->Add(c);
    };
    add(new CLabelUI, L"ID_LABEL_ITEM_SHORT_NAME");
    add(new CLabelUI, L"ID_LABEL_ITEM_STATUS");
    add(new CLabelUI, L"ID_LABEL_MEDIA_DURATION");
    add(new CProgressUI, L"ID_PROGRESS_ITEM_CONVERT");
    add(new CVerticalLayoutUI, L"ID_CONTAINER_ITEM_CONVERT");
    add(new CVerticalLayoutUI, L"ID_CONTAINER_ITEM_INFORMATION");
    add(new CVerticalLayoutUI, L"ID_LAYOUT_THUMBNAIL_V");
    add(new CVerticalLayoutUI, L"ID_LAYOUT_MEDIA_INFO");
    add(new CButtonUI, L"ID_BUTTON_ITEM_CONVER_START");
    add(new CButtonUI, L"ID_BUTTON_ITEM_CONVERT_STOP");
    add(new CButtonUI, L"ID_BUTTON_ITEM_CONVERT_PAUSE");
    add(new CButtonUI, L"ID_BUTTON_ITEM_CONVERT_RESUME");
    add(new CButtonUI, L"ID_BUTTON_ITEM_CLONE");
    add(new CButtonUI, L"ID_BUTTON_ITEM_OUTPUT_FORMAT");
    add(new CButtonUI, L"ID_BUTTON_ITEM_REMOVE");
    add(new CVerticalLayoutUI, L"ID_CONTAINER_ITEM_EDIT_NAME");
    add(new CEditUI, L"ID_EDIT_ITEM_CHANGE_FILENAME");
    auto* audio = new CComboUI;
    for (const wchar_t* n : {L"ID_NO_AUDIO", L"ID_ADD_AUDIO"}) {
        auto* item = new CListLabelElementUI;
        item->SetName(n);
        audio->Add(item);
    }
    add(audio, L"ID_COMBO_AUDIO_TRACK");
}

class ConvertList : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        list = new CMediaListUI(false);
        manager.AttachDialog(list);
        list->SetCurrentProfile(&profile);
        list->SetConverter([this](IVXMMedia* m, IProfile* p) {
            converted.push_back(m);
            return convertOk;
        });
    }
    CFakeMedia* NewMedia(const std::wstring& title, int clip = 1000)
    {
        media.push_back(std::make_unique<CFakeMedia>(title, clip, &released));
        media.back()->hasVideo = false;
        return media.back().get();
    }
    // Removed rows' media go through the UI thread's queue to the media
    // stopper, which stops and releases them and reports a row's stop back.
    void TearDown() override { Pump(); }
    void Pump()
    {
        MSG msg;
        for (int round = 0; round < 2; ++round) {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            MediaStopper().Drain();
        }
    }
    CMediaListItemUI* AddRow(CFakeMedia* m, EMediaRowKind kind = EMediaRowKind::File)
    {
        CMediaListItemUI* row = list->AddMedia(m, kind, false);
        AddRowControls(row);
        row->DoInit();
        row->SetMedia(m, false);
        return row;
    }
    std::vector<std::wstring> Order() const
    {
        std::vector<std::wstring> out;
        for (int i = 0; i < list->GetCount(); ++i)
            out.push_back(static_cast<CFakeMedia*>(list->GetMediaItem(i)->GetMedia())->title);
        return out;
    }
    std::wstring Text(CMediaListItemUI* row, const wchar_t* name)
    {
        return manager.FindSubControlByName(row, name)->GetText();
    }
    CControlUI* Sub(CMediaListItemUI* row, const wchar_t* name) { return manager.FindSubControlByName(row, name); }

    // The list releases its rows' media when it goes: the fakes and what
    // they record outlive the manager that owns it.
    CFakeProfile profile;
    std::deque<std::unique_ptr<CFakeMedia>> media;
    std::vector<CFakeMedia*> released;
    std::vector<IVXMMedia*> converted;
    bool convertOk = true;
    CPaintManagerUI manager;
    CMediaListUI* list = nullptr;
};

