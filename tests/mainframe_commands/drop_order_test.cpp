// The rows of one drop come in the order of the dropped items, whatever the
// listing and probing speed: a folder's files at the folder's place, a cue
// sheet's tracks at the sheet's place, a folder that only looks like a disc
// at its place, a disc's titles before what was dropped after it; and Remove
// All during a listing leaves no late rows.
#include "program_panes.h"
#include "recording_panes.h"

#include "WorkPool.h"
#include "support/test_media.h"

#include <dirent.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The regular files of `folder` in the order it lists them.
std::vector<std::string> Listed(const std::string& folder)
{
    std::vector<std::string> out;
    DIR* d = opendir(folder.c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (fs::is_regular_file(folder + "/" + e->d_name)) out.push_back(folder + "/" + e->d_name);
    if (d) closedir(d);
    return out;
}

// A sheet of two tracks over `audio` (a name beside it).
void WriteSheet(const std::string& path, const std::string& audio)
{
    std::ofstream(path) << "PERFORMER \"Ensemble Été\"\nTITLE \"夜の歌\"\nFILE \"" << audio << "\" WAVE\n"
                        << "  TRACK 01 AUDIO\n    TITLE \"Un\"\n    INDEX 01 00:00:00\n"
                        << "  TRACK 02 AUDIO\n    TITLE \"Deux 🎵\"\n    INDEX 01 00:01:00\n";
}

class CDropOrderTest : public CWindowFixture {
protected:
    // Each row as its source, cue tracks marked.
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> out;
        for (const CRecordedRow& row : mainPane->rows) out.push_back((row.fromCue ? "cue " : "") + Narrow(row.source));
        return out;
    }
    void Drop(const std::vector<std::string>& paths)
    {
        std::vector<std::wstring> dropped;
        for (const std::string& path : paths) dropped.push_back(Utf8ToWide(path));
        SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    }
    // Waits for `count` rows and for the work on the pool, then serves what was posted.
    void WaitForRows(size_t count)
    {
        Pump([&] { return RowCount() >= count && MediaWorkPool().Pending() == 0; });
        Settle();
    }
    vxmtest::CTempDir dir;
};

TEST_F(CDropOrderTest, CueSheetsInADropAndInADroppedFolderGiveTheirTracksAtTheirPlace)
{
    const auto& media = vxmtest::GetTestMedia();
    const std::string loose = dir.File("Café.mp4");
    fs::copy_file(media.mp4, loose);
    const std::string folder = dir.File("東京の夜");
    fs::create_directories(folder);
    fs::copy_file(media.mp4, folder + "/🎬 a.mp4");
    fs::copy_file(media.wav, folder + "/night.wav");
    fs::copy_file(media.mkv, folder + "/b.mkv");
    WriteSheet(folder + "/Live 🎸.cue", "night.wav");
    fs::copy_file(media.wav, dir.File("album été.wav"));
    const std::string sheet = dir.File("Album été.cue");
    WriteSheet(sheet, "album été.wav");
    const std::string last = dir.File("fin 🎶.mp3");
    fs::copy_file(media.mp3, last);

    std::vector<std::string> expected = {loose};
    for (const std::string& file : Listed(folder)) {
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".cue") == 0) {
            expected.insert(expected.end(), 2, "cue " + folder + "/night.wav");
        } else {
            expected.push_back(file);
        }
    }
    expected.insert(expected.end(), 2, "cue " + dir.File("album été.wav"));
    expected.push_back(last);

    Open();
    Drop({loose, folder, sheet, last});
    WaitForRows(expected.size());
    EXPECT_EQ(Rows(), expected);
}

