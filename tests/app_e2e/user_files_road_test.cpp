// What the program does with the user's own files, through the real main
// window: a typed output folder is where the output goes (an unwritable one
// is refused and the old one kept); a trim made in the clip editor shows in
// the row and its settings; an MP3 with a cover is an audio row
// whose thumbnail is the cover; a new cover replaces the old one; a tag write
// that fails (a read-only file, a write cut short) tells the user and leaves
// the file byte for byte as it was; the conversion's history line has no
// video part and keeps the cover as its picture; an output of the Opus
// profile gets the row's tags. Files that cannot be read are named in the
// status bar, not added; a deleted source, a full disk and a refused file
// fail their rows with why while the next rows convert, a phone's portrait
// clip among them upright; rows work after Join and Unjoin; a row without
// audio leaves the others theirs.
#include "DBHelper.h"
#include "EditMusicDlg.h"
#include "MediaHandler.h"
#include "MediaListItemUI.h"
#include "MediaTags.h"
#include "VXMGlobal.h"
#include "MainFrameCommands.h"
#include "MainFrameMessages.h"
#include "ProfileSettingsPaneUI.h"
#include "PropListItemUI.h"
#include "VXMMediaExports.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "program_window.h"
#include "support/tag_files.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

namespace {

[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment();

using vxmtest::PumpUntil;

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The row of a file added as the user adds it.
CMediaListItemUI* AddThroughHandler(CProgramWindow& program, const std::string& file)
{
    const int before = program.list->GetCount();
    EXPECT_NE(CMediaHandler::GetInstance()->AddFile(Utf8ToWide(file), -1, 0), nullptr);
    PumpUntil([&] { return program.list->GetCount() == before + 1; });
    return program.list->GetMediaItem(before);
}

void ConvertAll(CProgramWindow& program)
{
    CControlUI* convert = program.window->GetPaintManager()->FindControl(L"ID_BTN_CONVERT");
    ASSERT_NE(convert, nullptr);
    program.window->GetPaintManager()->SendNotify(convert, L"click");
    PumpUntil([&] { return !program.pane->IsConverting() && !program.pane->Queue().IsRunning(); });
}

// The user presses a button of a row.
void Press(CControlUI* button)
{
    TEventUI e;
    e.Type = UIEVENT_BUTTONUP;
    e.pSender = button;
    button->Event(e);
}

std::vector<std::wstring> MessageBoxes(const CFakeDesktop& desktop)
{
    std::vector<std::wstring> out;
    for (const std::wstring& entry : desktop.log.entries)
        if (entry.rfind(L"MessageBox.Show", 0) == 0) out.push_back(entry);
    return out;
}

// The settings pane once it shows the selected row's media.
CProfileSettingsPaneUI* ShownSettings(CProgramWindow& program, IVXMMedia* media)
{
    auto* settings = dynamic_cast<CProfileSettingsPaneUI*>(program.pane->GetProfileSettingsPane());
    if (settings) PumpUntil([&] { return settings->GetMedia() == media; });
    return settings;
}

TEST(UserFilesRoad, ATypedOutputFolderIsTakenWhenCommittedAndAnUnwritableOneIsRefused)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("Caf\xc3\xa9 d\xc3\xa9j\xc3\xa0 vu.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 1.0));
    CProgramWindow program(dir.File("default out"));
    ASSERT_TRUE(program.IsUp());
    CMediaListItemUI* row = AddThroughHandler(program, clip);
    ASSERT_NE(row, nullptr);
    IVXMMedia* media = row->GetMedia();
    CProfileSettingsPaneUI* settings = ShownSettings(program, media);
    ASSERT_NE(settings, nullptr);
    CPropListItemUI* folderRow = settings->GetRow(CProfileSettingsPaneUI::kFolder);
    ASSERT_NE(folderRow, nullptr);
    CEditUI* field = folderRow->GetTextControl();
    ASSERT_TRUE(field && field->IsEnabled());
    CPaintManagerUI* manager = program.window->GetPaintManager();
    auto type = [&](const std::wstring& text) {
        field->SetText(text);
        manager->SendNotify(field, DUI_MSGTYPE_RETURN);
    };

    // "~" is the home folder; the folder is made at once.
    type(L"~/V\u00eddeos/\u6771\u4eac out/");
    const std::wstring typed = GetUserHomeFolder() + L"/V\u00eddeos/\u6771\u4eac out";
    EXPECT_EQ(folderRow->GetValueText(), typed);
    EXPECT_EQ(media->GetOutputFolder(), typed);
    EXPECT_TRUE(std::filesystem::is_directory(WideToUtf8(typed)));
    EXPECT_TRUE(MessageBoxes(desktop).empty());

    // A folder nothing can be written to is refused with the program's words;
    // the row keeps the folder it had.
    type(L"/proc/vxm output");
    ASSERT_EQ(MessageBoxes(desktop).size(), 1u);
    EXPECT_NE(MessageBoxes(desktop)[0].find(L"/proc/vxm output cannot be written to"), std::wstring::npos)
        << MessageBoxes(desktop)[0];
    EXPECT_EQ(folderRow->GetValueText(), typed);
    EXPECT_EQ(media->GetOutputFolder(), typed);

    // The output goes where the field says.
    ConvertAll(program);
    ASSERT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
    const std::string output = WideToUtf8(media->GetOutputPath());
    EXPECT_EQ(std::filesystem::path(output).parent_path(), PathFromWide(typed));
    EXPECT_TRUE(std::filesystem::exists(output));
    EXPECT_FALSE(std::filesystem::exists(dir.File("default out")) &&
                 !std::filesystem::is_empty(dir.File("default out")));
}

// A clip of 4.972 s is five seconds long wherever its length shows: the row,
// the settings' length and stop time; a trim shows there too.
TEST(UserFilesRoad, ATrimMadeInTheClipEditorShowsInTheRowsLengthAndItsSettings)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("\xe6\x9d\xb1\xe4\xba\xac trim.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=250:duration=4.972", "-f", "lavfi",
                                    "-i", "sine=frequency=440:sample_rate=44100:duration=4.972", "-shortest", clip}));
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    CMediaListItemUI* row = AddThroughHandler(program, clip);
    ASSERT_NE(row, nullptr);
    IVXMMedia* media = row->GetMedia();
    ASSERT_EQ(media->GetDuration(), 4972);
    CProfileSettingsPaneUI* settings = ShownSettings(program, media);
    ASSERT_NE(settings, nullptr);
    CControlUI* length = program.window->GetPaintManager()->FindSubControlByName(row, L"ID_LABEL_MEDIA_DURATION");
    ASSERT_NE(length, nullptr);
    auto shownTime = [&](CProfileSettingsPaneUI::ERow setting) {
        CPropListItemUI* item = settings->GetRow(setting);
        return item && item->GetTimeControl() ? item->GetTimeControl()->GetText() : std::wstring(L"(none)");
    };
    EXPECT_EQ(length->GetText(), L"00:00:05.0");
    EXPECT_EQ(shownTime(CProfileSettingsPaneUI::kDuration), L"00:00:05.0");
    EXPECT_EQ(shownTime(CProfileSettingsPaneUI::kEnd), L"00:00:05.0");

    // The editor keeps 1.5 s to 4 s and tells the main window, as it does on OK.
    media->SetStartTime(1500);
    media->SetEndTime(4000);
    PostMessageW(program.hwnd, WM_VXM_CLIP_CHANGED, reinterpret_cast<WPARAM>(media), 0);
    vxmtest::PumpPending();
    EXPECT_EQ(length->GetText(), L"00:00:02.5");
    CPropListItemUI* start = settings->GetRow(CProfileSettingsPaneUI::kStart);
    CPropListItemUI* end = settings->GetRow(CProfileSettingsPaneUI::kEnd);
    ASSERT_TRUE(start && end);
    EXPECT_EQ(start->GetTime(), 1500);
    EXPECT_EQ(end->GetTime(), 4000);
    EXPECT_EQ(shownTime(CProfileSettingsPaneUI::kEnd), L"00:00:04.0");
}

