// The audio tag editor on real files of several formats, some as other
// programs leave them: the edits and a cover reach the file (read back by
// TagLib, ffprobe and mutagen, every tag of the file with the new value only)
// with the audio decoding as before, every other item of the file's tags as
// it was (a back cover, ReplayGain frames, iTunes' media kind, a lyrics
// frame's description, an empty comment, attributes of several values), and
// the conversion that ends afterwards writes the edited tags into its
// output. Files tagged in ways TagLib stops on show in the row and the
// editor what other readers see; a title edit changes the title only, for
// mutagen, or keeps the editor open with the reason and the file as it was.
#include "EditMusicDlg.h"
#include "MainFrameMessages.h"
#include "MainPaneUI.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"
#include "MediaTags.h"
#include "VXMMediaExports.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/pump.h"
#include "support/tag_files.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

class CSongMedia : public CStubMedia {
public:
    std::wstring GetSourcePath() const override { return source; }
    std::wstring GetSourceTitle() const override { return L"song"; }
    std::wstring GetOutputPath() const override { return output; }
    std::wstring GetThumbnailPath() const override { return thumbnail; }
    void SetThumbnailPath(const std::wstring& path) override { thumbnail = path; }
    std::wstring source;
    std::wstring output;
    std::wstring thumbnail;
};

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "key=value" lines of the container's and the streams' tags, and a line
// "attached_pic=1" per cover stream, as ffprobe reports them; keys in lower
// case (Vorbis comments carry them in upper case).
std::string Probe(const std::string& path)
{
    std::string out;
    vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries",
                         "format_tags=title,artist,album,genre:stream_tags=title,artist,album,genre:stream_disposition=attached_pic",
                         "-of", "default=nw=1:nk=0", path},
                        &out);
    for (size_t line = 0; line < out.size();) {
        const size_t equals = out.find('=', line);
        if (equals == std::string::npos) break;
        for (size_t i = line; i < equals; ++i)
            if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
        const size_t end = out.find('\n', equals);
        line = end == std::string::npos ? out.size() : end + 1;
    }
    return out;
}

struct CFormat {
    const char* extension;
    std::vector<std::string> codec;
    std::vector<std::string> tags;   // where mutagen finds the values ("~": the text fields only)
    const char* kind = "";           // as another program leaves the file (tag_files.py make KIND)
    std::vector<std::string> kept = {};  // mutagen's lines of other values the file keeps
    const wchar_t* old[3] = {L"Old Title", L"Old Artist", L"Old Album"};  // as the file holds them
};

const char* const kAllFields = "title,artist,album,comment,genre,year,track,lyrics,cover";

class CTagEditorTest : public ::testing::TestWithParam<CFormat> {
protected:
    void SetUp() override
    {
        const CFormat& f = GetParam();
        source = dir.File(std::string("song.") + f.extension);
        std::vector<std::string> args = {"-f", "lavfi", "-i", "sine=frequency=440:duration=1"};
        args.insert(args.end(), f.codec.begin(), f.codec.end());
        for (const char* tag : {"title=Old Title", "artist=Old Artist", "album=Old Album"}) {
            args.push_back("-metadata");
            args.push_back(tag);
        }
        args.push_back(source);
        ASSERT_TRUE(vxmtest::RunFfmpeg(args));
        if (*f.kind) {
            ASSERT_TRUE(vxmtest::MakeTagFile(f.kind, source));
        }
        cover = dir.File("cover.png");
        ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "color=c=red:s=32x32", "-frames:v", "1", cover}));
        media.source = Utf8ToWide(source);
        pane = std::make_unique<CMainPaneUI>(nullptr, nullptr, false);
        pane->BuildPane();
        row = pane->AddFileRow(-1, &media);
        ASSERT_NE(row, nullptr);
    }
    void TearDown() override { pane.reset(); }

    std::unique_ptr<CEditMusicDlg> OpenEditor()
    {
        auto dialog = std::make_unique<CEditMusicDlg>(row);
        EXPECT_NE(dialog->Create(nullptr, L"VXMEditMusicDlg", WS_POPUP, 0), nullptr);
        return dialog;
    }
    static CControlUI* Control(CEditMusicDlg& d, const wchar_t* name) { return d.GetPaintManager()->FindControl(name); }
    static void Click(CEditMusicDlg& d, const wchar_t* name)
    {
        d.GetPaintManager()->SendNotify(Control(d, name), DUI_MSGTYPE_CLICK);
    }
    // OK: the file is written off the UI thread, which serves events until it ends.
    static void ClickOk(CEditMusicDlg& d)
    {
        Click(d, L"ID_BUTTON_OK");
        vxmtest::PumpUntil([&] { return !d.IsSaving(); });
    }

    vxmtest::CTempDir dir;
    std::string source;
    std::string cover;
    CSongMedia media;  // outlives the pane and its row
    CFakeDesktop desktop;
    std::unique_ptr<CMainPaneUI> pane;
    CMediaListItemUI* row = nullptr;
};

