// Every road a file name travels through the program's main window, each
// with the same names users have: accents, CJK, an emoji, Hebrew, bytes that
// are not UTF-8, 250 bytes, a leading dash and quotes. Each road works for
// each name and the program lives. CMake runs this program whole twice:
// started under LANG=C and under LANG=C.UTF-8.
#include "BurnWindow.h"
#include "CheckShellFolderCtrl.h"
#include "DBHelper.h"
#include "DlgBatchAdd.h"
#include "EditMusicDlg.h"
#include "HistoryListUI.h"
#include "IProfile.h"
#include "MainFrameCommands.h"
#include "MainFrameDialogs.h"
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaHandler.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"
#include "MediaManagerListUI.h"
#include "MediaPreviewUI.h"
#include "MediaTags.h"
#include "OnlineMediaListItemUI.h"
#include "PlayerPaneUI.h"
#include "PreviewPaneUI.h"
#include "ProfileChooserMessages.h"
#include "VXMDownloader.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "../../src/vxmtranscode/libvxmmedia/dvd/DvdInfo.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/pump.h"
#include "support/test_media.h"
#include "support/user_names.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"
#include "ui/desktop/MimeNames.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPixmap>
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

namespace fs = std::filesystem;
using vxmtest::PumpPending;
using vxmtest::PumpUntil;

// The name without its extension ("东京の夜 2" of "东京の夜 2.mkv").
std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

// A JSON string of the name: text as it is, a byte that is no text as the
// escape of the lone surrogate that stands for it.
std::string JsonText(const std::string& bytes)
{
    std::string out;
    for (wchar_t c : Utf8ToWide(bytes)) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
            out += hex;
        } else {
            out += WideToUtf8(std::wstring(1, c));
        }
    }
    return out;
}

std::set<std::wstring> Wide(const std::vector<std::string>& paths)
{
    std::set<std::wstring> out;
    for (const std::string& p : paths) out.insert(Utf8ToWide(p));
    return out;
}

