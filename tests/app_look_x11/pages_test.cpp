// The main window's pages under a real X server at the design size, with a
// video, a piece of music and a DVD title converting, a row being renamed,
// and the profile chooser open: pictures kept in the build's screenshot
// folder, and the layout checks on each page as drawn there.
#include "EditMusicDlg.h"
#include "MainPaneUI.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"
#include "ProfileWndRows.h"
#include "ProfileWndUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaBase.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "ui/UILanguage.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "support/skin_check.h"
#include "FakeDesktop.h"
#include "PaintedText.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <algorithm>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);

void Save(QWidget* widget, const std::string& name)
{
    ASSERT_NE(widget, nullptr);
    vxmtest::PumpPending();
    EXPECT_TRUE(widget->grab().save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/" + name + ".png")));
}

// The part of the window a control covers.
void SaveArea(CWindowWnd* window, CControlUI* control, const std::string& name)
{
    vxmtest::PumpPending();
    const RECT rc = control->GetPos();
    const QPixmap area = window->GetWidget()->grab(QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top));
    EXPECT_FALSE(area.isNull()) << name;
    EXPECT_TRUE(area.save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/" + name + ".png")));
}

// The first scrolling layout inside a control.
CContainerUI* FindScrolling(CControlUI* control)
{
    auto* container = dynamic_cast<CContainerUI*>(control);
    if (!container) return nullptr;
    if (container->IsScrollable() && container->IsVisible()) return container;
    for (int i = 0; i < container->GetCount(); ++i)
        if (CContainerUI* inner = FindScrolling(container->GetItemAt(i))) return inner;
    return nullptr;
}

// A DVD title as the disc reader fills it: MPEG-2 video at the NTSC size,
// its number as title, 47 minutes.
class CSampleDVDTitle : public CStubDVDTitle {
public:
    std::wstring GetSourceTitle() const override { return L"1"; }
    std::wstring GetSourcePath() const override { return L"dvdnav://0"; }
    std::wstring GetDiscName() const override { return L"HOLIDAYS_2026"; }
    std::wstring GetVideoStandard() const override { return L"NTSC"; }
    std::wstring GetDisplayFormat() const override { return L"16:9"; }
    int GetDuration() const override { return 2832000; }
    int GetClipLength() const override { return 2832000; }
    IVXMVideo* GetVideoStream() override { return &video; }
    int GetVideoStreamCount() const override { return 1; }
    IVXMVideo* GetVideoStreamAt(int) override { return &video; }
    CStubVideo video{L"mpeg2Video", 8000, 720, 480};
};

// The main window at the design size, its converter pane holding `media`;
// null when it could not be made.
CMainPaneUI* OpenWithRows(CVXMMainFrameWnd*& window, std::initializer_list<IVXMMedia*> media)
{
    window = new CVXMMainFrameWnd(L"");
    if (!window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655))
        return nullptr;
    window->ShowWindow(true);
    window->ResizeClient(1024, 655);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    if (pane)
        for (IVXMMedia* m : media) pane->AddMedia(m, -1, 0);
    return pane;
}

std::string Joined(const std::vector<std::string>& problems)
{
    std::string text;
    for (const std::string& p : problems) text += "\n  " + p;
    return text;
}