TEST_P(CTagEditorTest, EditsAndCoverReachTheFileAndTheLaterConversionOutput)
{
    const CFormat& f = GetParam();
    ASSERT_TRUE(row->HasTags());
    const std::string audio = vxmtest::DecodedAudioMd5(source);
    const std::string items = vxmtest::MutagenItems(source, kAllFields);
    const std::string length = vxmtest::ProbedLength(source);
    auto editor = OpenEditor();
    EXPECT_EQ(Control(*editor, L"IDC_EDIT_TITLE")->GetText(), f.old[0]);
    EXPECT_EQ(Control(*editor, L"ID_L_ARTIST")->GetText(), f.old[1]);
    EXPECT_TRUE(Control(*editor, L"ID_LAYOUT_LISTTAG")->IsVisible());
    EXPECT_FALSE(Control(*editor, L"ID_LAYOUT_RIGHT")->IsVisible());
    Click(*editor, L"IDC_LABEL_EDIT_MUSIC");
    EXPECT_EQ(editor->GetView(), 1);
    EXPECT_TRUE(Control(*editor, L"ID_LAYOUT_RIGHT")->IsVisible());
    EXPECT_FALSE(Control(*editor, L"ID_LAYOUT_LISTTAG")->IsVisible());

    // Reset brings back the row's values.
    Control(*editor, L"IDC_EDIT_TITLE")->SetText(L"typo");
    Click(*editor, L"ID_BUTTON_RESET");
    EXPECT_EQ(Control(*editor, L"IDC_EDIT_TITLE")->GetText(), f.old[0]);

    const std::vector<std::pair<const wchar_t*, std::wstring>> edits = {
        {L"IDC_EDIT_TITLE", L"Night Caf\u00e9"}, {L"IDC_EDIT_ARTIST", L"The Edits"}, {L"IDC_EDIT_ALBUM", L"Second Take"},
        {L"IDC_EDIT_YEAR", L"2024"},           {L"IDC_EDIT_TRACK", L"7"},         {L"IDC_EDIT_GENRE", L"Jazz"},
        {L"IDC_EDIT_COMMENT", L"edited here"},   {L"IDC_EDIT_LYDRIC", L"la la la"}};
    for (const auto& [name, text] : edits) Control(*editor, name)->SetText(text);
    desktop.files.openAnswer = {Utf8ToWide(cover)};
    Click(*editor, L"IDC_EDIT_IMG");
    EXPECT_EQ(row->GetShownImage(), Utf8ToWide(cover));
    EXPECT_EQ(Control(*editor, L"IDC_EDIT_IMG")->GetBkImage(), Utf8ToWide(cover));
    ClickOk(*editor);
    EXPECT_EQ(row->GetTags().title, L"Night Caf\u00e9");

    // TagLib reads the edits and the cover back from the source.
    VXM_MEDIA_TAGS read;
    const std::string coverOut = dir.File("cover-read.bin");
    ASSERT_EQ(ReadMediaTagsFromFile(media.source, read, Utf8ToWide(coverOut)), 1);
    EXPECT_EQ(read.title, L"Night Caf\u00e9");
    EXPECT_EQ(read.artist, L"The Edits");
    EXPECT_EQ(read.album, L"Second Take");
    EXPECT_EQ(read.year, L"2024");
    EXPECT_EQ(read.track, L"7");
    EXPECT_EQ(read.genre, L"Jazz");
    EXPECT_EQ(read.comment, L"edited here");
    EXPECT_EQ(read.lyrics, L"la la la");
    EXPECT_EQ(ReadBytes(coverOut), ReadBytes(cover));
    // And so does ffprobe, cover stream included.
    const std::string probed = Probe(source);
    EXPECT_NE(probed.find("title=Night Caf\xc3\xa9"), std::string::npos) << probed;
    EXPECT_NE(probed.find("album=Second Take"), std::string::npos) << probed;
    EXPECT_NE(probed.find("attached_pic=1"), std::string::npos) << probed;
    // And so does mutagen, in every tag of the file, and the audio is as it was.
    EXPECT_EQ(vxmtest::MutagenTags(source),
              vxmtest::MutagenLines(f.tags, {{"title", "Night Caf\xc3\xa9"}, {"artist", "The Edits"},
                                             {"album", "Second Take"}, {"year", "2024"}, {"track", "7"},
                                             {"genre", "Jazz"}, {"comment", "edited here"}, {"lyrics", "la la la"},
                                             {"cover", vxmtest::Md5OfFile(cover)}},
                                  f.kept));
    EXPECT_EQ(vxmtest::DecodedAudioMd5(source), audio);
    // Every item that holds none of the fields is as it was, and players take the same length.
    EXPECT_EQ(vxmtest::MutagenItems(source, kAllFields), items);
    EXPECT_EQ(vxmtest::ProbedLength(source), length);

    // A conversion that ends now writes the edited tags into its untagged output.
    const std::string output = dir.File(std::string("converted.") + GetParam().extension);
    std::vector<std::string> convert = {"-i", source, "-map", "0:a", "-map_metadata", "-1"};
    convert.insert(convert.end(), GetParam().codec.begin(), GetParam().codec.end());
    convert.push_back(output);
    ASSERT_TRUE(vxmtest::RunFfmpeg(convert));
    media.output = Utf8ToWide(output);
    pane->OnJobFinished(&media, 0);
    vxmtest::PumpUntil([&] { return !row->IsSavingTags(); });
    VXM_MEDIA_TAGS converted;
    ASSERT_EQ(ReadMediaTagsFromFile(media.output, converted, L""), 1);
    EXPECT_EQ(converted.title, L"Night Caf\u00e9");
    EXPECT_EQ(converted.artist, L"The Edits");
    EXPECT_EQ(converted.track, L"7");
    EXPECT_NE(Probe(output).find("artist=The Edits"), std::string::npos);

    // Once converted, an edit goes into the output and leaves the source alone.
    ASSERT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
    auto again = OpenEditor();
    Control(*again, L"IDC_EDIT_TITLE")->SetText(L"After");
    ClickOk(*again);
    ASSERT_EQ(ReadMediaTagsFromFile(media.output, converted, L""), 1);
    EXPECT_EQ(converted.title, L"After");
    ASSERT_EQ(ReadMediaTagsFromFile(media.source, read, L""), 1);
    EXPECT_EQ(read.title, L"Night Caf\u00e9");
}