// Every name of the set as a file in a folder of a user's name, each a copy
// of the clip of its kind: the .mp4 names the H.264 clip, the .mkv name the
// MPEG-4 clip, the .mp3 name the sine.
class CNamesRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordProcessLocale();
        folder = fs::path(dir.Path()) / "M\xC3\xA9" "dias \xE6\x9D\xB1\xE4\xBA\xAC";
        out = fs::path(dir.Path()) / "Sortie \xF0\x9F\x8E\xAC";
        fs::create_directories(folder);
        fs::create_directories(out);
        const vxmtest::TestMedia& media = vxmtest::GetTestMedia();
        for (const vxmtest::UserName& name : vxmtest::UserFileNames()) {
            const std::string ext = name.bytes.substr(name.bytes.rfind('.'));
            const std::string& clip = ext == ".mkv" ? media.mkv : ext == ".mp3" ? media.mp3 : media.mp4;
            ASSERT_FALSE(clip.empty());
            fs::copy_file(clip, folder / name.bytes);
            files.push_back((folder / name.bytes).string());
            if (ext != ".mp3") videos.push_back(files.back());
        }
        SetMainPaneMaker(nullptr);
        settings = CVXMSettings::GetInstance();
        settings->OutputFolder = Utf8ToWide(out.string());
        settings->SnapshotFolder = Utf8ToWide((fs::path(dir.Path()) / "Instantan\xC3\xA9s 'q'").string());
        settings->SimConversionTasks = 1;
        settings->UseNVidiaCUDA = 0;
        settings->ShutdownFlag = 0;
        settings->PreviewHTML5 = 0;
        settings->MonitorClipboard = 0;
        settings->OpenOutputFolderAfterConvertingFinished = 0;
        OpenWindow(L"");
    }
    void TearDown() override
    {
        CloseWindow();
        SetMainFrameDialogs(nullptr);
    }

    // The locale the road ran in (started under LANG=C or LANG=C.UTF-8), in
    // the test's record.
    static void RecordProcessLocale()
    {
        const char* ctype = std::setlocale(LC_CTYPE, nullptr);
        RecordProperty("LC_CTYPE", ctype ? ctype : "");
    }

    void OpenWindow(const std::wstring& commandLineFile)
    {
        window = vxmtest::OpenMainWindow(0, 0, commandLineFile);
        ASSERT_NE(window, nullptr);
        hwnd = window->GetHWND();
        pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        list = pane->GetMediaList();
        ASSERT_NE(list, nullptr);
    }
    void CloseWindow()
    {
        if (window && window->GetHWND()) window->DestroyWindow();
        window = nullptr;
        PumpPending();
        ResetUIQuit();  // the closed window ended the loop; the next one runs its own
    }

    std::set<std::wstring> RowPaths(CMediaListUI* of) const
    {
        std::set<std::wstring> paths;
        for (int i = 0; i < of->GetCount(); ++i)
            if (CMediaListItemUI* row = of->GetMediaItem(i); row && row->GetMedia())
                paths.insert(row->GetMedia()->GetSourcePath());
        return paths;
    }
    // Waits until the list holds exactly `paths`, every one probed and every
    // video's thumbnail made.
    void ExpectRowsProbedAndShown(CMediaListUI* of, const std::vector<std::string>& paths)
    {
        PumpUntil([&] { return of->GetCount() == static_cast<int>(paths.size()); });
        EXPECT_EQ(RowPaths(of), Wide(paths));
        for (int i = 0; i < of->GetCount(); ++i) {
            CMediaListItemUI* row = of->GetMediaItem(i);
            IVXMMedia* media = row->GetMedia();
            const std::string path = WideToUtf8(media->GetSourcePath());
            CControlUI* label = window->GetPaintManager()->FindSubControlByName(row, L"ID_LABEL_ITEM_SHORT_NAME");
            EXPECT_TRUE(label && label->GetText() == Utf8ToWide(Stem(fs::path(path).filename().native()))) << path;
            EXPECT_NEAR(media->GetDuration(), 2000, 300) << path;
            if (media->GetVideoStreamCount() == 0) continue;
            PumpUntil([&] { return !row->IsThumbnailRunning(); });
            EXPECT_FALSE(row->GetShownImage().empty()) << path;
            EXPECT_TRUE(fs::is_regular_file(PathFromWide(row->GetShownImage()))) << path;
        }
    }
    void ChooseProfile(const std::wstring& category, const std::wstring& group, const std::wstring& extension)
    {
        IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
        ASSERT_NE(catalogue, nullptr);
        IProfileCategory* c = catalogue->FindCategoryById(catalogue->FindCategoryIndexByName(category));
        IProfileGroup* g = catalogue->FindGroupByName(group);
        ASSERT_TRUE(c && g);
        IProfile* chosen = nullptr;
        for (int i = 0; i < g->GetProfileCount() && !chosen; ++i)
            if (IProfile* p = g->GetProfile(static_cast<unsigned>(i)); p && p->GetFileExt() == extension) chosen = p;
        ASSERT_NE(chosen, nullptr);
        PostMessageW(hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(chosen->GetId()),
                     MakeProfileSelectionLParam(c->GetId(), g->GetId()));
        PumpUntil([&] { return pane->GetCurrentProfile() == chosen; });
        profile = chosen;
    }
    // The pane's own button: "Convert", or "Burn" on the burn page.
    void ConvertAll(const wchar_t* button = L"ID_BTN_CONVERT")
    {
        CControlUI* convert = window->GetPaintManager()->FindControl(button);
        ASSERT_NE(convert, nullptr);
        window->GetPaintManager()->SendNotify(convert, L"click");
    }
    bool Ended(CMediaListItemUI* row) const
    {
        return row->GetStatus() == ITEM_STATUS_DONE || row->GetStatus() == ITEM_STATUS_FAILED;
    }
    // The files dropped on the window as a file manager drops them: a URI
    // list, every byte of the names percent-escaped.
    void Drop(const std::vector<std::string>& paths)
    {
        std::vector<std::wstring> wide;
        for (const std::string& p : paths) wide.push_back(Utf8ToWide(p));
        std::unique_ptr<QMimeData> data(MimeDataForFiles(wide));
        const QPoint at(500, 300);
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window->GetWidget(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window->GetWidget(), &drop);
        ASSERT_TRUE(drop.isAccepted());
    }
    // The window as a person sees it, one picture for each locale.
    void SaveScreenshot(const char* name) const
    {
        const char* lang = std::getenv("LANG");
        const QString file = QStringLiteral(VXM_SCREENSHOT_DIR "/") + name + "_LANG_" + (lang ? lang : "") + ".png";
        EXPECT_TRUE(window->GetWidget()->grab().save(file)) << file.toStdString();
    }
    std::vector<std::wstring> ShellCalls(const std::wstring& prefix) const
    {
        std::vector<std::wstring> calls;
        for (const std::wstring& call : desktop.Calls())
            if (call.rfind(prefix, 0) == 0) calls.push_back(call.substr(prefix.size()));
        return calls;
    }

    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    fs::path folder, out;
    std::vector<std::string> files, videos;
    CVXMSettings* settings = nullptr;
    CVXMMainFrameWnd* window = nullptr;
    HWND hwnd = nullptr;
    CMainPaneUI* pane = nullptr;
    CMediaListUI* list = nullptr;
    IProfile* profile = nullptr;
};