// A folder with a VIDEO_TS entry but no disc adds its files at its place; a
// real DVD folder's titles come before what was dropped after it, even while
// the disc window serves the window's messages.
TEST_F(CDropOrderTest, AFolderThatOnlyLooksLikeADiscAndARealDVDKeepTheirPlace)
{
    const auto& media = vxmtest::GetTestMedia();
    const std::string lookalike = dir.File("Vidéos 🎬");
    fs::create_directories(lookalike + "/VIDEO_TS");
    fs::copy_file(media.mp4, lookalike + "/Café.mp4");
    fs::copy_file(media.mkv, lookalike + "/東京の夜.mkv");
    const std::string one = dir.File("un.mp3");
    fs::copy_file(media.mp3, one);
    const std::string dvd = dir.File("DVD 夏");
    fs::create_directories(dvd + "/video_ts");
    std::ofstream(dvd + "/video_ts/VIDEO_TS.IFO") << "ifo";
    const std::string two = dir.File("deux.mp4");
    fs::copy_file(media.mp4, two);

    std::vector<std::string> expected;
    for (const std::string& file : Listed(lookalike)) expected.push_back("main: add " + file + " -1 0");
    expected.push_back("main: add " + one + " -1 0");
    expected.push_back("main: remove rows of " + dvd);
    expected.push_back("main: dvd titles");
    expected.push_back("main: add " + two + " -1 0");

    Open();
    discResult.opened = true;
    dialogs.openDisc = [this](HWND, const std::wstring&) {
        // As the modal disc window: the window's messages are served meanwhile.
        Settle();
        return discResult;
    };
    log.clear();
    Drop({lookalike, one, dvd, two});
    WaitForRows(4);
    Pump([&] { return Has(log, "main: dvd titles"); });
    std::vector<std::string> seen;
    for (const std::string& entry : log)
        if (entry.rfind("main: add ", 0) == 0 || entry.rfind("main: remove rows", 0) == 0 || entry == "main: dvd titles")
            seen.push_back(entry);
    EXPECT_EQ(seen, expected);
}

TEST_F(CDropOrderTest, ALargeFolderDroppedBeforeASmallOneKeepsItsRowsFirst)
{
    const auto& media = vxmtest::GetTestMedia();
    const std::string large = dir.File("Grand dossier 🎞");
    fs::create_directories(large);
    for (int i = 0; i < 2000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/clip été %04d.mp4", i);
        fs::create_hard_link(media.mp4, large + name);
    }
    const std::string small = dir.File("小さい");
    fs::create_directories(small);
    fs::copy_file(media.mp3, small + "/Café.mp3");
    fs::copy_file(media.wav, small + "/夜.wav");
    const std::string loose = dir.File("fin.mkv");
    fs::copy_file(media.mkv, loose);

    std::vector<std::string> expected = Listed(large);
    for (const std::string& file : Listed(small)) expected.push_back(file);
    expected.push_back(loose);
    ASSERT_EQ(expected.size(), 2003u);

    Open();
    Drop({large, small, loose});
    WaitForRows(expected.size());
    EXPECT_EQ(Rows(), expected);
}

}  // namespace

// Remove All while a large folder's files are still probed and posted: no
// row comes after it, and what is dropped next arrives.
using DropOrderRoad = CProgramPanesTest;

TEST_F(DropOrderRoad, RemoveAllDuringAListingLeavesNoLateRows)
{
    const auto& media = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    const std::string folder = dir.File("Vidéos 東京 🎬");
    fs::create_directories(folder);
    for (int i = 0; i < 1000; ++i) fs::create_hard_link(media.mp4, folder + "/clip " + std::to_string(i) + ".mp4");

    std::vector<std::wstring> dropped = {Utf8ToWide(folder)};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    Pump([&] { return list->GetCount() >= 1; });
    list->RemoveAllItems();
    EXPECT_EQ(list->GetCount(), 0);
    Pump([] { return MediaWorkPool().Pending() == 0; });
    PumpPending();
    EXPECT_EQ(list->GetCount(), 0) << "rows came after Remove All";

    // What is dropped next arrives.
    dropped = {Utf8ToWide(media.mp3)};
    SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(&dropped), 0);
    Pump([&] { return list->GetCount() >= 1; });
    EXPECT_EQ(list->GetCount(), 1);
}
