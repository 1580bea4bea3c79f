// Media reaching the lists: the supported-extension test, folders (with an
// unsupported file and a link loop), drops, pastes, text drops, cue sheets,
// the drive choice and discs.
#include "program_panes.h"
#include "recording_panes.h"
#include "scripted_discs.h"

#include "DVDOpenDlgUI.h"
#include "panes/MainPaneUI.h"
#include "panes/MediaListUI.h"
#include "DlgSelectDVD.h"
#include "IVXMDVDFile.h"
#include "IVXMDiscFile.h"
#include "VXMMessages.h"
#include "MainFrameMessages.h"
#include "MediaFileTypes.h"
#include "MediaFolders.h"
#include "MediaHandler.h"
#include "platform/folders.h"
#include "support/test_media.h"
#include "ui/UICombo.h"
#include "ui/UILanguage.h"

#include <QTimer>

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

// ---- which files are media --------------------------------------------------------------------

TEST(SupportedExtension, CaseDoesNotMatterAndANameWithoutExtensionIsNoMedia)
{
    EXPECT_TRUE(IsSupportedMediaFile(L"/clips/HOLIDAY.MTS"));
    EXPECT_TRUE(IsSupportedMediaFile(L"/music/Song.FLAC"));
    EXPECT_TRUE(IsSupportedMediaFile(L"/a/b.xa"));
    EXPECT_TRUE(IsSupportedMediaFile(L"/a/b.bik"));
    EXPECT_TRUE(IsSupportedMediaFile(L"/a/film.dvr-ms"));
    EXPECT_TRUE(IsSupportedMediaFile(L"/a/tune.mp+"));
    EXPECT_FALSE(IsSupportedMediaFile(L"/clips/README"));
    EXPECT_FALSE(IsSupportedMediaFile(L"/clips.mp4/README"));  // the dot is in a folder name
    EXPECT_FALSE(IsSupportedMediaFile(L"/clips/notes.txt"));
    EXPECT_FALSE(IsSupportedMediaFile(L"/clips/trailing."));
    EXPECT_FALSE(IsSupportedMediaFile(L"/clips/film.divx"));  // offered by the dialog's filter, not by the table
    EXPECT_FALSE(IsSupportedMediaFile(L""));
}

TEST(SupportedExtension, DialogFiltersStartWithAllMediaAndEndWithAllFiles)
{
    auto filters = MediaFileFilters();
    ASSERT_GE(filters.size(), 30u);
    EXPECT_EQ(filters.front().name, L"Media Files (all types)");
    EXPECT_EQ(filters.back().name, L"All Files (*.*)");
    EXPECT_EQ(filters.back().patterns, std::vector<std::wstring>{L"*.*"});
    // Every table pattern is offered by some filter.
    for (const std::wstring& pattern : SupportedMediaPatterns()) {
        bool offered = false;
        for (const CFileFilter& f : filters)
            offered = offered || std::find(f.patterns.begin(), f.patterns.end(), pattern) != f.patterns.end();
        EXPECT_TRUE(offered) << Narrow(pattern);
    }
    // All media offers every pattern of the filters between it and all files.
    const std::vector<std::wstring>& all = filters.front().patterns;
    for (size_t i = 1; i + 1 < filters.size(); ++i)
        for (const std::wstring& pattern : filters[i].patterns)
            EXPECT_NE(std::find(all.begin(), all.end(), pattern), all.end()) << Narrow(pattern);
}

TEST(SupportedExtension, EveryFileTheCatalogueWritesIsOfferedWhenAdding)
{
    ASSERT_TRUE(CMediaHandler::GetInstance()->Init(nullptr));
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    const std::vector<std::wstring> all = MediaFileFilters().front().patterns;
    for (int i = 0; i < catalogue->GetProfileCount(); ++i) {
        const std::wstring ext = catalogue->GetProfile(i)->GetFileExt();
        EXPECT_TRUE(IsSupportedMediaFile(L"/out/clip." + ext)) << Narrow(ext);
        EXPECT_NE(std::find(all.begin(), all.end(), L"*." + ext), all.end()) << Narrow(ext);
    }
    CMediaHandler::DeleteInstance();
}

// ---- folders ----------------------------------------------------------------------------------