TEST_F(CNamesRoad, EveryAddRoadBringsEveryNameProbedWithItsThumbnail)
{
    // The command line: one file for each start of the program.
    SCOPED_TRACE("command line");
    for (const std::string& file : files) {
        CloseWindow();
        OpenWindow(Utf8ToWide(file));
        ExpectRowsProbedAndShown(list, {file});
    }

    // The open-files dialog.
    SCOPED_TRACE("dialog");
    list->RemoveAllItems();
    for (const std::string& file : files) desktop.files.openAnswer.push_back(Utf8ToWide(file));
    window->AddFiles();
    ExpectRowsProbedAndShown(list, files);

    // Dropped on the window.
    SCOPED_TRACE("drop");
    list->RemoveAllItems();
    Drop(files);
    ExpectRowsProbedAndShown(list, files);
    SaveScreenshot("names_list");

    // The open-folder dialog.
    SCOPED_TRACE("folder");
    list->RemoveAllItems();
    desktop.files.folderAnswer = Utf8ToWide(folder.string());
    window->AddFolder();
    ExpectRowsProbedAndShown(list, files);

    // Batch add: the folder ticked in the tree, its files added by the scan.
    SCOPED_TRACE("batch add");
    list->RemoveAllItems();
    const fs::path home = PathFromWide(GetUserHomeFolder());
    const fs::path batch = home / folder.filename();
    fs::create_directory_symlink(folder, batch);
    {
        CDlgBatchAdd dialog;
        ASSERT_NE(dialog.Create(hwnd, L"VXMBatchAddDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        CCheckShellFolderCtrl* tree = dialog.GetTree();
        ASSERT_NE(tree, nullptr);
        CTreeNodeUI* node = tree->FindNodeByPath(WideFromPath(batch));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->GetText(), WideFromPath(batch.filename()));
        tree->SetCheck(node, true);
        ASSERT_TRUE(dialog.StartScan());
        PumpUntil([&] { return dialog.GetHWND() == nullptr || !::IsWindow(dialog.GetHWND()); });
    }
    std::vector<std::string> scanned;
    for (const std::string& file : files) scanned.push_back((batch / fs::path(file).filename()).string());
    ExpectRowsProbedAndShown(list, scanned);
    list->RemoveAllItems();
    fs::remove(batch);
}

TEST_F(CNamesRoad, EveryNameConvertsAndItsHistoryRecordIsListedShownMovedAndRestored)
{
    ChooseProfile(L"web", L"html5", L"mp4");
    Drop(files);
    ExpectRowsProbedAndShown(list, files);
    ConvertAll();
    std::set<std::wstring> outputs;
    for (int i = 0; i < list->GetCount(); ++i) {
        CMediaListItemUI* row = list->GetMediaItem(i);
        PumpUntil([&] { return Ended(row); });
        const std::wstring source = row->GetMedia()->GetSourcePath();
        EXPECT_EQ(row->GetStatus(), ITEM_STATUS_DONE) << WideToUtf8(source);
        const fs::path output = PathFromWide(row->GetMedia()->GetOutputPath());
        EXPECT_EQ(output.parent_path(), out) << WideToUtf8(source);
        EXPECT_TRUE(fs::is_regular_file(output)) << WideToUtf8(source);
        EXPECT_LE(output.filename().native().size(), 255u);
        // Named after its source (up to a quote, which the name does not
        // keep), cut on a character boundary when long.
        const std::string stem = output.stem().native();
        std::string prefix = Stem(PathFromWide(source).filename().native());
        prefix = WideToUtf8(CutUtf8Bytes(Utf8ToWide(prefix.substr(0, prefix.find_first_of("'\""))), 200));
        EXPECT_EQ(stem.compare(0, prefix.size(), prefix), 0) << stem;
        outputs.insert(WideFromPath(output));
    }
    EXPECT_EQ(outputs.size(), files.size());

    // Each node of the media manager lists its records; the name shows.
    CMediaManagerListUI* tree = pane->GetMediaManagerList();
    CHistoryListUI* history = pane->GetHistoryList();
    ASSERT_TRUE(tree && history);
    CMediaManagerElementUI* node = tree->FindChild(MEDIAMAN_PROFILE, profile->GetName());
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetRecordCount(), static_cast<int>(files.size()));
    auto listed = [&] {
        std::set<std::wstring> paths;
        for (int i = 0; i < history->GetCount(); ++i) {
            CHistoryListItemUI* row = history->GetHistoryItem(i);
            paths.insert(row->GetOutputPath());
            CControlUI* label = window->GetPaintManager()->FindSubControlByName(row, L"ID_LABEL_ITEM_SHORT_NAME");
            EXPECT_TRUE(label && label->GetText() == WideFromPath(PathFromWide(row->GetOutputPath()).filename()))
                << WideToUtf8(row->GetOutputPath());
        }
        return paths;
    };
    // Each node lists its own records: the profile's node all of them.
    for (int i = 0; i < tree->GetCount(); ++i) {
        tree->SelectItem(i);
        CMediaManagerElementUI* each = tree->GetNode(i);
        ASSERT_NE(each, nullptr);
        EXPECT_EQ(history->GetCount(), each->GetRecordCount()) << WideToUtf8(each->GetNodeText());
        if (each == node) {
            EXPECT_EQ(listed(), outputs);
        }
    }
    tree->SelectItem(tree->GetItemIndex(node));
    ASSERT_EQ(history->GetCount(), static_cast<int>(files.size()));
    SaveScreenshot("names_history");
    for (int i = 0; i < history->GetCount(); ++i) {
        // Show in folder: the source's and the output's folders.
        history->SelectItem(i);
        EXPECT_TRUE(history->OnMenuCommand(ID_LIST_OPEN_SOURCE));
        EXPECT_TRUE(history->OnMenuCommand(ID_LIST_OPEN_DESTINATION));
    }
    const std::vector<std::wstring> shown = ShellCalls(L"Shell.ShowInFolder: ");
    for (const std::wstring& output : outputs)
        EXPECT_NE(std::find(shown.begin(), shown.end(), output), shown.end()) << WideToUtf8(output);
    for (const std::string& file : files)
        EXPECT_NE(std::find(shown.begin(), shown.end(), Utf8ToWide(file)), shown.end()) << file;

    // Removed to the recycle bin one by one, and restored one by one.
    CMediaManagerElementUI* bin = tree->GetTopNode(MEDIAMAN_RECYCLE_BIN);
    ASSERT_NE(bin, nullptr);
    while (history->GetCount() > 0) {
        history->SelectItem(0);
        ASSERT_TRUE(history->OnMenuCommand(ID_LIST_REMOVE));
    }
    EXPECT_EQ(node->GetRecordCount(), 0);
    EXPECT_EQ(bin->GetRecordCount(), static_cast<int>(files.size()));
    tree->SelectItem(tree->GetItemIndex(bin));
    ASSERT_EQ(history->GetCount(), static_cast<int>(files.size()));
    while (history->GetCount() > 0) history->GetHistoryItem(0)->SendRecordNotify(L"historyitem_restore");
    EXPECT_EQ(bin->GetRecordCount(), 0);
    EXPECT_EQ(node->GetRecordCount(), static_cast<int>(files.size()));
    tree->SelectItem(tree->GetItemIndex(node));
    EXPECT_EQ(listed(), outputs);
}