TEST_P(CTagEditorTest, ATitleEditChangesNothingElseOfTheFile)
{
    const std::string items = vxmtest::MutagenItems(source, "title");
    const std::string audio = vxmtest::DecodedAudioMd5(source);
    const std::string length = vxmtest::ProbedLength(source);
    auto editor = OpenEditor();
    Control(*editor, L"IDC_EDIT_TITLE")->SetText(L"Night Caf\u00e9");
    ClickOk(*editor);
    ASSERT_EQ(row->GetTags().title, L"Night Caf\u00e9");
    // The cover, the lyrics' frame and every other item stay as they were (a
    // tag made for the title, where the file had none, holds nothing else) ...
    EXPECT_EQ(vxmtest::OfKindsIn(vxmtest::MutagenItems(source, "title"), items), items);
    EXPECT_EQ(vxmtest::DecodedAudioMd5(source), audio);
    EXPECT_EQ(vxmtest::ProbedLength(source), length);
    // ... and every tag of the file has the new title.
    const std::string tags = vxmtest::MutagenTags(source);
    EXPECT_NE(tags.find("title=Night Caf\xc3\xa9"), std::string::npos) << tags;
    EXPECT_EQ(tags.find("title=Old"), std::string::npos) << tags;
}

TEST_P(CTagEditorTest, CancelKeepsTheRowButTheChosenCoverAndDroppedTextIsSwallowed)
{
    auto editor = OpenEditor();
    Control(*editor, L"IDC_EDIT_ARTIST")->SetText(L"Never Stored");
    desktop.files.openAnswer = {Utf8ToWide(cover)};
    Click(*editor, L"IDC_EDIT_IMG");
    BOOL handled = FALSE;
    editor->HandleCustomMessage(WM_VXM_TEXT_DROPPED, 0, reinterpret_cast<LPARAM>(new wchar_t[8]{L"http"}), handled);
    EXPECT_TRUE(handled);
    Click(*editor, L"ID_BUTTON_CANCEL");
    EXPECT_EQ(row->GetTags().artist, GetParam().old[1]);
    EXPECT_EQ(row->GetTags().cover, Utf8ToWide(cover));
    EXPECT_EQ(row->GetShownImage(), Utf8ToWide(cover));
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(media.source, read, L""), 1);
    EXPECT_EQ(read.artist, GetParam().old[1]);
}