// A folder with clips (two under names the extension table lacks), a clip
// under a link, a text file, a pipe, a sub-folder with a clip, a link to the
// folder itself and a looping link.
struct CClipFolder {
    CClipFolder()
    {
        const auto& media = vxmtest::GetTestMedia();
        root = dir.File("clips");
        fs::create_directories(root + "/sub");
        fs::copy_file(media.mp4, root + "/b clip.mp4");
        fs::copy_file(media.mkv, root + "/a clip.MKV");
        fs::copy_file(media.mp4, root + "/recording.vro");
        fs::copy_file(media.mkv, root + "/movie.divx");
        fs::copy_file(media.mp4, root + "/sub/deeper.mp4");
        std::ofstream(root + "/notes.txt") << "not media\n";
        EXPECT_EQ(mkfifo((root + "/pipe.mp4").c_str(), 0600), 0);
        fs::create_symlink(media.wav, root + "/linked.wav");
        fs::create_symlink(".", root + "/self.mp4");  // a folder under a media name
        fs::create_symlink("loop2.mp4", root + "/loop1.mp4");
        fs::create_symlink("loop1.mp4", root + "/loop2.mp4");
    }
    // The names of `wanted` in the order the folder lists them.
    std::vector<std::wstring> InListingOrder(const std::set<std::string>& wanted) const
    {
        std::vector<std::wstring> out;
        DIR* d = opendir(root.c_str());
        while (dirent* e = d ? readdir(d) : nullptr)
            if (wanted.count(e->d_name)) out.push_back(Utf8ToWide(root + "/" + e->d_name));
        if (d) closedir(d);
        EXPECT_EQ(out.size(), wanted.size());
        return out;
    }
    vxmtest::CTempDir dir;
    std::string root;
};

const std::set<std::string> kFolderMedia = {"a clip.MKV", "b clip.mp4", "recording.vro", "movie.divx", "linked.wav"};

TEST(FolderScan, TakesEveryRegularFileOfOneLevelInListingOrder)
{
    CClipFolder folder;
    std::set<std::string> regular = kFolderMedia;
    regular.insert("notes.txt");
    EXPECT_EQ(ListFolderFiles(Utf8ToWide(folder.root)), folder.InListingOrder(regular));
    EXPECT_TRUE(ListFolderFiles(Utf8ToWide(folder.dir.File("missing"))).empty());
}

TEST(FolderScan, StartFolderIsTheGivenOneWhenListableElseTheVideosFolder)
{
    vxmtest::CTempDir dir;
    EXPECT_EQ(ProbeDefaultMediaFolder(Utf8ToWide(dir.Path())), Utf8ToWide(dir.Path()));
    const std::wstring videos = GetUserVideosFolder();
    EXPECT_EQ(ProbeDefaultMediaFolder(Utf8ToWide(dir.File("gone"))), videos);
    EXPECT_TRUE(fs::is_directory(WideToUtf8(videos)));
    EXPECT_EQ(ProbeDefaultMediaFolder(L""), videos);
    EXPECT_EQ(PendingFolderProbes(), 0);
}

TEST(FolderScan, AFolderThatAnswersLateIsLeftToFinishAndTheVideosFolderIsUsed)
{
    // The probe answers only when the test lets it: a choice that waited for it would never come.
    auto release = std::make_shared<CEvent>(true, false);
    std::wstring chosen = ProbeDefaultMediaFolder(L"/net/slow/share", std::chrono::milliseconds(100),
                                                  [release](const std::wstring&) {
                                                      release->Wait();
                                                      return true;
                                                  });
    EXPECT_EQ(chosen, GetUserVideosFolder());
    EXPECT_EQ(PendingFolderProbes(), 1) << "the late probe goes on by itself";
    release->Set();
    Pump([] { return PendingFolderProbes() == 0; });
    EXPECT_EQ(PendingFolderProbes(), 0) << "its end is joined";
}