TEST_F(CNamesRoad, TheTagEditorWritesIntoEveryNamedFile)
{
    // Every name as an MP3 file; each title is the name itself.
    std::vector<std::string> songs;
    for (const std::string& file : files) {
        const fs::path song = fs::path(file).replace_extension(".mp3");
        if (!fs::exists(song)) fs::copy_file(vxmtest::GetTestMedia().mp3, song);
        songs.push_back(song.string());
    }
    Drop(songs);
    ExpectRowsProbedAndShown(list, songs);
    for (int i = 0; i < list->GetCount(); ++i) {
        CMediaListItemUI* row = list->GetMediaItem(i);
        const std::wstring source = row->GetMedia()->GetSourcePath();
        const std::wstring title = Utf8ToWide(Stem(PathFromWide(source).filename().native()));
        CEditMusicDlg editor(row);
        ASSERT_NE(editor.Create(hwnd, L"VXMEditMusicDlg", WS_POPUP, 0), nullptr);
        editor.GetPaintManager()->FindControl(L"IDC_EDIT_TITLE")->SetText(title);
        editor.Accept();
        // The file is written off the UI thread; the editor closes once it has the tags.
        PumpUntil([&] { return !editor.IsSaving(); });
        PumpPending();  // the close it posted when the tags were written
        EXPECT_FALSE(editor.GetHWND() && ::IsWindow(editor.GetHWND())) << WideToUtf8(source);
        VXM_MEDIA_TAGS read;
        ASSERT_EQ(ReadMediaTagsFromFile(source, read, L""), 1) << WideToUtf8(source);
        // A byte that is no text becomes U+FFFD in the tag, which holds text only.
        std::wstring expected = title;
        for (wchar_t& c : expected)
            if (c >= 0xDC80 && c <= 0xDCFF) c = 0xFFFD;
        EXPECT_EQ(read.title, expected) << WideToUtf8(source);
    }
}