// The tag editor as the user meets it from the row's button, driven by a script.
class CScriptedTagEditor {
public:
    using Script = std::function<bool(CEditMusicDlg&)>;  // true: the dialog is expected closed
    explicit CScriptedTagEditor(Script script) : m_script(std::move(script))
    {
        CMediaListItemUI::SetTagEditor([this](CMediaListItemUI* row) {
            CEditMusicDlg dialog(row);
            EXPECT_NE(dialog.Create(nullptr, L"VXMEditMusicDlg", WS_POPUP, 0), nullptr);
            const bool closes = m_script(dialog);
            vxmtest::PumpUntil([&] { return !dialog.IsSaving(); });  // the file is written off the UI thread
            vxmtest::PumpPending();  // the close request, when made
            stillOpen = IsWindow(dialog.GetHWND());
            EXPECT_EQ(stillOpen, !closes);
            return stillOpen ? 1 : 0;
        });
    }
    ~CScriptedTagEditor() { CMediaListItemUI::SetTagEditor(RunEditMusicDialog); }
    bool stillOpen = false;

private:
    Script m_script;
};

void Click(CEditMusicDlg& dialog, const wchar_t* name)
{
    dialog.GetPaintManager()->SendNotify(dialog.GetPaintManager()->FindControl(name), DUI_MSGTYPE_CLICK);
}