TEST(RowPaths, WholePathPartsMatchAndEmptyMatchesNothing)
{
    EXPECT_TRUE(IsPathOfRow(L"/media/me/DVD", L"/media/me/DVD"));
    EXPECT_TRUE(IsPathOfRow(L"/media/me/DVD/", L"/media/me/DVD"));
    EXPECT_TRUE(IsPathOfRow(L"/media/me/DVD/VIDEO_TS", L"/media/me/DVD"));
    EXPECT_TRUE(IsPathOfRow(L"/media/me/DVD", L"/media/me/DVD/VIDEO_TS"));
    EXPECT_TRUE(IsPathOfRow(L"/dev/sr0", L"/dev/sr0"));
    EXPECT_FALSE(IsPathOfRow(L"/media/me/DVD", L"/media/me/DVD2"));
    EXPECT_FALSE(IsPathOfRow(L"/media/me/DVD2", L"/media/me/DVD"));
    EXPECT_FALSE(IsPathOfRow(L"/dev/sr0", L"/dev/sr1"));
    EXPECT_FALSE(IsPathOfRow(L"", L"/dev/sr0"));
    EXPECT_FALSE(IsPathOfRow(L"/dev/sr0", L""));
    EXPECT_FALSE(IsPathOfRow(L"", L""));
}

class CAddMediaTest : public CWindowFixture {
protected:
    std::vector<std::wstring> Sources() const
    {
        std::vector<std::wstring> out;
        for (const CRecordedRow& row : mainPane->rows) out.push_back(row.source);
        return out;
    }
    void WaitForRows(size_t count) { Pump([&] { return RowCount() >= count; }); }
};

TEST_F(CAddMediaTest, AddingAFolderAddsEveryClipOfItInListingOrder)
{
    CClipFolder folder;
    Open();
    desktop.files.folderAnswer = Utf8ToWide(folder.root);
    SendMessageW(hwnd, WM_COMMAND, 32782, 0);
    WaitForRows(kFolderMedia.size());
    Settle();
    // The text file reaches the handler, which refuses it.
    EXPECT_EQ(Sources(), folder.InListingOrder(kFolderMedia));
    for (const CRecordedRow& row : mainPane->rows) {
        EXPECT_EQ(row.position, -1);
        EXPECT_EQ(row.flags, 0u);
    }
    EXPECT_EQ(CVXMSettings::GetInstance()->DefaultMediaFolder, Utf8ToWide(folder.root));
}

TEST_F(CAddMediaTest, ChosenFilesAreAddedInDialogOrderAndTheirFolderIsKept)
{
    const auto& media = vxmtest::GetTestMedia();
    Open();
    desktop.files.openAnswer = {Utf8ToWide(media.mkv), Utf8ToWide(media.mp3), Utf8ToWide(media.corrupt)};
    SendMessageW(hwnd, WM_COMMAND, 32785, 0);
    WaitForRows(2);
    Settle();
    EXPECT_EQ(Sources(), (std::vector<std::wstring>{Utf8ToWide(media.mkv), Utf8ToWide(media.mp3)}));
    EXPECT_EQ(CVXMSettings::GetInstance()->DefaultMediaFolder, Utf8ToWide(media.folder));
    EXPECT_EQ(desktop.files.requests.back().filters.front().name, L"Media Files (all types)");
}

TEST_F(CAddMediaTest, ADroppedFileListAddsRowsWithWholeLongPaths)
{
    const auto& media = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    // A path well past 260 characters.
    std::string deep = dir.Path();
    while (deep.size() < 300) deep += "/a-rather-long-folder-name-" + std::to_string(deep.size());
    fs::create_directories(deep);
    const std::string longClip = deep + "/clip.mp4";
    fs::copy_file(media.mp4, longClip);
    ASSERT_GT(longClip.size(), 260u);
    Open();
    window->SelectPage(2);
    window->SelectPage(0);
    std::vector<std::wstring> dropped = {Utf8ToWide(media.mp3), Utf8ToWide(longClip)};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    WaitForRows(2);
    EXPECT_EQ(Sources(), dropped);
    EXPECT_EQ(window->GetPage(), 0);
}

