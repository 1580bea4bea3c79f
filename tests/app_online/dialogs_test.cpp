// The online address dialog and the download format dialog, driven through
// their operations and buttons.
#include "DlgModuleUpdate.h"
#include "ModuleUpdate.h"
#include "SelectFormatDlgUI.h"
#include "URLDlgUI.h"

#include "platform/messages.h"
#include "support/main_window_environment.h"
#include "support/update_server.h"
#include "ui/UIButton.h"
#include "ui/UIEdit.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::vector<std::wstring> Rows(const CURLDlgUI& dialog)
{
    std::vector<std::wstring> rows;
    for (int i = 0; i < dialog.GetURLCount(); ++i) rows.push_back(dialog.GetURLAt(i));
    return rows;
}

// Clicks a control of the dialog from inside its modal loop.
UINT ClickDuringModal(WindowImplBase& dialog, const wchar_t* name)
{
    CMessageWindow clicker([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
        CDispatchScope scope(dialog.GetPaintManager());
        TNotifyUI msg;
        msg.sType = L"click";
        msg.pSender = dialog.GetPaintManager()->FindControl(name);
        dialog.OnClick(msg);
        return 0;
    });
    PostMessage(clicker.Get(), WM_USER, 0, 0);
    return dialog.ShowModal();
}

struct CURLDialogTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(dialog.Create(nullptr, L"VXMURLDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        dialog.ShowWindow(true);
    }
    void TearDown() override
    {
        if (dialog.GetHWND()) dialog.DestroyWindow();
        vxmtest::PumpPending();
    }
    void Type(const std::wstring& text)
    {
        ASSERT_TRUE(dialog.IsEditing());
        dialog.GetEditor()->SetText(text);
        dialog.CommitEdit();
    }
    CFakeDesktop desktop;
    CURLDlgUI dialog;
};

TEST_F(CURLDialogTest, ANewRowKeepsOnlyAnAddress)
{
    dialog.BeginNewRow();
    dialog.OpenEditorOnNewRow();
    Type(L"");
    EXPECT_TRUE(Rows(dialog).empty());
    dialog.BeginNewRow();
    dialog.OpenEditorOnNewRow();
    Type(L"not an address");
    EXPECT_TRUE(Rows(dialog).empty());
    EXPECT_FALSE(dialog.IsEditing());
    dialog.BeginNewRow();
    dialog.OpenEditorOnNewRow();
    Type(L"https://vimeo.com/1");
    EXPECT_EQ(Rows(dialog), std::vector<std::wstring>{L"https://vimeo.com/1"});

    // Editing a row: an address replaces it, other text leaves it.
    dialog.EditSelectedRow();
    Type(L"https://vimeo.com/2");
    dialog.EditSelectedRow();
    Type(L"oops");
    EXPECT_EQ(Rows(dialog), std::vector<std::wstring>{L"https://vimeo.com/2"});
}

TEST_F(CURLDialogTest, DroppedAndPastedTextAddsOnlyAddresses)
{
    dialog.OnAddURL(L"some words");
    desktop.clipboard.SetText(L"more words");
    EXPECT_TRUE(dialog.PasteFromClipboard());
    EXPECT_TRUE(Rows(dialog).empty());
    dialog.OnAddURL(L"https://a.example.com/1");
    desktop.clipboard.SetText(L"  https://b.example.com/2\n");
    dialog.PasteFromClipboard();
    EXPECT_EQ(Rows(dialog), (std::vector<std::wstring>{L"https://a.example.com/1", L"https://b.example.com/2"}));
}

TEST_F(CURLDialogTest, UpDownAndRemoveActOnTheSelectedRow)
{
    for (const wchar_t* url : {L"https://a.example.com/1", L"https://a.example.com/2", L"https://a.example.com/3"}) dialog.OnAddURL(url);
    auto* list = dynamic_cast<CListUI*>(dialog.GetPaintManager()->FindControl(L"IDC_LIST_URLS"));
    ASSERT_NE(list, nullptr);
    list->SelectItem(0);
    dialog.MoveSelected(-1);  // already first
    dialog.MoveSelected(1);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(Rows(dialog), (std::vector<std::wstring>{L"https://a.example.com/2", L"https://a.example.com/1", L"https://a.example.com/3"}));
    dialog.RemoveSelected();
    EXPECT_EQ(Rows(dialog), (std::vector<std::wstring>{L"https://a.example.com/2", L"https://a.example.com/3"}));
}