TEST_F(CNamesRoad, EveryNamePreviewsAndItsSnapshotLandsInAFolderOfAUsersName)
{
    Drop(files);
    ExpectRowsProbedAndShown(list, files);
    CPreviewPaneUI* preview = pane->GetPreviewPane();
    ASSERT_NE(preview, nullptr);
    const fs::path shots = PathFromWide(settings->SnapshotFolder);
    auto written = [&] {
        std::error_code ec;
        int count = 0;
        for (const auto& entry : fs::directory_iterator(shots, ec)) count += entry.path().extension() == ".png";
        return count;
    };
    int snapshots = 0;
    for (int i = 0; i < list->GetCount(); ++i) {
        IVXMMedia* media = list->GetMediaItem(i)->GetMedia();
        preview->Play(media);
        PumpUntil([&] { return preview->GetPlayState() == PREVIEW_PLAYING && media->GetPreviewPosition() >= 0.3; });
        if (media->GetVideoStreamCount() > 0) {
            // The picture being shown lands in the folder while the clip plays.
            preview->TakeSnapshot();
            ++snapshots;
            PumpUntil([&] { return written() == snapshots; });
        }
        preview->Stop();
        PumpUntil([&] { return preview->GetPlayState() == PREVIEW_STOPPED && media->GetPreviewState() == 0; });
    }
    EXPECT_EQ(preview->GetSnapshotCount(), snapshots);
    EXPECT_EQ(snapshots, static_cast<int>(videos.size()));
}

