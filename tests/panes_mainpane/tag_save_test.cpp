// Tags saved into a file of gigabytes: the window keeps serving the user while
// the file is written, the tag editor saying "Saving..." and closing once the
// file has the tags; a save that fails keeps the editor open with the reason
// and the file as it was.
#include "EditMusicDlg.h"
#include "MainPaneUI.h"
#include "MediaListItemUI.h"
#include "MediaTags.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "support/pump.h"
#include "support/test_media.h"
#include "support/user_names.h"
#include "FakeDesktop.h"
#include "pane_fakes.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <sys/stat.h>

#include <iostream>
#include <memory>
#include <string>

namespace {

std::wstring TitleIn(const std::string& path)
{
    VXM_MEDIA_TAGS read;
    return ReadMediaTagsFromFile(Utf8ToWide(path), read, L"") == 1 ? read.title : L"(unreadable)";
}

std::vector<std::wstring> MessageBoxes(const CFakeDesktop& desktop)
{
    std::vector<std::wstring> boxes;
    for (const std::wstring& call : desktop.Calls())
        if (call.rfind(L"MessageBox.Show", 0) == 0) boxes.push_back(call);
    return boxes;
}

void Click(CEditMusicDlg& dialog, const wchar_t* name)
{
    dialog.GetPaintManager()->SendNotify(dialog.GetPaintManager()->FindControl(name), DUI_MSGTYPE_CLICK);
}

class CTagSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // "Café déjà vu", as a three-hour WAV.
        std::string name = vxmtest::UserFileNames()[0].bytes;
        name = name.substr(0, name.rfind('.'));
        song = dir.File(name + ".wav");
        ASSERT_TRUE(vxmtest::MakeSparseSilence(song, 3u << 30));
        struct stat st {};
        ASSERT_EQ(stat(song.c_str(), &st), 0);
        if (std::uint64_t(st.st_blocks) * 512 > (1u << 20)) GTEST_SKIP() << "this file system keeps no holes";
        media.source = Utf8ToWide(song);
        pane = std::make_unique<CMainPaneUI>(nullptr, nullptr, false);
        pane->BuildPane();
        row = pane->AddFileRow(-1, &media);
        ASSERT_NE(row, nullptr);
    }
    void TearDown() override { pane.reset(); }

    // Runs the real editor in its modal loop; `script` is served by that loop
    // (a posted message, as the user's clicks are). The dialog's result.
    UINT RunEditor(const std::function<void(CEditMusicDlg&, HWND script)>& script,
                   const std::function<bool(CEditMusicDlg&, HWND script)>& onServed)
    {
        CEditMusicDlg dialog(row);
        EXPECT_NE(dialog.Create(nullptr, L"VXMEditMusicDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        CMessageWindow target([&](HWND self, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == kScript) script(dialog, self);
            else if (msg == kServed && onServed(dialog, self)) PostMessage(self, kServed, 0, 0);
            return 0;
        });
        PostMessage(target.Get(), kScript, 0, 0);
        return dialog.ShowModal();
    }
    static constexpr UINT kScript = WM_USER + 10;
    static constexpr UINT kServed = WM_USER + 11;

    vxmtest::CTempDir dir;
    std::string song;
    CQueueMedia media{L"Caf\u00e9 d\u00e9j\u00e0 vu"};  // outlives the pane and its row
    CFakeDesktop desktop;
    std::unique_ptr<CMainPaneUI> pane;
    CMediaListItemUI* row = nullptr;
};

TEST_F(CTagSaveTest, TheEditorSavesALongFileWhileTheWindowServesTheUserAndStaysOpenWhenTheSaveFails)
{
    const std::wstring title = L"Nuit \u00e0 Montmartre \u2013 \u6771\u4eac";
    struct {
        int served = 0;  // events served while the save ran
        bool saving = false;
        bool okEnabled = true;
        bool cancelEnabled = true;
        std::wstring okText;
        std::wstring rowTitle;
    } seen;
    const UINT accepted = RunEditor(
        [&](CEditMusicDlg& dialog, HWND self) {
            dialog.GetPaintManager()->FindControl(L"IDC_EDIT_TITLE")->SetText(title);
            // Queued before the save can end, so served while it runs.
            PostMessage(self, kServed, 0, 0);
            Click(dialog, L"ID_BUTTON_OK");
        },
        [&](CEditMusicDlg& dialog, HWND) {
            if (!dialog.IsSaving()) return false;
            if (seen.served++ == 0) {
                seen.saving = true;
                CPaintManagerUI* pm = dialog.GetPaintManager();
                seen.okEnabled = pm->FindControl(L"ID_BUTTON_OK")->IsEnabled();
                seen.cancelEnabled = pm->FindControl(L"ID_BUTTON_CANCEL")->IsEnabled();
                seen.okText = pm->FindControl(L"ID_BUTTON_OK")->GetText();
                seen.rowTitle = row->GetTags().title;
                Click(dialog, L"ID_BUTTON_CANCEL");  // ignored while the file is written
                dialog.GetWidget()->grab().toImage().save(
                    QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/tag_editor_saving.png"));
            }
            return true;  // again, until the save has ended
        });
    EXPECT_EQ(accepted, 0u);
    EXPECT_TRUE(seen.saving);
    EXPECT_GE(seen.served, 1);
    EXPECT_FALSE(seen.okEnabled);
    EXPECT_FALSE(seen.cancelEnabled);
    EXPECT_EQ(seen.okText, L"Saving...");
    EXPECT_EQ(seen.rowTitle, L"");  // the row takes the values once the file has them
    EXPECT_EQ(row->GetTags().title, title);
    EXPECT_EQ(TitleIn(song), title);
    EXPECT_TRUE(MessageBoxes(desktop).empty());
    std::cout << "events served while the save ran: " << seen.served << "\n";

    // Read-only: the user is told why, the dialog stays open, the file is untouched.
    ASSERT_EQ(chmod(song.c_str(), 0444), 0);
    const std::string before = vxmtest::FileFingerprint(song);
    bool openAfterFailure = false;
    std::wstring okTextAfter;
    const UINT cancelled = RunEditor(
        [&](CEditMusicDlg& dialog, HWND self) {
            dialog.GetPaintManager()->FindControl(L"IDC_EDIT_TITLE")->SetText(L"Jamais \u00e9crit");
            Click(dialog, L"ID_BUTTON_OK");
            PostMessage(self, kServed, 0, 0);
        },
        [&](CEditMusicDlg& dialog, HWND) {
            if (dialog.IsSaving()) return true;
            vxmtest::PumpPending();  // a close request, had one been made
            openAfterFailure = IsWindow(dialog.GetHWND()) && dialog.GetWidget() && dialog.GetWidget()->isVisible();
            if (!openAfterFailure) return false;
            okTextAfter = dialog.GetPaintManager()->FindControl(L"ID_BUTTON_OK")->GetText();
            Click(dialog, L"ID_BUTTON_CANCEL");
            return false;
        });
    EXPECT_EQ(cancelled, 1u);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_NE(okTextAfter, L"Saving...");
    const std::vector<std::wstring> boxes = MessageBoxes(desktop);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"could not be written into " + Utf8ToWide(song)), std::wstring::npos) << WideToUtf8(boxes[0]);
    EXPECT_NE(boxes[0].find(L"The file was not changed."), std::wstring::npos);
    EXPECT_TRUE(vxmtest::FileFingerprint(song) == before);
    EXPECT_EQ(row->GetTags().title, title);
}

}  // namespace