TEST_P(CTagEditorTest, ASourceBeingConvertedByAnotherRowIsNotWrittenButTheRowKeepsTheEdit)
{
    CSongMedia twin;
    twin.source = media.source;
    CMediaListItemUI* other = pane->AddFileRow(-1, &twin);
    ASSERT_NE(other, nullptr);
    other->SetStatus(ITEM_STATUS_CONVERTING);
    auto editor = OpenEditor();
    Control(*editor, L"IDC_EDIT_ALBUM")->SetText(L"Held Back");
    Click(*editor, L"ID_BUTTON_OK");
    EXPECT_EQ(row->GetTags().album, L"Held Back");
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(media.source, read, L""), 1);
    EXPECT_EQ(read.album, GetParam().old[2]);
    pane.reset();  // the rows go before their media
}

TEST_P(CTagEditorTest, ACueTrackKeepsTheSheetsTagsInItsCloneAndAnEditNeverReachesTheSheetsAudioFile)
{
    IVXMMedia* track = CreateVXMMediaObject(nullptr);
    ASSERT_NE(track, nullptr);
    track->SetSourcePath(media.source);
    ASSERT_GE(track->Probe(), 0);
    ASSERT_TRUE(pane->AddCueTrackRow(track, CCueRowInfo{L"The Band", L"Live Album", L"Opening", L"1", {}, {}}));
    CMediaListUI* list = pane->GetMediaList();
    CMediaListItemUI* cueRow = list->FindItem(track);
    ASSERT_NE(cueRow, nullptr);
    EXPECT_TRUE(cueRow->IsFromCueSheet());
    EXPECT_FALSE(row->IsFromCueSheet());
    EXPECT_EQ(cueRow->GetTags().title, L"Opening");

    // A clone is a track of the same sheet.
    TNotifyUI clone;
    clone.sType = L"item_clone";
    clone.pSender = cueRow;
    pane->Notify(clone);
    CMediaListItemUI* copy = list->GetMediaItem(list->GetCount() - 1);
    ASSERT_NE(copy, cueRow);
    EXPECT_TRUE(copy->IsFromCueSheet());
    EXPECT_EQ(copy->GetTags().title, L"Opening");
    EXPECT_EQ(copy->GetTags().album, L"Live Album");
    EXPECT_EQ(copy->GetTags().track, L"1");

    auto editor = std::make_unique<CEditMusicDlg>(cueRow);
    ASSERT_NE(editor->Create(nullptr, L"VXMEditMusicDlg", WS_POPUP, 0), nullptr);
    Control(*editor, L"IDC_EDIT_TITLE")->SetText(L"Opening (edited)");
    Click(*editor, L"ID_BUTTON_OK");
    EXPECT_EQ(cueRow->GetTags().title, L"Opening (edited)");
    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(media.source, read, L""), 1);
    EXPECT_EQ(read.title, GetParam().old[0]);
    EXPECT_EQ(read.album, GetParam().old[2]);
}

const std::vector<std::string> kMp3 = {"-c:a", "libmp3lame", "-b:a", "64k"};
const std::vector<std::string> kAac = {"-c:a", "aac", "-b:a", "64k"};
const std::vector<std::string> kVorbis = {"-c:a", "libvorbis", "-q:a", "1"};

// A file tagged "Old Title", "Old Artist", "Old Album" as another program
// leaves it, some in ways TagLib 1.13 stops on.
struct CTaggedFile {
    const char* name;
    std::vector<std::string> codec;  // ffmpeg's; none: the kind makes the whole file
    const char* kind;                // tag_files.py make KIND
    const wchar_t* told;             // after the file's name when the save is refused; null: it is saved
    bool shown = true;               // false: no reader finds the old values whole (the row need not show them)
};