TEST_F(CNamesRoad, ThePlayerPlaysEveryNameFromItsCommandLine)
{
    window->SelectPage(2);
    auto* player = dynamic_cast<CPlayerPaneUI*>(window->GetPlayerPane());
    ASSERT_NE(player, nullptr);
    player->SetOutputDriversForTesting(L"null", L"null");
    for (const std::string& file : files) {
        player->OpenAndPlay(Utf8ToWide(file), 0.0);
        ASSERT_EQ(player->PlayState, PLAY_STATE_PLAYING) << file;
        EXPECT_EQ(player->CurrentPath, Utf8ToWide(file));
        // The player answered with the file's length: it opened the very file.
        PumpUntil([&] { return player->LengthSeconds > 1.0; });
        player->Stop();
        PumpUntil([&] { return player->PlayState != PLAY_STATE_PLAYING; });
    }
}

TEST_F(CNamesRoad, EveryNameJoinsIntoOneWmv)
{
    std::vector<std::string> clips;
    for (const std::string& file : videos) {
        const fs::path wmv = fs::path(file).replace_extension(".wmv");
        ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", file, "-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf", wmv.string()}));
        clips.push_back(wmv.string());
    }
    ChooseProfile(L"general", L"wmv", L"wmv");
    Drop(clips);
    ExpectRowsProbedAndShown(list, clips);
    pane->ShowMergeButtons(true);
    ConvertAll();
    CMediaListItemUI* first = list->GetMediaItem(0);
    PumpUntil([&] { return Ended(first); });
    ASSERT_EQ(first->GetStatus(), ITEM_STATUS_DONE);
    const std::wstring joined = first->GetMedia()->GetOutputPath();
    IVXMMedia* probe = CreateVXMMediaObject(nullptr);
    probe->SetSourcePath(joined);
    EXPECT_EQ(probe->Probe(), 0) << WideToUtf8(joined);
    EXPECT_NEAR(probe->GetDuration(), 2000.0 * clips.size(), 400.0 * clips.size());
    probe->Release();
}

TEST_F(CNamesRoad, EveryNameBurnsToAnImageFileOfAUsersName)
{
    CloseWindow();
    settings->nBurnerProfile = 89;  // DVD video (NTSC)
    settings->nBurnerProfileGroup = 36;
    OpenWindow(L"");
    window->SelectPage(1);
    pane = dynamic_cast<CMainPaneUI*>(window->GetBurnPane());
    ASSERT_NE(pane, nullptr);
    list = pane->GetMediaList();
    // No drive here: the disc goes to an image file.
    ASSERT_TRUE(pane->BurnerRecord().devicePresent) << WideToUtf8(pane->BurnerRecord().message);
    Drop(videos);
    ExpectRowsProbedAndShown(list, videos);
    // The image takes the longest name the user can give it.
    const std::string image = (out / (Stem(vxmtest::UserFileNames()[5].bytes) + ".iso")).string();
    desktop.files.saveAnswer = Utf8ToWide(image);
    window->GetPaintManager()->FindControl(L"ID_EDIT_MUSIC_DURATION")->SetText(L"1");  // a short menu
    SetBurnWindowAutoClose(true);
    ConvertAll(L"ID_BTN_DVD_CONVERT");
    for (int i = 0; i < list->GetCount(); ++i) {
        CMediaListItemUI* row = list->GetMediaItem(i);
        PumpUntil([&] { return Ended(row); });
        ASSERT_EQ(row->GetStatus(), ITEM_STATUS_DONE) << WideToUtf8(row->GetMedia()->GetSourcePath());
    }
    // The converted rows go to the burner, which asks for the image's name and burns.
    PumpUntil([&] { return !ShellCalls(L"Files.Save: ").empty() && !pane->IsBurning(); });
    SetBurnWindowAutoClose(false);
    ASSERT_TRUE(fs::is_regular_file(image));
    dvd_info info;
    ASSERT_EQ(parse_dvd(info, image.c_str(), 0), 0);
    EXPECT_EQ(info.titles.size(), videos.size());
}