// Folders are listed off the UI thread: each keeps its place among what was
// dropped with it, and one that is a DVD folder (its VIDEO_TS in any case)
// still opens as a disc.
TEST_F(CAddMediaTest, DroppedFoldersKeepTheirPlaceAndADVDFolderAmongThemOpensAsADisc)
{
    const auto& media = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    const std::string clips = dir.File("Vidéos d'été");
    fs::create_directories(clips);
    fs::copy_file(media.mp4, clips + "/Café déjà vu.mp4");
    fs::copy_file(media.mkv, clips + "/東京の夜 2.mkv");
    fs::copy_file(media.mp4, clips + "/🎬 clip.mp4");
    const std::string dvd = dir.File("DVD 夏");
    fs::create_directories(dvd + "/video_ts");
    std::ofstream(dvd + "/video_ts/VIDEO_TS.IFO") << "ifo";
    std::vector<std::wstring> expected;
    DIR* d = opendir(clips.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (e->d_name[0] != '.') expected.push_back(Utf8ToWide(clips + "/" + e->d_name));
    if (d) closedir(d);
    expected.push_back(Utf8ToWide(media.mp3));
    ASSERT_EQ(expected.size(), 4u);
    Open();
    discResult.opened = true;
    std::vector<std::wstring> dropped = {Utf8ToWide(clips), Utf8ToWide(media.mp3), Utf8ToWide(dvd)};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    WaitForRows(4);
    Pump([&] { return Has(log, "main: dvd titles"); });
    EXPECT_EQ(Sources(), expected);
    EXPECT_TRUE(Has(log, "main: remove rows of " + dvd));
    EXPECT_TRUE(Has(log, "dialog: open disc " + dvd));
}

TEST_F(CAddMediaTest, FilesDroppedOnThePlayerPlayTheFirstAndQueueTheRest)
{
    Open();
    window->SelectPage(2);
    log.clear();
    std::vector<std::wstring> dropped = {L"/m/one.mp4", L"/m/two.mp4", L"/m/three.mp4"};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    Settle();
    EXPECT_EQ(log, (std::vector<std::string>{"player: play /m/one.mp4", "player: queue /m/two.mp4", "player: queue /m/three.mp4"}));
    EXPECT_EQ(RowCount(), 0u);
}

TEST_F(CAddMediaTest, PasteTakesTheFileListBeforeTheText)
{
    const auto& media = vxmtest::GetTestMedia();
    Open();
    desktop.clipboard.ExternalChange(L"https://example.com/watch?v=1", {Utf8ToWide(media.wav)});
    EXPECT_TRUE(window->Paste(mainPane));
    WaitForRows(1);
    Settle();
    ASSERT_EQ(RowCount(), 1u);
    EXPECT_EQ(mainPane->rows[0].source, Utf8ToWide(media.wav));
    EXPECT_EQ(mainPane->rows[0].flags, 0u);
}

TEST_F(CAddMediaTest, APastedAddressBecomesAnOnlineRowAndAPastedPathAFileRow)
{
    const auto& media = vxmtest::GetTestMedia();
    Open();
    desktop.clipboard.ExternalChange(L"  https://example.com/watch?v=42\n");
    SendMessageW(hwnd, WM_COMMAND, 32805, 0);
    WaitForRows(1);
    ASSERT_EQ(RowCount(), 1u);
    EXPECT_EQ(mainPane->rows[0].source, L"https://example.com/watch?v=42");
    EXPECT_EQ(mainPane->rows[0].flags, 1u);
    EXPECT_EQ(mainPane->rows[0].position, -1);

    desktop.clipboard.ExternalChange(Utf8ToWide(media.mp3));
    EXPECT_TRUE(window->Paste(mainPane));
    WaitForRows(2);
    ASSERT_EQ(RowCount(), 2u);
    EXPECT_EQ(mainPane->rows[1].source, Utf8ToWide(media.mp3));
    EXPECT_EQ(mainPane->rows[1].flags, 0u);

    desktop.clipboard.ExternalChange(L"");
    EXPECT_FALSE(window->Paste(mainPane));
}

TEST_F(CAddMediaTest, ClipboardChangesPasteOnlyWhileMonitoringIsOn)
{
    Open();
    desktop.clipboard.ExternalChange(L"https://example.com/a");
    Settle();
    EXPECT_EQ(RowCount(), 0u);
    CVXMSettings::GetInstance()->MonitorClipboard = 1;
    desktop.clipboard.ExternalChange(L"https://example.com/b");
    WaitForRows(1);
    ASSERT_EQ(RowCount(), 1u);
    EXPECT_EQ(mainPane->rows[0].source, L"https://example.com/b");
}

TEST_F(CAddMediaTest, DroppedTextBecomesAnOnlineRowOnlyWhenItIsAnAddress)
{
    Open();
    auto post = [this](const std::wstring& text) {
        auto* copy = new wchar_t[text.size() + 1];
        std::copy(text.c_str(), text.c_str() + text.size() + 1, copy);
        PostMessageW(hwnd, WM_VXM_TEXT_DROPPED, 0, reinterpret_cast<LPARAM>(copy));
    };
    post(L"just some words");
    post(L"https://example.com/v/7");
    WaitForRows(1);
    Settle();
    ASSERT_EQ(RowCount(), 1u);
    EXPECT_EQ(mainPane->rows[0].source, L"https://example.com/v/7");
    EXPECT_EQ(mainPane->rows[0].flags, 1u);
}

TEST_F(CAddMediaTest, AddressesOfTheAddressDialogBecomeOnlineRowsInOrder)
{
    Open();
    urls = {L"https://example.com/1", L"https://example.com/2"};
    SendMessageW(hwnd, WM_COMMAND, 32787, 0);
    WaitForRows(2);
    ASSERT_EQ(RowCount(), 2u);
    EXPECT_EQ(mainPane->rows[0].source, L"https://example.com/1");
    EXPECT_EQ(mainPane->rows[1].source, L"https://example.com/2");
    EXPECT_EQ(mainPane->rows[1].flags, 1u);
}

TEST_F(CAddMediaTest, ATrackFileRequestOfARowThatWentOpensNothing)
{
    Open();
    desktop.log.entries.clear();
    PostMessageW(hwnd, WM_VXM_ADD_AUDIO_TRACK, 0x1234, 0);
    PostMessageW(hwnd, WM_VXM_ADD_SUBTITLE, 0, 0);
    Settle();
    for (const std::wstring& call : desktop.Calls()) EXPECT_EQ(call.find(L"Files.Open"), std::wstring::npos);
}

// ---- cue sheets -------------------------------------------------------------------------------

class CCueTest : public CAddMediaTest {
protected:
    // A 6-second WAV beside the sheet.
    std::string MakeAudio(const std::string& name)
    {
        const std::string wav = dir.File(name);
        EXPECT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=6", "-ac", "2", wav}));
        return wav;
    }
    std::string WriteSheet(const std::string& audioName, const std::string& tracks)
    {
        const std::string cue = dir.File("album.cue");
        std::ofstream(cue) << "PERFORMER \"The Band\"\nTITLE \"Live Album\"\nFILE \"" << audioName << "\" WAVE\n" << tracks;
        return cue;
    }
    vxmtest::CTempDir dir;
};

TEST_F(CCueTest, ACueSheetBecomesOneRowPerTrack)
{
    MakeAudio("album.wav");
    const std::string cue = WriteSheet("album.wav",
                                       "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    INDEX 01 00:00:00\n"
                                       "  TRACK 02 AUDIO\n    TITLE \"Middle\"\n    PERFORMER \"Guest\"\n    INDEX 01 00:02:00\n"
                                       "  TRACK 03 AUDIO\n    TITLE \"Closing\"\n    INDEX 01 00:04:00\n");
    Open();
    std::vector<std::wstring> dropped = {Utf8ToWide(cue)};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    WaitForRows(3);
    Settle();
    ASSERT_EQ(RowCount(), 3u);
    const auto& rows = mainPane->rows;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(rows[i].fromCue);
        EXPECT_EQ(rows[i].source, Utf8ToWide(dir.File("album.wav")));
        EXPECT_EQ(rows[i].cue.trackNumber, std::to_wstring(i + 1));
        EXPECT_EQ(rows[i].cue.album, L"Live Album");
    }
    EXPECT_EQ(rows[0].cue.performer, L"The Band");
    EXPECT_EQ(rows[1].cue.performer, L"Guest");
    EXPECT_EQ(rows[1].cue.title, L"Middle");
    EXPECT_EQ(rows[0].media->GetStartTime(), 0);
    EXPECT_EQ(rows[0].media->GetEndTime(), 2000);
    EXPECT_EQ(rows[1].media->GetStartTime(), 2000);
    EXPECT_EQ(rows[1].media->GetEndTime(), 4000);
    EXPECT_EQ(rows[1].media->GetOutputName(), L"Middle");
    // The last track runs to the end of the audio file.
    const int total = rows[2].media->GetClipLength() > 0 ? rows[2].media->GetEndTime() : 0;
    EXPECT_EQ(rows[2].media->GetStartTime(), 4000);
    EXPECT_NEAR(total, 6000, 100);
    EXPECT_TRUE(Has(log, "main: list tab"));
}

