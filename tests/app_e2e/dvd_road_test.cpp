// A DVD folder through the program: "Open DVD Folder" analyses it, its
// titles become rows, and a title row converts to a playable file; a
// damaged DVD folder is refused with a message.
#include "program_window.h"

#include "IVXMMedia.h"
#include "MainFrameCommands.h"
#include "MediaHandler.h"
#include "VXMMediaExports.h"
#include "support/dvd_damage.h"
#include "support/test_media.h"
#include "ui/UILanguage.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using vxmtest::PumpUntil;

// A disc folder with one 12-second PAL title.
std::string MakeDisc(const vxmtest::CTempDir& dir)
{
    const std::string clip = dir.File("title.mpg");
    if (!vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25", "-f", "lavfi", "-i",
                             "sine=f=440:sample_rate=48000", "-t", "12", "-target", "pal-dvd", "-s", "352x288",
                             "-b:v", "800k", "-b:a", "128k", clip}))
        return {};
    const std::string disc = dir.File("DISC");
    std::string output;
    if (vxmtest::RunProgram({"/usr/bin/env", "VIDEO_FORMAT=PAL", "dvdauthor", "-o", disc, "-t", clip}, &output) != 0 ||
        vxmtest::RunProgram({"/usr/bin/env", "VIDEO_FORMAT=PAL", "dvdauthor", "-o", disc, "-T"}, &output) != 0)
        return {};
    return disc;
}

TEST(DVDRoad, ATitleOfAnOpenedDVDFolderConverts)
{
    vxmtest::CTempDir dir;
    const std::string disc = MakeDisc(dir);
    ASSERT_FALSE(disc.empty());
    CFakeDesktop desktop;
    desktop.files.folderAnswer = Utf8ToWide(disc);

    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    CVXMMainFrameWnd* window = program.window;
    CMediaListUI* list = program.list;

    SendMessageW(program.hwnd, WM_COMMAND, ID_OPEN_DVD_FOLDER, 0);
    ASSERT_TRUE(PumpUntil([&] { return list->GetCount() == 1; }));
    CMediaListItemUI* row = list->GetMediaItem(0);
    IVXMMedia* title = row->GetMedia();
    ASSERT_NE(dynamic_cast<IVXMDVDTitle*>(title), nullptr);

    EXPECT_EQ(CMediaHandler::GetInstance()->GetDVDFile(), nullptr) << "the disc object goes once its titles are rows";

    // A short title comes unchecked: converting all says why nothing starts.
    ASSERT_FALSE(row->IsChecked());
    CControlUI* convert = window->GetPaintManager()->FindControl(L"ID_BTN_CONVERT");
    window->GetPaintManager()->SendNotify(convert, L"click");
    EXPECT_EQ(title->GetConvertState(), 0);
    EXPECT_EQ(window->GetPaintManager()->FindControl(L"ID_LABEL_STATUS_BOTTOM")->GetText(),
              L"No item of the list is checked: tick the box of each item to convert.");

    row->SetChecked(true);
    window->GetPaintManager()->SendNotify(convert, L"click");
    ASSERT_TRUE(PumpUntil([&] { return row->GetStatus() == ITEM_STATUS_DONE || row->GetStatus() == ITEM_STATUS_FAILED; }));
    EXPECT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
    const std::wstring output = title->GetOutputPath();
    ASSERT_FALSE(output.empty());
    EXPECT_TRUE(std::filesystem::exists(WideToUtf8(output))) << WideToUtf8(output);
    IVXMMedia* probe = CreateVXMMediaObject(nullptr);
    probe->SetSourcePath(output);
    EXPECT_GE(probe->Probe(), 0);
    EXPECT_NEAR(probe->GetDuration(), 12000, 1000);
    probe->Release();
}

// A DVD folder whose information files crash the DVD parser: the program
// says it cannot read the disc and goes on without rows.
TEST(DVDRoad, ADamagedDVDFolderIsRefusedWithAMessage)
{
    vxmtest::CTempDir dir;
    const std::string disc = MakeDisc(dir);
    ASSERT_FALSE(disc.empty());
    const std::string damaged = dir.File("DAMAGED");
    ASSERT_TRUE(vxmtest::CopyDamagedDvd(disc, damaged, vxmtest::DvdDamages().front()));
    CFakeDesktop desktop;
    desktop.files.folderAnswer = Utf8ToWide(damaged);

    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    const std::wstring text = CLanguageManager::GetInstance()->LoadStringW(122);
    ASSERT_FALSE(text.empty());
    auto told = [&] {
        for (const std::wstring& call : desktop.Calls())
            if (call.rfind(L"MessageBox.Show:", 0) == 0 && call.find(text) != std::wstring::npos) return true;
        return false;
    };
    SendMessageW(program.hwnd, WM_COMMAND, ID_OPEN_DVD_FOLDER, 0);
    ASSERT_TRUE(PumpUntil(told));
    EXPECT_EQ(program.list->GetCount(), 0);
    EXPECT_EQ(CMediaHandler::GetInstance()->GetDVDFile(), nullptr);
}

}  // namespace