const wchar_t* const kNoWriter = L": this program writes no tags into files of this kind";
const wchar_t* const kUnreadable = L" (some of the tags the file holds cannot be read";
const wchar_t* const kItemsLost = L" (other tags the file holds would have been lost)";

const CTaggedFile kTaggedFiles[] = {
    {"Caf\xc3\xa9 iTunes.mp3", kMp3, "itunnorm", nullptr},
    {"Caf\xc3\xa9 empty POPM.mp3", kMp3, "empty-popm-first", nullptr},
    {"Caf\xc3\xa9 empty TYER.mp3", kMp3, "empty-tyer-first", nullptr},
    {"Caf\xc3\xa9 two tags.mp3", kMp3, "two-id3v2", kUnreadable},
    {"Caf\xc3\xa9 v2.3 and INFO.wav", {"-c:a", "pcm_s16le"}, "bwf-v23", nullptr},
    {"Caf\xc3\xa9.flac", {"-c:a", "flac"}, "zero-block", kUnreadable},
    {"Caf\xc3\xa9.mka", {"-c:a", "libvorbis"}, "", kNoWriter},
    {"Caf\xc3\xa9.dsf", {}, "dsf", kNoWriter},
    {"Caf\xc3\xa9.dff", {}, "dsdiff", kNoWriter},
    {"Caf\xc3\xa9.m4a", {"-c:a", "aac"}, "colon-name", nullptr},
    {"Caf\xc3\xa9.wv", {"-c:a", "wavpack"}, "ape-size-beyond-items", kItemsLost, false},
    {"Caf\xc3\xa9.aiff", {"-c:a", "pcm_s16be"}, "cut-sound", L" (writing them would have changed the audio)", false},
};