TEST_F(CCueTest, ATrackStartingPastTheAudiosEndIsEmptyNotNegative)
{
    MakeAudio("short.wav");
    const std::string cue = WriteSheet("short.wav",
                                       "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
                                       "  TRACK 02 AUDIO\n    TITLE \"Ghost\"\n    INDEX 01 00:09:00\n");
    Open();
    window->ImportCue(Utf8ToWide(cue));
    ASSERT_EQ(RowCount(), 2u);
    IVXMMedia* ghost = mainPane->rows[1].media;
    EXPECT_EQ(ghost->GetStartTime(), 9000);
    EXPECT_GE(ghost->GetEndTime(), ghost->GetStartTime());
    EXPECT_GE(ghost->GetDuration(), 0);
}

TEST_F(CCueTest, ASheetWhoseAudioIsMissingAddsNothing)
{
    const std::string cue = WriteSheet("nowhere.wav", "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n");
    Open();
    window->ImportCue(Utf8ToWide(cue));
    EXPECT_EQ(RowCount(), 0u);
    EXPECT_FALSE(Has(log, "main: list tab"));
    EXPECT_EQ(window->GetStatusText(), L"album.cue was not added: the cue sheet gives no track that can be read");
}

// ---- drives and discs -------------------------------------------------------------------------