void SetField(CEditMusicDlg& dialog, const wchar_t* name, const std::wstring& text)
{
    dialog.GetPaintManager()->FindControl(name)->SetText(text);
}

// The pictures of the file's ID3v2 tag: type and bytes.
std::vector<std::pair<int, std::string>> Pictures(const std::string& file)
{
    std::vector<std::pair<int, std::string>> out;
    TagLib::MPEG::File mp3(file.c_str());
    if (!mp3.hasID3v2Tag()) return out;
    for (TagLib::ID3v2::Frame* frame : mp3.ID3v2Tag()->frameList("APIC"))
        if (auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            out.push_back({picture->type(), std::string(picture->picture().data(), picture->picture().size())});
    return out;
}

// Writes beyond `bytes` fail in this process for the scope, as on a full disk.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

TEST(UserFilesRoad, AnMp3WithACoverIsAnAudioRowWhoseCoverIsReplacedAndWhoseFailedWritesChangeNothing)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    const std::string oldCover = dir.File("old cover.jpg");
    const std::string newCover = dir.File("nouvelle pochette.png");
    const std::string song = dir.File("\xe6\x9d\xb1\xe4\xba\xac\xe3\x81\xae\xe5\xa4\x9c 2.mp3");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "color=c=blue:s=300x300", "-frames:v", "1", oldCover}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=64x64", "-frames:v", "1", newCover}));
    // As most tools store a cover: a picture of type "Other".
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-i", oldCover, "-map",
                                    "0:a", "-map", "1:v", "-c:a", "libmp3lame", "-c:v", "copy", "-id3v2_version", "3",
                                    "-metadata", "title=Old Title", song}));
    ASSERT_EQ(Pictures(song).size(), 1u);

    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    CMediaListItemUI* row = AddThroughHandler(program, song);
    ASSERT_NE(row, nullptr);
    IVXMMedia* media = row->GetMedia();

    // An audio row: the cover is no video stream; it is the row's picture.
    EXPECT_EQ(media->GetVideoStream(), nullptr);
    EXPECT_EQ(media->GetVideoStreamCount(), 0);
    EXPECT_EQ(media->GetAudioTrackCount(), 1);
    CControlUI* edit = program.window->GetPaintManager()->FindSubControlByName(row, L"ID_BUTTON_ITEM_EDIT");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->IsVisible());
    EXPECT_EQ(row->GetShownImage(), media->GetThumbnailPath());
    EXPECT_EQ(ReadBytes(WideToUtf8(row->GetShownImage())), ReadBytes(oldCover));
    EXPECT_EQ(row->GetTags().title, L"Old Title");

    // A new cover: one front cover afterwards, the new one.
    {
        desktop.files.openAnswer = {Utf8ToWide(newCover)};
        CScriptedTagEditor editor([&](CEditMusicDlg& dialog) {
            Click(dialog, L"IDC_EDIT_IMG");
            Click(dialog, L"ID_BUTTON_OK");
            return true;
        });
        Press(edit);
    }
    std::vector<std::pair<int, std::string>> pictures = Pictures(song);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].first, TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    EXPECT_EQ(pictures[0].second, ReadBytes(newCover));
    EXPECT_TRUE(MessageBoxes(desktop).empty());

    // A read-only file: the user hears of it; file and row stay as they were.
    const std::string before = ReadBytes(song);
    ASSERT_EQ(chmod(song.c_str(), 0444), 0);
    {
        CScriptedTagEditor editor([&](CEditMusicDlg& dialog) {
            SetField(dialog, L"IDC_EDIT_TITLE", L"Never Written");
            Click(dialog, L"ID_BUTTON_OK");
            return false;
        });
        Press(edit);
        EXPECT_TRUE(editor.stillOpen);
    }
    ASSERT_EQ(MessageBoxes(desktop).size(), 1u);
    EXPECT_NE(MessageBoxes(desktop)[0].find(L"could not be written"), std::wstring::npos) << MessageBoxes(desktop)[0];
    EXPECT_NE(MessageBoxes(desktop)[0].find(Utf8ToWide(song)), std::wstring::npos);
    EXPECT_EQ(ReadBytes(song), before);
    EXPECT_EQ(row->GetTags().title, L"Old Title");
    struct stat st {};
    ASSERT_EQ(stat(song.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    // A write cut short (the disk fills up half-way): the same, and no copy is left beside it.
    ASSERT_EQ(chmod(song.c_str(), 0640), 0);
    {
        CFileSizeLimit full(before.size() / 2);
        CScriptedTagEditor editor([&](CEditMusicDlg& dialog) {
            SetField(dialog, L"IDC_EDIT_TITLE", L"Cut Short");
            Click(dialog, L"ID_BUTTON_OK");
            return false;
        });
        Press(edit);
    }
    ASSERT_EQ(MessageBoxes(desktop).size(), 2u);
    EXPECT_EQ(ReadBytes(song), before);
    EXPECT_EQ(row->GetTags().title, L"Old Title");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) entries += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 3);  // the two covers and the song

    // A write that goes through keeps the file's mode and times.
    const std::filesystem::file_time_type written = std::filesystem::last_write_time(song);
    {
        CScriptedTagEditor editor([&](CEditMusicDlg& dialog) {
            SetField(dialog, L"IDC_EDIT_TITLE", L"New Title");
            Click(dialog, L"ID_BUTTON_OK");
            return true;
        });
        Press(edit);
    }
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(Utf8ToWide(song), read, L""), 1);
    EXPECT_EQ(read.title, L"New Title");
    ASSERT_EQ(stat(song.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::filesystem::last_write_time(song), written);

    // Converted to MP3, its history line has no video part and the cover as its picture.
    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    IProfileGroup* mp3 = catalogue->FindGroupByName(L"mp3");
    ASSERT_NE(mp3, nullptr);
    IProfile* profile = mp3->GetProfile(0);
    ASSERT_NE(profile, nullptr);
    IProfileCategory* audio = catalogue->FindCategoryById(catalogue->FindCategoryIndexByName(L"audio"));
    ASSERT_NE(audio, nullptr);
    row->SetProfile(profile->GetId(), mp3->GetId(), audio->GetId());
    ConvertAll(program);
    ASSERT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
    CDBHelper* db = CDBHelper::GetInstance();
    ASSERT_TRUE(db->GetConvertedRecords(CDBHelper::HistoryProfileName(catalogue, profile)));
    VXM_HISTORY_RECORD record;
    ASSERT_TRUE(db->ReadConvertedRecord(record));
    while (record.firstPath != Utf8ToWide(song) && db->ReadConvertedRecord(record)) {
    }
    ASSERT_EQ(record.firstPath, Utf8ToWide(song));
    EXPECT_EQ(record.videoText, L"");
    EXPECT_NE(record.audioText.find(L"MP3"), std::wstring::npos) << WideToUtf8(record.audioText);
    ASSERT_FALSE(record.thumbnailPath.empty());
    EXPECT_EQ(ReadBytes(WideToUtf8(record.thumbnailPath)), ReadBytes(newCover));

    // Added again and converted with the catalogue's Opus profile: the output
    // has the row's tags as mutagen reads them.
    IProfileGroup* other = catalogue->FindGroupByName(L"other_audio");
    ASSERT_NE(other, nullptr);
    IProfile* opus = nullptr;
    for (int i = 0; i < other->GetProfileCount() && !opus; ++i)
        if (other->GetProfile(i)->GetFileExt() == L"opus") opus = other->GetProfile(i);
    ASSERT_NE(opus, nullptr);
    CMediaListItemUI* again = AddThroughHandler(program, song);
    ASSERT_NE(again, nullptr);
    VXM_MEDIA_TAGS held = again->GetTags();
    EXPECT_EQ(held.title, L"New Title");
    held.title = L"Opus Title";  // the row's own value, not the source's
    again->SetTags(held);
    again->SetProfile(opus->GetId(), other->GetId(), audio->GetId());
    ConvertAll(program);
    ASSERT_EQ(again->GetStatus(), ITEM_STATUS_DONE);
    const std::string opusOutput = WideToUtf8(again->GetMedia()->GetOutputPath());
    ASSERT_EQ(opusOutput.substr(opusOutput.size() - 5), ".opus");
    const std::string seen = vxmtest::MutagenTags(opusOutput);
    EXPECT_NE(seen.find("xiph title=Opus Title\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("xiph cover=" + vxmtest::Md5OfFile(newCover)), std::string::npos) << seen;
}

int AudioTracksOf(const std::wstring& file)
{
    IVXMMedia* probe = CreateVXMMediaObject(nullptr);
    probe->SetSourcePath(file);
    const int tracks = probe->Probe() >= 0 ? probe->GetAudioTrackCount() : -1;
    probe->Release();
    return tracks;
}

TEST(UserFilesRoad, FailuresSayWhyWhileTheNextRowsConvertAndEveryRowStaysUsable)
{
    CFakeDesktop desktop;
    vxmtest::CTempDir dir;
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    std::ofstream(dir.File("empty.mkv"));
    std::ofstream(dir.File("notes.mkv")) << "These are notes, not a film.\n";
    std::filesystem::copy_file(vxmtest::GetTestMedia().corrupt, dir.File("cut short.mp4"));
    std::vector<std::wstring> dropped;
    for (const char* name : {"empty.mkv", "notes.mkv", "cut short.mp4", "gone.mp4", "refused.mp4", "full.mp4",
                             "Caf\xc3\xa9.mp4", "\xe6\x9d\xb1\xe4\xba\xac.mp4", "portrait.mp4"}) {
        if (dropped.size() >= 3) {
            ASSERT_TRUE(vxmtest::MakeVideoClip(dir.File(name), dropped.size() == 5 ? 3.0 : 1.0));
        }
        dropped.push_back(Utf8ToWide(dir.File(name)));
    }
    // The last a phone's portrait clip: stored on its side with a display matrix.
    std::filesystem::rename(dir.File("portrait.mp4"), dir.File("stored.mp4"));
    ASSERT_TRUE(vxmtest::RunFfmpeg(
        {"-i", dir.File("stored.mp4"), "-c", "copy", "-metadata:s:v:0", "rotate=90", dir.File("portrait.mp4")}));
    SendMessageW(program.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    PumpUntil([&] { return program.list->GetCount() == 6; });
    EXPECT_EQ(program.window->GetStatusText(), L"3 files were not added. The first, empty.mkv: the file is empty");
    std::vector<CMediaListItemUI*> rows;
    for (int i = 0; i < 6; ++i) rows.push_back(program.list->GetMediaItem(i));
    CPaintManagerUI* manager = program.window->GetPaintManager();
    // The status bar's tooltip names every one of them with why.
    const std::wstring tip = manager->FindControl(L"ID_LABEL_STATUS_BOTTOM")->GetToolTip() + L"\n";
    for (const wchar_t* line : {L"empty.mkv: the file is empty\n", L"notes.mkv: it holds no audio or video the program can read\n",
                                L"cut short.mp4: it holds no audio or video the program can read\n"})
        EXPECT_NE(tip.find(line), std::wstring::npos) << WideToUtf8(tip);
    EXPECT_EQ(std::count(tip.begin(), tip.end(), L'\n'), 3);

    // A disk of 16 KB where the test may mount one, else a limit of 16 KB on the files written.
    const std::string disk = dir.File("full disk");
    std::filesystem::create_directory(disk);
    const bool mounted = mount("vxmtest", disk.c_str(), "tmpfs", 0, "size=16k") == 0;
    {
        auto limit = mounted ? nullptr : std::make_unique<CFileSizeLimit>(16 << 10);
        rows[2]->GetMedia()->SetOutputFolder(Utf8ToWide(disk));
        Press(manager->FindSubControlByName(rows[2], L"ID_BUTTON_ITEM_CONVER_START"));
        PumpUntil([&] { return rows[2]->GetStatus() == ITEM_STATUS_FAILED; });
    }
    if (mounted) umount2(disk.c_str(), MNT_DETACH);
    const std::wstring full = mounted ? L"No space left on device" : L"File too large";
    EXPECT_EQ(rows[2]->GetStatusText(), L"Failed");
    EXPECT_NE(rows[2]->GetStatusToolTip().find(full), std::wstring::npos) << WideToUtf8(rows[2]->GetStatusToolTip());
    EXPECT_NE(program.window->GetStatusText().find(full), std::wstring::npos);
    // The retry, with room on the disk, takes the name the failed try had.
    const std::wstring failedName = rows[2]->GetMedia()->GetOutputPath();
    EXPECT_FALSE(std::filesystem::exists(PathFromWide(failedName)));
    Press(manager->FindSubControlByName(rows[2], L"ID_BUTTON_ITEM_CONVER_START"));
    PumpUntil([&] { return rows[2]->GetStatus() == ITEM_STATUS_DONE; });
    EXPECT_EQ(rows[2]->GetMedia()->GetOutputPath(), failedName);
    EXPECT_TRUE(std::filesystem::exists(PathFromWide(failedName)));
    // The user's own stop is no failure.
    Press(manager->FindSubControlByName(rows[2], L"ID_BUTTON_ITEM_CONVER_START"));
    Press(manager->FindSubControlByName(rows[2], L"ID_BUTTON_ITEM_CONVERT_STOP"));
    PumpUntil([&] { return !rows[2]->IsStopping() && !program.pane->IsConverting(); });
    EXPECT_EQ(rows[2]->GetStatusText(), L"Cancelled");
    rows[2]->SetChecked(false);

    // "No audio" on one row changes neither the list's choice nor the other rows'.
    IProfile* listProfile = program.list->GetCurrentProfile();
    listProfile->SetAudioDisabled(1);
    auto* combo = dynamic_cast<CComboUI*>(manager->FindSubControlByName(rows[4], L"ID_COMBO_AUDIO_TRACK"));
    combo->SelectItem(combo->GetCount() - 2);
    EXPECT_EQ(listProfile->IsAudioDisabled(), 1);
    listProfile->SetAudioDisabled(0);

    std::filesystem::remove(dir.File("gone.mp4"));
    std::ofstream(dir.File("refused.mp4"), std::ios::trunc) << std::string(4096, 'x');
    ConvertAll(program);
    EXPECT_EQ(rows[0]->GetStatusText(), L"Failed");
    EXPECT_EQ(rows[0]->GetStatusToolTip(), L"The source file " + dropped[3] + L" is no longer there.");
    EXPECT_EQ(rows[1]->GetStatusText(), L"Failed");
    EXPECT_NE(rows[1]->GetStatusToolTip().find(L"Invalid data found"), std::wstring::npos);
    EXPECT_EQ(program.window->GetStatusText(), L"The conversion of refused failed: " + rows[1]->GetStatusToolTip());
    for (int i = 3; i < 6; ++i) {
        ASSERT_EQ(rows[i]->GetStatus(), ITEM_STATUS_DONE) << i;
        EXPECT_EQ(AudioTracksOf(rows[i]->GetMedia()->GetOutputPath()), i == 4 ? 0 : 1) << i;
    }
    // The portrait clip's output is upright, with no matrix left to turn it again.
    std::string shown;
    vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                         "stream=width,height:stream_side_data=rotation", "-of", "csv=p=0",
                         WideToUtf8(rows[5]->GetMedia()->GetOutputPath())},
                        &shown);
    EXPECT_EQ(shown, "120,160\n");

    // Joined and unjoined, each row converts anew and goes with its own buttons.
    for (int i = 0; i < 3; ++i) program.list->RemoveItem(rows[i]);
    program.window->OnCommand(ID_JOIN_ALL);
    program.window->OnCommand(ID_UNJOIN_ALL);
    for (int i = 3; i < 6; ++i) {
        const std::wstring before = rows[i]->GetMedia()->GetOutputPath();
        const auto written = std::filesystem::last_write_time(WideToUtf8(before));
        CControlUI* start = manager->FindSubControlByName(rows[i], L"ID_BUTTON_ITEM_CONVER_START");
        ASSERT_TRUE(start->IsEnabled()) << i;
        Press(start);
        PumpUntil([&] {
            const std::wstring now = rows[i]->GetMedia()->GetOutputPath();
            return rows[i]->GetStatus() == ITEM_STATUS_DONE && !program.pane->IsConverting() &&
                   (now != before || std::filesystem::last_write_time(WideToUtf8(now)) != written);
        });
        CControlUI* remove = manager->FindSubControlByName(rows[i], L"ID_BUTTON_ITEM_REMOVE");
        ASSERT_TRUE(remove->IsEnabled()) << i;
        Press(remove);
    }
    EXPECT_EQ(program.list->GetCount(), 0);
}

}  // namespace