TEST(CTagEditorKinds, TheRowShowsWhatOtherReadersSeeAndATitleEditKeepsEveryOtherItemOrLeavesTheFileAsItWas)
{
    for (const CTaggedFile& c : kTaggedFiles) {
        SCOPED_TRACE(c.name);
        vxmtest::CTempDir dir;
        CFakeDesktop desktop;
        const std::string song = dir.File(c.name);
        if (!c.codec.empty()) {
            std::vector<std::string> args = {"-f", "lavfi", "-i", "sine=duration=1"};
            args.insert(args.end(), c.codec.begin(), c.codec.end());
            for (const char* tag : {"title=Old Title", "artist=Old Artist", "album=Old Album"})
                args.insert(args.end(), {"-metadata", tag});
            args.push_back(song);
            ASSERT_TRUE(vxmtest::RunFfmpeg(args));
        }
        if (*c.kind) {
            ASSERT_TRUE(vxmtest::MakeTagFile(c.kind, song));
        }
        const std::string before = ReadBytes(song);
        const std::string items = vxmtest::MutagenItems(song, "title");
        const std::string audio = vxmtest::DecodedAudioMd5(song);
        // Added as the program adds a file: probed by the engine.
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        ASSERT_NE(media, nullptr);
        media->SetSourcePath(Utf8ToWide(song));
        ASSERT_GE(media->Probe(), 0);
        auto pane = std::make_unique<CMainPaneUI>(nullptr, nullptr, false);
        pane->BuildPane();
        CMediaListItemUI* row = pane->AddFileRow(-1, media);
        ASSERT_NE(row, nullptr);
        ASSERT_TRUE(row->HasTags());
        CEditMusicDlg dialog(row);
        ASSERT_NE(dialog.Create(nullptr, L"VXMEditMusicDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        const std::pair<const wchar_t*, std::wstring VXM_MEDIA_TAGS::*> shown[] = {
            {L"IDC_EDIT_TITLE", &VXM_MEDIA_TAGS::title}, {L"IDC_EDIT_ARTIST", &VXM_MEDIA_TAGS::artist},
            {L"IDC_EDIT_ALBUM", &VXM_MEDIA_TAGS::album}, {L"IDC_EDIT_COMMENT", &VXM_MEDIA_TAGS::comment}};
        const std::wstring seen[] = {L"Old Title", L"Old Artist", L"Old Album", L""};
        for (size_t i = 0; c.shown && i < std::size(shown); ++i) {
            EXPECT_EQ(row->GetTags().*shown[i].second, seen[i]);
            EXPECT_EQ(dialog.GetPaintManager()->FindControl(shown[i].first)->GetText(), seen[i]);
        }
        dialog.GetPaintManager()->FindControl(L"IDC_EDIT_TITLE")->SetText(L"Night Caf\u00e9");
        dialog.GetPaintManager()->SendNotify(dialog.GetPaintManager()->FindControl(L"ID_BUTTON_OK"), DUI_MSGTYPE_CLICK);
        vxmtest::PumpUntil([&] { return !dialog.IsSaving(); });
        vxmtest::PumpPending();  // a close request, had one been made
        std::vector<std::wstring> boxes;
        for (const std::wstring& call : desktop.Calls())
            if (call.rfind(L"MessageBox.Show", 0) == 0) boxes.push_back(call);
        if (!c.told) {
            // Saved: only the title changed for mutagen, and the audio did not.
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(row->GetTags().title, L"Night Caf\u00e9");
            EXPECT_EQ(vxmtest::MutagenItems(song, "title"), items);
            const std::string tags = vxmtest::MutagenTags(song);
            EXPECT_NE(tags.find(" title=Night Caf\xc3\xa9\n"), std::string::npos) << tags;
            EXPECT_EQ(vxmtest::DecodedAudioMd5(song), audio);
        } else {
            EXPECT_TRUE(IsWindow(dialog.GetHWND()) && dialog.GetWidget()->isVisible());
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_NE(boxes[0].find(Utf8ToWide(song) + c.told), std::wstring::npos) << WideToUtf8(boxes[0]);
            EXPECT_NE(row->GetTags().title, L"Night Caf\u00e9");
            EXPECT_TRUE(ReadBytes(song) == before);
            dialog.Close(1);
            vxmtest::PumpPending();
        }
        pane.reset();  // its list releases the media
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CTagEditorTest,
    ::testing::Values(CFormat{"mp3", kMp3, {"id3"}}, CFormat{"m4a", kAac, {"mp4"}},
                      CFormat{"flac", {"-c:a", "flac"}, {"xiph"}}, CFormat{"ogg", kVorbis, {"xiph"}},
                      CFormat{"mp3", kMp3, {"id3"}, "v24-tyer"}, CFormat{"mp3", kMp3, {"id3"}, "twice-tpe1"},
                      CFormat{"mp3", kMp3, {"ape~", "id3"}, "ape-beside-id3"},
                      CFormat{"opus", {"-c:a", "libopus", "-b:a", "64k"}, {"xiph"}},
                      CFormat{"wav", {"-c:a", "pcm_s16le"}, {"id3"}, "zero-data", {}, {L"", L"", L""}},
                      // As taggers and stores leave them: RVA2 in a v2.3 tag, a described lyrics frame, two
                      // pictures, an empty PRIV; iTunes' stik and hdvd; an empty comment and an ID3v1 block
                      // in a FLAC; DATE beside YEAR; attributes of several values.
                      CFormat{"mp3", kMp3, {"id3"}, "picard-v23"}, CFormat{"mp3", kMp3, {"id3"}, "picard-v24"},
                      CFormat{"mp3", {"-c:a", "libmp3lame", "-id3v2_version", "0"}, {"id3", "id3v1~"}, "id3v1-only"},
                      CFormat{"flac", {"-c:a", "flac"}, {"id3v1~", "xiph"}, "flac-picard"},
                      CFormat{"ogg", kVorbis, {"xiph"}, "ogg-two-pictures"},
                      CFormat{"m4a", kAac, {"mp4"}, "m4a-itunes", {"mp4 composer=Composer X"}},
                      CFormat{"wv", {"-c:a", "wavpack"}, {"ape"}, "ape-year-date"},
                      CFormat{"wma", {"-c:a", "wmav2"}, {"asf"}, "wma-multi"},
                      CFormat{"spx", {"-c:a", "libspeex"}, {"xiph"}},
                      CFormat{"aiff", {"-c:a", "pcm_s16be", "-write_id3v2", "1"}, {"id3"}, "",
                              {"aiff title=Night Caf\xc3\xa9"}}),
    [](const auto& info) {
        std::string name = std::string(info.param.extension) + "_" + info.param.kind;
        std::replace(name.begin(), name.end(), '-', '_');
        return name.back() == '_' ? name.substr(0, name.size() - 1) : name;
    });

}  // namespace