// Drives whose discs carry labels, some of them reading CDs only.
class CLabelledDrives : public CFakeOpticalDrives {
public:
    explicit CLabelledDrives(CFakeDesktopLog& log) : CFakeOpticalDrives(log) {}
    bool ReadsDVD(const std::wstring& device) override { return !cdOnly.count(device); }
    std::set<std::wstring> cdOnly;
};

TEST(DriveChoice, WithoutADVDDriveItSaysSoAndOkStaysOff)
{
    CFakeDesktopLog log;
    CLabelledDrives drives(log);
    drives.drives = {COpticalDrive{L"/dev/sr0", L""}};
    drives.cdOnly = {L"/dev/sr0"};
    CDriveChoice choice(drives);
    choice.Fill();
    EXPECT_FALSE(choice.HasDrives());
    ASSERT_EQ(choice.GetEntries().size(), 1u);
    EXPECT_EQ(choice.GetEntries()[0].text, L"No usable DVD drive found");
    EXPECT_FALSE(choice.Validate());
    EXPECT_FALSE(choice.Eject());
    EXPECT_EQ(choice.GetDevice(), L"");
}

TEST(DriveChoice, ListsDVDDrivesWithLabelsAndFollowsDiscsComingAndGoing)
{
    CFakeDesktopLog log;
    CLabelledDrives drives(log);
    drives.drives = {COpticalDrive{L"/dev/sr0", L""}, COpticalDrive{L"/dev/sr1", L"/media/me/FILMS"}};
    drives.labels[L"/dev/sr1"] = L"FILMS";
    CDriveChoice choice(drives);
    choice.Fill();
    ASSERT_EQ(choice.GetEntries().size(), 2u);
    EXPECT_EQ(choice.GetEntries()[0].text, L"[sr0] ");
    EXPECT_EQ(choice.GetEntries()[1].text, L"[sr1] FILMS");
    EXPECT_EQ(choice.GetSelected(), 0);
    EXPECT_FALSE(choice.IsOkEnabled()) << "the first drive is empty";
    choice.Select(1);
    EXPECT_TRUE(choice.IsOkEnabled());
    EXPECT_EQ(choice.GetDevice(), L"/dev/sr1");

    drives.labels[L"/dev/sr0"] = L"HOLIDAY";
    EXPECT_TRUE(choice.OnNotice(EDeviceNotice::Arrival, COpticalDrive{L"/dev/sr0", L""}));
    EXPECT_EQ(choice.GetEntries()[0].text, L"[sr0] HOLIDAY");
    EXPECT_EQ(choice.GetSelected(), 0);
    EXPECT_TRUE(choice.IsOkEnabled());

    drives.labels.erase(L"/dev/sr0");
    EXPECT_TRUE(choice.OnNotice(EDeviceNotice::RemoveComplete, COpticalDrive{L"/dev/sr0", L""}));
    EXPECT_EQ(choice.GetEntries()[0].text, L"[sr0]");
    EXPECT_FALSE(choice.IsOkEnabled());
    EXPECT_FALSE(choice.OnNotice(EDeviceNotice::Arrival, COpticalDrive{L"/dev/sr7", L""}));
    drives.states[L"/dev/sr0"] = EDiscState::NoDisc;
    EXPECT_TRUE(choice.Eject());
    EXPECT_EQ(log.entries.back(), L"Drives.Eject: /dev/sr0");
}

