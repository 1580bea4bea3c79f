// The burn page with its disc-size meter and the batch-add dialog, drawn on
// an X display and kept as pictures.
#include "DlgBatchAdd.h"
#include "CheckShellFolderCtrl.h"
#include "IProfile.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CClip : public CStubMedia {
public:
    CClip(std::wstring title, int seconds) : title(std::move(title)), seconds(seconds) {}
    std::uint64_t EstimateOutputSize(IProfile* profile) override
    {
        const long video = profile ? std::wcstol(profile->GetVideoBitrate().c_str(), nullptr, 10) : 0;
        return static_cast<std::uint64_t>(seconds) * static_cast<std::uint64_t>(video + 224) / 8;
    }
    std::wstring GetSourceTitle() const override { return title; }
    std::wstring GetSourcePath() const override { return L"/home/user/Videos/" + title + L".mp4"; }
    std::wstring GetOutputName() const override { return title; }
    int GetClipLength() const override { return seconds * 1000; }
    int GetDuration() const override { return seconds * 1000; }
    int GetEndTime() const override { return seconds * 1000; }
    std::wstring title;
    int seconds;
};

bool Save(CPaintManagerUI* manager, const char* name)
{
    vxmtest::PumpPending();
    const QImage image = manager->RenderToImage();
    const QString path = QString(VXM_SCREENSHOT_DIR) + "/" + name;
    return !image.isNull() && image.save(path, "PNG");
}

TEST(BurnScreens, TheBurnPageShowsItsMeterUnderTheRows)
{
    SetMainPaneMaker(nullptr);
    CFakeDesktop desktop;
    CVXMSettings* s = CVXMSettings::GetInstance();
    s->nBurnerProfile = 89;
    s->nBurnerProfileGroup = 36;
    auto* window = new CVXMMainFrameWnd(L"");
    ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 1024, 655), nullptr);
    window->ShowWindow(true);
    window->SelectPage(1);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetBurnPane());
    ASSERT_NE(pane, nullptr);
    std::vector<std::unique_ptr<CClip>> clips;
    for (const auto& [title, seconds] : std::vector<std::pair<std::wstring, int>>{
             {L"Summer holiday", 1800}, {L"Birthday party", 1500}, {L"School concert", 2400}}) {
        clips.push_back(std::make_unique<CClip>(title, seconds));
        pane->AddMedia(clips.back().get(), -1, 0);
    }
    EXPECT_TRUE(window->GetPaintManager()->FindControl(L"ID_LAYOUT_BURNER_SIZE_FOOTER")->IsVisible());
    EXPECT_FALSE(window->GetPaintManager()->FindControl(L"ID_LABEL_DISC_SIZE")->GetText().empty());
    EXPECT_TRUE(Save(window->GetPaintManager(), "burn_page.png"));
    pane->GetMediaList()->RemoveAll();
    window->DestroyWindow();
    vxmtest::PumpPending();
}

TEST(BurnScreens, TheBatchAddDialogShowsTheFolderTree)
{
    const fs::path home(WideToUtf8(GetUserHomeFolder()));
    for (const char* name : {"Desktop", "Documents", "Music", "Pictures", "Videos/Holidays", "Videos/Family"})
        fs::create_directories(home / name);
    CDlgBatchAdd dialog([](const std::wstring&) {});
    ASSERT_NE(dialog.Create(nullptr, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dialog.CenterWindow();
    CCheckShellFolderCtrl* tree = dialog.GetTree();
    CTreeNodeUI* videos = tree->FindNodeByPath(Utf8ToWide((home / "Videos").string()));
    ASSERT_NE(videos, nullptr);
    tree->FillChildren(videos);
    tree->Expand(videos, true);
    tree->SetCheck(videos, true);
    EXPECT_TRUE(Save(dialog.GetPaintManager(), "batch_add.png"));
    dialog.Close(IDCANCEL);
    vxmtest::PumpPending();
}

}  // namespace