TEST_F(CURLDialogTest, TheCloseButtonCancelsEvenWithRowsAndStartHandsThemOver)
{
    dialog.OnAddURL(L"https://a.example.com/1");
    std::vector<std::wstring> started;
    dialog.OnStart = [&] { started = Rows(dialog); };
    EXPECT_EQ(ClickDuringModal(dialog, L"IDC_BUTTON_CLOSE_WINDOW"), 1u);
    EXPECT_TRUE(started.empty());

    CURLDlgUI second(true);
    ASSERT_NE(second.Create(nullptr, L"VXMURLDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    second.OnAddURL(L"https://a.example.com/2");
    second.OnStart = [&] { started = Rows(second); };
    EXPECT_EQ(ClickDuringModal(second, L"ID_BUTTON_START_DOWNLOAD"), 0u);
    EXPECT_EQ(started, std::vector<std::wstring>{L"https://a.example.com/2"});
}

TEST_F(CURLDialogTest, ASiteButtonOpensItsPage)
{
    CURLDlgUI mp3(true);
    ASSERT_NE(mp3.Create(nullptr, L"VXMURLDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    for (CURLDlgUI* form : {&dialog, &mp3}) {
        for (const wchar_t* name : {L"ID_BTN_VIMEO", L"ID_BTN_XVIDEOS", L"ID_BTN_YOUPORN", L"IDC_BTN_MORE_SITES",
                                    L"IDC_BTN_REMOVE_URL"}) {
            TNotifyUI msg;
            msg.sType = L"click";
            msg.pSender = form->GetPaintManager()->FindControl(name);
            ASSERT_NE(msg.pSender, nullptr) << name;
            form->OnClick(msg);
        }
    }
    mp3.DestroyWindow();
    std::vector<std::wstring> opened;
    for (const std::wstring& call : desktop.Calls())
        if (call.rfind(L"Shell.Open: ", 0) == 0) opened.push_back(call);
    const std::vector<std::wstring> pages = {
        L"Shell.Open: https://vimeo.com/", L"Shell.Open: https://www.xvideos.com/", L"Shell.Open: https://www.youporn.com/",
        L"Shell.Open: https://github.com/yt-dlp/yt-dlp/blob/master/supportedsites.md"};
    std::vector<std::wstring> twice = pages;
    twice.insert(twice.end(), pages.begin(), pages.end());
    EXPECT_EQ(opened, twice);
}

TEST(SelectFormatDialog, RowsShowTheFormatsAndTheCheckedRowIsTheAnswer)
{
    VXM_FORMAT_REQUEST request;
    request.title = L"Clip";
    VXM_FORMAT_RECORD small;
    small.quality = "360p";
    small.description = "640x360";
    small.mediaType = L"video/mp4";
    small.size = 1572864;
    VXM_FORMAT_RECORD large = small;
    large.quality = "1080p";
    large.description.clear();
    large.size = 5000000000ull;
    request.formats = {small, large};

    CSelectFormatDlgUI dialog(request);
    ASSERT_NE(dialog.Create(nullptr, L"VXMSelectFormatDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    CPaintManagerUI* pm = dialog.GetPaintManager();
    EXPECT_EQ(pm->FindControl(L"IDC_LABEL_SELECT_FORMAT")->GetText(), L"Select a format - Clip");
    CListUI* list = dialog.GetFormatList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 2);
    auto option = [&](int row) {
        return dynamic_cast<COptionUI*>(pm->FindSubControlByName(list->GetItemAt(row), L"ID_OPTION_FORMAT"));
    };
    auto text = [&](int row, const wchar_t* name) { return pm->FindSubControlByName(list->GetItemAt(row), name)->GetText(); };
    EXPECT_TRUE(option(0)->IsSelected());
    EXPECT_EQ(text(0, L"ID_LABEL_MEDIA_SIZE"), L"1.50 MB");
    EXPECT_EQ(text(1, L"ID_LABEL_MEDIA_SIZE"), L"4768.37 MB");  // past 4 GiB
    EXPECT_EQ(text(0, L"ID_LABEL_MEDIA_QUALITY"), L"360p (640x360)");
    EXPECT_EQ(text(1, L"ID_LABEL_MEDIA_QUALITY"), L"1080p");
    EXPECT_EQ(text(0, L"ID_LABEL_MEDIA_TYPE"), L"video/mp4");
    large.quality.clear();
    large.description = "1920x1080";
    EXPECT_EQ(CSelectFormatDlgUI::QualityText(large), L"1920x1080");

    option(1)->Selected(true);
    EXPECT_FALSE(option(0)->IsSelected());
    EXPECT_EQ(ClickDuringModal(dialog, L"ID_BUTTON_OK"), 0u);
    EXPECT_EQ(request.chosen, 1);

    // Nothing to choose from: cancelled without a dialog.
    VXM_FORMAT_REQUEST empty;
    EXPECT_EQ(RunSelectFormatDialog(nullptr, empty), 1);
}

TEST(ModuleUpdateDialog, InstallFetchesTheToolOverHttpsAndEndsWithOne)
{
    vxmtest::CTempDir served;
    std::ofstream(served.File("yt-dlp")) << "#!/bin/sh\necho 2099.01.01\n";
    vxmtest::CUpdateServer server(served.Path(), true);
    SetUpdateServer(server.Base());
    CDlgModuleUpdate dialog;
    ASSERT_NE(dialog.Create(nullptr, L"VXMModuleUpdateDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    EXPECT_EQ(dialog.GetPaintManager()->FindControl(L"IDC_LABEL_MODULE")->GetText(),
              L"A new version of download engine available, do you want to update it now?");
    EXPECT_EQ(ClickDuringModal(dialog, L"IDC_BTN_INSTALL_UPDATE"), 1u);
    std::ifstream tool(WideToUtf8(ModuleToolPath()));
    std::string text((std::istreambuf_iterator<char>(tool)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "#!/bin/sh\necho 2099.01.01\n");
}

}  // namespace