TEST_F(CAddMediaTest, AChosenDriveOpensAsADiscAfterItsOldRowsGo)
{
    Open();
    chosenDrive = L"/dev/sr0";
    discResult.opened = true;
    SendMessageW(hwnd, WM_COMMAND, 32780, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"dialog: drive", "main: remove rows of /dev/sr0", "dialog: open disc /dev/sr0",
                                             "main: dvd titles"}));
    // An audio CD hands its tracks over.
    log.clear();
    discResult.audioCD = true;
    SendMessageW(hwnd, WM_COMMAND, 32780, 0);
    EXPECT_TRUE(Has(log, "main: cd tracks"));
    // Cancelled choice: nothing opens.
    log.clear();
    chosenDrive.clear();
    SendMessageW(hwnd, WM_COMMAND, 32780, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"dialog: drive"}));
}

TEST_F(CAddMediaTest, ADiscThatCannotBeReadSaysSoUnlessTheUserSkipped)
{
    Open();
    chosenDrive = L"/dev/sr0";
    discResult.opened = false;
    SendMessageW(hwnd, WM_COMMAND, 32780, 0);
    EXPECT_FALSE(Has(log, "main: dvd titles"));
    ASSERT_FALSE(desktop.Calls().empty());
    EXPECT_NE(desktop.Calls().back().find(L"Can not get DVD title information"), std::wstring::npos);
    desktop.log.entries.clear();
    discResult.cancelled = true;
    SendMessageW(hwnd, WM_COMMAND, 32780, 0);
    for (const std::wstring& call : desktop.Calls()) EXPECT_EQ(call.find(L"MessageBox"), std::wstring::npos);
}

TEST_F(CAddMediaTest, ADiscArrivingOnTheConverterPageOpens)
{
    desktop.drives.drives = {COpticalDrive{L"/dev/sr0", L"/media/me/DISC"}};
    Open();
    discResult.opened = true;
    // The drives' notice reaches the window by itself.
    desktop.drives.Notice(EDeviceNotice::Arrival, L"/dev/sr0");
    EXPECT_TRUE(Has(log, "main: remove rows of /dev/sr0"));
    EXPECT_TRUE(Has(log, "dialog: open disc /dev/sr0"));
    EXPECT_TRUE(Has(log, "main: dvd titles"));
}

}  // namespace

// ---- the disc-open window ---------------------------------------------------------------------

class CDVDOpenTest : public ::testing::Test {
protected:
    // Runs the window modally; the code it closed with.
    UINT Run(CDVDOpenDlgUI& dialog, const std::function<void(CDVDOpenDlgUI&)>& whileOpen = {})
    {
        ResetUIQuit();
        if (!dialog.Create(nullptr, L"VXMDVDOpenDlg", WS_POPUP | WS_VISIBLE, 0)) return 9999;
        if (whileOpen) {
            CDVDOpenDlgUI* d = &dialog;
            QTimer::singleShot(50, [d, whileOpen] { whileOpen(*d); });
        }
        UINT code = dialog.ShowModal();
        dialog.JoinWorker();
        return code;
    }
};

TEST_F(CDVDOpenTest, AnAnalysedDVDClosesTheWindowWithItsResult)
{
    CScriptedDVD dvd;
    CScriptedDisc disc;
    CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, &disc);
    EXPECT_EQ(Run(dialog), 0u);
    EXPECT_EQ(dialog.GetOpenResult(), 0);
    EXPECT_FALSE(dialog.IsAudioCD());
    EXPECT_FALSE(dialog.WasCancelled());
    EXPECT_NE(dvd.openThread, std::this_thread::get_id()) << "the analysis runs beside the UI thread";
}

TEST_F(CDVDOpenTest, NoDVDButReadableTracksIsAnAudioCD)
{
    CScriptedDVD dvd;
    dvd.titles = -1;
    CScriptedDisc disc;
    disc.opens = true;
    CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, &disc);
    EXPECT_EQ(Run(dialog), 0u);
    EXPECT_TRUE(dialog.IsAudioCD());
    EXPECT_EQ(disc.drive, L"/dev/sr0");
}