TEST(MainWindowLook, PagesWithConvertingRowsAndTheProfileChooser)
{
    CFakeDesktop desktop;
    CSampleMedia video{L"A very long name of a holiday video filmed high up in the mountains at sunrise", true};
    CSampleMedia music{L"Symphony No. 9 in D minor, Op. 125 - IV. Presto - Allegro assai (live recording)", false};
    CSampleDVDTitle dvd;
    CSampleMedia cafe{L"Caf\u00e9 \u6771\u4eac\u306e\u591c \U0001F303", true};
    CVXMMainFrameWnd* window = nullptr;
    CMainPaneUI* pane = OpenWithRows(window, {&video, &music, &dvd, &cafe});
    ASSERT_NE(pane, nullptr);
    pane->OnConversionStarted(&video);
    pane->SetProgress(&video, 420);
    pane->OnConversionStarted(&music);
    pane->SetProgress(&music, 80);

    Save(window->GetWidget(), "main_convert");
    EXPECT_TRUE(vxmtest::CheckLayout(*window->GetPaintManager()).empty())
        << Joined(vxmtest::CheckLayout(*window->GetPaintManager()));
    // A row being renamed: the edit in the name's place, the buttons inside the row.
    CMediaListItemUI* renamed = pane->GetMediaList()->GetMediaItem(3);
    ASSERT_NE(renamed, nullptr);
    pane->GetMediaList()->EnsureVisible(3);
    renamed->ShowNameEdit(true);
    EXPECT_TRUE(vxmtest::CheckLayout(*window->GetPaintManager()).empty())
        << Joined(vxmtest::CheckLayout(*window->GetPaintManager()));
    SaveArea(window, renamed, "row_rename");
    renamed->ShowNameEdit(false);
    pane->GetMediaList()->EnsureVisible(0);
    // The parameter editor of the selected row, at its top and scrolled to its end.
    CControlUI* editor = pane->GetProfileSettingsPane();
    ASSERT_NE(editor, nullptr);
    SaveArea(window, editor, "parameter_editor");
    if (auto* body = FindScrolling(editor)) {
        body->SetScrollPos(body->GetScrollRange());
        SaveArea(window, editor, "parameter_editor_end");
        body->SetScrollPos(0);
    }
    // At full screen the whole editor shows beside the longer list.
    window->ResizeClient(1920, 1080);
    Save(window->GetWidget(), "main_convert_fullscreen");
    EXPECT_TRUE(vxmtest::CheckLayout(*window->GetPaintManager()).empty())
        << Joined(vxmtest::CheckLayout(*window->GetPaintManager()));
    window->ResizeClient(1024, 655);
    window->SelectPage(1);
    Save(window->GetWidget(), "main_burn");
    window->SelectPage(2);
    Save(window->GetWidget(), "main_play");
    window->SelectPage(0);

    pane->ShowProfileWnd();
    if (CWindowWnd* chooser = pane->GetProfileWnd()) {
        Save(chooser->GetWidget(), "profile_chooser");
        if (chooser->GetPaintManager()) {
            const std::vector<std::string> problems = vxmtest::CheckLayout(*chooser->GetPaintManager());
            EXPECT_TRUE(problems.empty()) << Joined(problems);
        }
    }
    pane->GetMediaList()->RemoveAll();
    window->DestroyWindow();
    vxmtest::PumpPending();
}

// A clip whose conversion runs while `state` is 1, with the engine's why.
class CRunningMedia : public CSampleMedia, public CVXMMediaBase {
public:
    using CSampleMedia::CSampleMedia;
    int GetConvertState() override { return state; }
    int state = 1;
};