TEST_F(CNamesRoad, ADownloadTitledWithEveryNameLandsUnderItsNameAndIsRecorded)
{
    vxmtest::CTempDir control;
    setenv("VXM_FAKE_YTDLP_DIR", control.Path().c_str(), 1);
    VXMDownloaderSetToolPath(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/tests/support/fake_ytdlp.py"));
    std::ofstream(control.File("media"), std::ios::binary) << vxmtest::GetTestMedia().mp4;
    settings->OnlineFMT = ONLINE_FORMAT_ASK;
    settings->RetryTimes = 0;
    CMainFrameDialogs dialogs;
    dialogs.chooseFormat = [](HWND, VXM_FORMAT_REQUEST& request) {
        request.chosen = 0;
        return 0;
    };
    SetMainFrameDialogs(&dialogs);
    std::set<std::wstring> fetched;
    int n = 0;
    for (const vxmtest::UserName& name : vxmtest::UserFileNames()) {
        const std::string address = "https://vimeo.com/" + std::to_string(++n);
        std::ofstream(control.File("analysis.json"), std::ios::binary | std::ios::trunc)
            << R"({"id":")" << n << R"(","title":")" << JsonText(Stem(name.bytes)) << R"(","extractor_key":"Vimeo","webpage_url":")" << address
            << R"(","formats":[{"format_id":"18","ext":"mp4","format_note":"360p","vcodec":"avc1","acodec":"mp4a","filesize":1000}]})";
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        media->SetSourcePath(Utf8ToWide(address));
        pane->AddMedia(media, -1, 1);
        // The online row gives way to the downloaded file's row, or says it failed.
        CMediaListItemUI* fileRow = nullptr;
        int failed = 0;
        PumpUntil([&] {
            for (int i = 0; i < list->GetCount(); ++i) {
                CMediaListItemUI* row = list->GetMediaItem(i);
                if (!row->IsOnlineItem()) fileRow = row;
                else if (auto* online = dynamic_cast<COnlineMediaListItemUI*>(row); online &&
                         (online->GetStatusTextId() == 111 || online->GetStatusTextId() == 113))
                    failed = online->GetStatusTextId();
            }
            return fileRow != nullptr || failed != 0;
        });
        ASSERT_NE(fileRow, nullptr) << name.label << ": failed with text " << failed;
        const fs::path downloaded = PathFromWide(fileRow->GetMedia()->GetSourcePath());
        EXPECT_TRUE(fs::is_regular_file(downloaded)) << name.label;
        EXPECT_LE(downloaded.filename().native().size(), 255u) << name.label;
        // Named after the title (each name's first six bytes end a character).
        EXPECT_EQ(downloaded.stem().native().substr(0, 6), name.bytes.substr(0, 6)) << name.label;
        fetched.insert(WideFromPath(downloaded));
        list->RemoveAllItems();
    }
    CDBHelper* db = CDBHelper::GetInstance();
    EXPECT_EQ(db->GetDownloadedCount(L"Vimeo"), static_cast<int>(vxmtest::UserFileNames().size()));
    // The site's history node lists every download.
    CMediaManagerListUI* tree = pane->GetMediaManagerList();
    CMediaManagerElementUI* site = tree->FindChild(MEDIAMAN_SITE, L"Vimeo");
    ASSERT_NE(site, nullptr);
    tree->SelectItem(tree->GetItemIndex(site));
    CHistoryListUI* history = pane->GetHistoryList();
    std::set<std::wstring> listed;
    for (int i = 0; i < history->GetCount(); ++i) listed.insert(history->GetHistoryItem(i)->GetOutputPath());
    EXPECT_EQ(listed, fetched);
    VXMDownloaderSetToolPath(L"");
    unsetenv("VXM_FAKE_YTDLP_DIR");
}

}  // namespace