TEST_F(CDVDOpenTest, NeitherDVDNorCDEndsTheWindowWithoutADisc)
{
    CScriptedDVD dvd;
    dvd.titles = -1;
    CScriptedDisc disc;
    CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, &disc);
    EXPECT_EQ(Run(dialog), 0u);
    EXPECT_FALSE(dialog.IsAudioCD());
    EXPECT_EQ(dialog.GetOpenResult(), -1);
}

TEST_F(CDVDOpenTest, SkipCancelsTheAnalysisAndTheWindowWaitsForItsEnd)
{
    CScriptedDVD dvd;
    dvd.waitForCancel = true;
    CScriptedDisc disc;
    CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, &disc);
    UINT code = Run(dialog, [](CDVDOpenDlgUI& d) {
        CButtonUI skip;
        skip.SetName(L"ID_BUTTON_DVDOPEN_SKIP");
        TNotifyUI msg;
        msg.sType = L"click";
        msg.pSender = &skip;
        d.Notify(msg);
    });
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(dvd.cancelled);
    EXPECT_TRUE(dialog.WasCancelled());
    EXPECT_EQ(dialog.GetOpenResult(), -1);
}

// ---- with the program's own panes -------------------------------------------------------------

using AddMediaRoad = CProgramPanesTest;

TEST_F(AddMediaRoad, DroppedFilesAndAPastedAddressBecomeRowsOfTheConverterList)
{
    const auto& media = vxmtest::GetTestMedia();
    const int before = list->GetCount();

    std::vector<std::wstring> dropped = {Utf8ToWide(media.mp4), Utf8ToWide(media.mp3)};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    Pump([&] { return list->GetCount() >= before + 2; });
    EXPECT_EQ(list->GetCount(), before + 2);

    desktop.clipboard.ExternalChange(L"https://example.com/watch?v=road");
    EXPECT_TRUE(window->Paste(pane));
    Pump([&] { return list->GetCount() >= before + 3; });
    EXPECT_EQ(list->GetCount(), before + 3);
}

TEST(DriveChoiceWindow, ShowsTheChoiceAndFollowsANotice)
{
    CFakeDesktopLog log;
    CLabelledDrives drives(log);
    drives.drives = {COpticalDrive{L"/dev/sr0", L""}};
    ResetUIQuit();
    {
        CDlgSelectDVD dialog(drives);
        ASSERT_NE(dialog.Create(nullptr, L"VXMSelectDVDDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        CPaintManagerUI* pm = dialog.GetPaintManager();
        auto* combo = dynamic_cast<CComboUI*>(pm->FindControl(L"IDC_COMBO_DRIVES"));
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->GetCount(), 1);
        EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"[sr0] ");
        EXPECT_FALSE(pm->FindControl(L"IDOK")->IsEnabled());
        EXPECT_TRUE(pm->FindControl(L"IDC_BUTTON_EJECT")->IsEnabled());

        // A disc arrives: its label shows and OK can be pressed.
        drives.labels[L"/dev/sr0"] = L"HOLIDAY";
        drives.Notice(EDeviceNotice::Arrival, L"/dev/sr0");
        EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"[sr0] HOLIDAY");
        EXPECT_TRUE(pm->FindControl(L"IDOK")->IsEnabled());
        dialog.DestroyWindow();
        PumpPending();
    }
    {
        drives.cdOnly = {L"/dev/sr0"};
        CDlgSelectDVD dialog(drives);
        ASSERT_NE(dialog.Create(nullptr, L"VXMSelectDVDDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        CPaintManagerUI* pm = dialog.GetPaintManager();
        auto* combo = dynamic_cast<CComboUI*>(pm->FindControl(L"IDC_COMBO_DRIVES"));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->GetItemAt(0)->GetText(), L"No usable DVD drive found");
        EXPECT_FALSE(combo->IsEnabled());
        EXPECT_FALSE(pm->FindControl(L"IDOK")->IsEnabled());
        EXPECT_FALSE(pm->FindControl(L"IDC_BUTTON_LOAD")->IsEnabled());
        dialog.DestroyWindow();
        PumpPending();
    }
    ResetUIQuit();
}