// A failed row with its reason in the status bar (and its status's tooltip),
// in English and in German, and a paused row.
TEST(MainWindowLook, AFailedRowWithItsReasonInBothLanguagesAndAPausedRow)
{
    CFakeDesktop desktop;
    for (const std::wstring lang : {L"en", L"de"}) {
        CVXMSettings::GetInstance()->LangID = lang;
        CRunningMedia failed{L"Holiday in the mountains", true};
        failed.m_strLastError = L"Error closing file /home/someone/Videos/Holiday.mp4: No space left on device";
        CRunningMedia paused{L"Caf\u00e9 \u6771\u4eac\u306e\u591c", true};
        CVXMMainFrameWnd* window = nullptr;
        CMainPaneUI* pane = OpenWithRows(window, {&failed, &paused});
        ASSERT_NE(pane, nullptr);
        for (IVXMMedia* m : {static_cast<IVXMMedia*>(&failed), static_cast<IVXMMedia*>(&paused)}) {
            pane->OnConversionStarted(m);
            pane->SetProgress(m, 550);
        }
        failed.state = 0;
        pane->OnJobFinished(&failed, 1);
        CMediaListItemUI* pausedRow = pane->GetMediaList()->GetMediaItem(1);
        pausedRow->PauseConvert();
        EXPECT_EQ(pane->GetMediaList()->GetMediaItem(0)->GetStatusText(), lang == L"de" ? L"Fehlgeschlagen" : L"Failed");
        EXPECT_EQ(pausedRow->GetStatusText(), lang == L"de" ? L"Pausiert" : L"Paused");
        Save(window->GetWidget(), "failed_row_" + WideToUtf8(lang));
        if (lang == L"en") SaveArea(window, pausedRow, "paused_row");
        EXPECT_TRUE(vxmtest::CheckLayout(*window->GetPaintManager()).empty())
            << Joined(vxmtest::CheckLayout(*window->GetPaintManager()));
        pane->GetMediaList()->RemoveAll();
        window->DestroyWindow();
        vxmtest::PumpPending();
    }
    CVXMSettings::GetInstance()->LangID = L"auto";
    CLanguageManager::GetInstance()->SetLang(L"en");
}

