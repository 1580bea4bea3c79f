// The play list without a player: adding, removing before, at and after the
// current entry, clearing, resume positions and where each play mode goes.
#include "PlayerCommandLine.h"
#include "PlayerPlaylist.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring> Paths(const CPlayerPlaylist& list)
{
    std::vector<std::wstring> out;
    for (int i = 0; i < static_cast<int>(list.Size()); ++i) out.push_back(list.At(i)->Path);
    return out;
}

}  // namespace

TEST(Playlist, AListedPathIsNotAddedAgainAndTheFirstChosenBecomesCurrent)
{
    CPlayerPlaylist list;
    EXPECT_EQ(list.Add({L"/m/b.mp4"}), std::vector<int>{0});
    EXPECT_EQ(list.Add({L"/m/a.mp4", L"/m/b.mp4", L"/m/c.mp4"}), (std::vector<int>{1, 2}));
    EXPECT_EQ(Paths(list), (std::vector<std::wstring>{L"/m/b.mp4", L"/m/a.mp4", L"/m/c.mp4"}));
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_EQ(list.At(1)->DisplayName, L"a.mp4");
    // A path differing only in case is another entry.
    EXPECT_EQ(list.Add({L"/m/A.mp4"}).size(), 1u);
    EXPECT_EQ(MakePlaylistEntry(L"dvdnav://").DisplayName, L"");
}

TEST(Playlist, RemovingMovesTheCurrentEntryOnlyWhenAtOrBeforeIt)
{
    CPlayerPlaylist list;
    list.Add({L"/0", L"/1", L"/2", L"/3", L"/4"});
    list.SetCurrentIndex(2);
    ASSERT_TRUE(list.Remove(4));  // after: stays
    EXPECT_EQ(list.Current()->Path, L"/2");
    ASSERT_TRUE(list.Remove(0));  // before: the same entry stays current
    EXPECT_EQ(list.Current()->Path, L"/2");
    EXPECT_EQ(list.CurrentIndex(), 1);
    ASSERT_TRUE(list.Remove(1));  // at: the one before becomes current
    EXPECT_EQ(list.Current()->Path, L"/1");
    EXPECT_FALSE(list.Remove(7));
    EXPECT_FALSE(list.Remove(-1));
    ASSERT_TRUE(list.Remove(0));
    EXPECT_EQ(list.Current()->Path, L"/3");
    ASSERT_TRUE(list.Remove(0));
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Current(), nullptr);
}

TEST(Playlist, AnswersAfterClearingReachNoEntry)
{
    CPlayerPlaylist list;
    list.Add({L"/a", L"/b"});
    list.SetCurrentIndex(1);
    list.SetCurrentResume(42.9);
    EXPECT_EQ(list.At(1)->ResumeSeconds, 42);
    list.Clear();
    EXPECT_EQ(list.CurrentIndex(), 0);
    list.SetCurrentResume(12.0);  // a position answer still queued
    list.ClearCurrentResume();    // an end of file still queued
    EXPECT_TRUE(list.Empty());
    list.SetCurrentIndex(5);
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_REPEAT_ALL, nullptr), -1);
}

TEST(Playlist, EachPlayModeGoesOnItsWay)
{
    CPlayerPlaylist list;
    list.Add({L"/a", L"/b", L"/c"});
    auto third = [](int n) { return n - 1; };
    list.SetCurrentIndex(1);
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_ONCE, third), -1);
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_SEQUENTIAL, third), 2);
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_RANDOM, third), 2);
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_REPEAT_ONE, third), -1);  // it loops inside the player
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_REPEAT_ALL, third), 2);
    list.SetCurrentIndex(2);
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_SEQUENTIAL, third), -1);  // the last entry ends it
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_REPEAT_ALL, third), 0);   // and repeat-all starts again
    EXPECT_EQ(list.NextAfterEnd(PLAY_MODE_RANDOM, [](int) { return 99; }), 0);
}