// Names and tags with "&" as users have them: the row and the tag editor
// draw each whole; joined rows show their track choices whole.
TEST(MainWindowLook, AnAmpersandInANameOrTagIsDrawnAndJoinedRowsFit)
{
    CFakeDesktop desktop;
    CSampleMedia song{L"Rock & Roll", false};
    CSampleMedia part1{L"Tom & Jerry, part 1", true};
    CSampleMedia part2{L"Tom & Jerry, part 2", true};
    CVXMMainFrameWnd* window = nullptr;
    CMainPaneUI* pane = OpenWithRows(window, {&song, &part1, &part2});
    ASSERT_NE(pane, nullptr);
    CMediaListUI* list = pane->GetMediaList();
    CMediaListItemUI* row = list->GetMediaItem(0);
    const VXM_MEDIA_TAGS tags{.title = L"Rock & Roll", .artist = L"Beth Hart & Joe Bonamassa", .album = L"Don't Explain",
                              .comment = {}, .genre = L"Blues & Soul", .year = L"2011", .track = {}, .cover = {}, .lyrics = {}};
    row->SetTags(tags);
    vxmtest::PumpPending();
    window->GetPaintManager()->UpdateLayout();
    CControlUI* name = window->GetPaintManager()->FindSubControlByName(row, L"ID_LABEL_ITEM_SHORT_NAME");
    EXPECT_EQ(PaintedTexts(name), std::vector<std::wstring>{L"Rock & Roll"});
    CControlUI* tagButton = window->GetPaintManager()->FindSubControlByName(row, L"ID_BUTTON_ITEM_EDIT");
    EXPECT_TRUE(tagButton->IsVisible() && tagButton->IsEnabled());
    EXPECT_EQ(tagButton->GetToolTip(), L"Edit the audio tags");

    CEditMusicDlg dialog(row);
    ASSERT_NE(dialog.Create(window->GetHWND(), L"VXMEditMusicDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    vxmtest::PumpPending();
    CPaintManagerUI* pm = dialog.GetPaintManager();
    EXPECT_EQ(PaintedTexts(pm->FindControl(L"ID_L_ARTIST")), std::vector<std::wstring>{tags.artist});
    dialog.ShowView(1);
    pm->UpdateLayout();
    EXPECT_EQ(PaintedTexts(pm->FindControl(L"IDC_EDIT_ARTIST")), std::vector<std::wstring>{tags.artist});
    dialog.ShowView(0);
    vxmtest::PumpPending();
    // The window, and the editor below it.
    const QPixmap main = window->GetWidget()->grab();
    const QPixmap editor = dialog.GetWidget()->grab();
    QImage shot(main.width(), main.height() + editor.height(), QImage::Format_RGB32);
    shot.fill(Qt::white);
    {
        QPainter painter(&shot);
        painter.drawPixmap(0, 0, main);
        painter.drawPixmap(0, main.height(), editor);
    }
    EXPECT_TRUE(shot.save(QStringLiteral(VXM_SCREENSHOT_DIR "/amp_row_en.png")));
    dialog.DestroyWindow();
    vxmtest::PumpPending();

    list->SetJoinMode(true);
    Save(window->GetWidget(), "joined_rows");
    EXPECT_TRUE(vxmtest::CheckLayout(*window->GetPaintManager()).empty())
        << Joined(vxmtest::CheckLayout(*window->GetPaintManager()));
    list->SetJoinMode(false);
    list->RemoveAll();
    window->DestroyWindow();
    vxmtest::PumpPending();
}

// Every group and profile name of every category shows whole in the
// chooser, in both languages; the row's button names its profile in the
// user's language.
TEST(MainWindowLook, TheProfileChooserShowsEveryNameWhole)
{
    CFakeDesktop desktop;
    CSampleMedia clip{L"Holiday", true};
    for (const std::wstring lang : {L"en", L"de"}) {
        CVXMSettings::GetInstance()->LangID = lang;
        CVXMMainFrameWnd* window = nullptr;
        CMainPaneUI* pane = OpenWithRows(window, {&clip});
        ASSERT_NE(pane, nullptr);
        CMediaListItemUI* row = pane->GetMediaList()->GetMediaItem(0);
        const std::wstring desc = row->GetProfile()->GetDesc();
        CControlUI* format = window->GetPaintManager()->FindSubControlByName(row, L"ID_BUTTON_ITEM_OUTPUT_FORMAT");
        if (lang == L"de") {
            ASSERT_EQ(desc, L"MP4 video (H.264)");
            EXPECT_EQ(format->GetToolTip(), L"Ausgabe nach MP4-Video (H.264)");
        }
        pane->ShowProfileWnd();
        auto* chooser = dynamic_cast<CProfileWndUI*>(pane->GetProfileWnd());
        ASSERT_NE(chooser, nullptr);
        CPaintManagerUI* pm = chooser->GetPaintManager();
        CListUI* categories = chooser->GetCategoryList();
        CListUI* names = chooser->GetProfileList();
        std::vector<std::string> problems;
        for (int c = 0; c < categories->GetCount(); ++c) {
            chooser->FillProfiles(dynamic_cast<CProfileCategoryItemUI*>(categories->GetItemAt(c)), -1);
            // Row by row into view: the layout check sees the rows in view.
            for (int i = 0; i < names->GetCount(); ++i) {
                names->EnsureVisible(i);
                for (const std::string& p : vxmtest::CheckLayout(*pm)) problems.push_back(p);
                auto* group = dynamic_cast<CProfileGroupItemUI*>(names->GetItemAt(i));
                auto* profile = dynamic_cast<CProfileItemUI*>(names->GetItemAt(i));
                CLabelUI* label = group ? group->GetNameLabel() : profile ? profile->GetLabel() : nullptr;
                if (label && label->IsTextCut()) problems.push_back(WideToUtf8(label->GetText()) + " is cut short");
            }
        }
        std::sort(problems.begin(), problems.end());
        problems.erase(std::unique(problems.begin(), problems.end()), problems.end());
        EXPECT_TRUE(problems.empty()) << WideToUtf8(lang) << Joined(problems);
        if (lang == L"de") {
            chooser->FillProfiles(dynamic_cast<CProfileCategoryItemUI*>(categories->GetItemAt(0)), -1);
            names->EnsureVisible(0);
            Save(chooser->GetWidget(), "profile_chooser_de");
        }
        pane->GetMediaList()->RemoveAll();
        window->DestroyWindow();
        vxmtest::PumpPending();
    }
    CVXMSettings::GetInstance()->LangID = L"auto";
    CLanguageManager::GetInstance()->SetLang(L"en");
}

}  // namespace
