// A row's own output profile: the chooser's choice, the icon and tooltip.
#include "list_fixture.h"
#include "VXMSettings.h"

namespace {

class RowProfile : public ConvertList {
protected:
    void SetUp() override
    {
        ConvertList::SetUp();
        video.profiles = {&mp4, &avi};
        audioOnly.profiles = {&mp3};
        catalogue.groups = {&video, &audioOnly};
        list->SetProfileManager(&catalogue);
        profile.desc = L"List default";
    }
    CFakeProfile mp4{7, L"MP4 video"};
    CFakeProfile avi{8, L"AVI video"};
    CFakeProfile mp3{20, L"MP3 audio"};
    CFakeGroup video{3, L"video.png", 0};
    CFakeGroup audioOnly{4, L"music.png", 1};
    CFakeCatalogue catalogue;
};

CControlUI* NoAudioRow(CControlUI* combo)
{
    auto* c = static_cast<CComboUI*>(combo);
    for (int i = 0; i < c->GetCount(); ++i)
        if (c->GetItemAt(i)->GetName() == L"ID_NO_AUDIO") return c->GetItemAt(i);
    return nullptr;
}

TEST_F(RowProfile, ChosenProfileBecomesTheRowsOwnCopy)
{
    profile.sizeMode = true;
    profile.sourceBitrate = true;
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    EXPECT_EQ(row->GetProfile(), &profile);
    row->SetProfile(7, 3, 1);
    auto* own = dynamic_cast<CFakeProfile*>(row->GetProfile());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->clonedFrom, &mp4);
    EXPECT_EQ(own->GetDesc(), L"MP4 video");
    // The list profile's editor flags go with the copy.
    EXPECT_TRUE(own->sizeMode);
    EXPECT_TRUE(own->sourceBitrate);
    EXPECT_EQ(row->GetProfileId(), 7);
    EXPECT_EQ(row->GetGroupId(), 3);
    EXPECT_EQ(row->GetCategoryId(), 1);
    CControlUI* button = Sub(row, L"ID_BUTTON_ITEM_OUTPUT_FORMAT");
    EXPECT_EQ(button->GetToolTip(), L"Output to MP4 video");
    EXPECT_EQ(button->GetBkImage(), L"file='profile_wnd/icons/small/video.png'");
    // Starting the row converts with its own profile.
    row->StartConvert();
    EXPECT_EQ(converted.size(), 1u);
}

TEST_F(RowProfile, SameIdOrUnknownIdChangesNothing)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    row->SetProfile(7, 3, 1);
    IProfile* first = row->GetProfile();
    row->SetProfile(7, 4, 2);  // same profile: not even the group changes
    EXPECT_EQ(row->GetProfile(), first);
    EXPECT_EQ(row->GetGroupId(), 3);
    row->SetProfile(99, 4, 2);  // not in the catalogue: the row keeps its profile
    EXPECT_EQ(row->GetProfile(), first);
    EXPECT_EQ(row->GetProfileId(), 7);
    EXPECT_EQ(row->GetGroupId(), 3);
}

// A joined row gives its track to the output whose sound the first row decides.
TEST_F(RowProfile, AJoinedRowsAudioFollowsTheFirstRow)
{
    std::vector<CMediaListItemUI*> joined;
    for (const wchar_t* name : {L"a", L"b"}) {
        CFakeMedia* m = NewMedia(name);
        m->audio = {CFakeAudio(L"Stereo", L"")};
        joined.push_back(AddRow(m));
    }
    auto* combo = static_cast<CComboUI*>(Sub(joined[1], L"ID_COMBO_AUDIO_TRACK"));
    joined[1]->SelectAudio(1);  // its own "No audio", which a join cannot honour
    list->SetJoinMode(true);
    EXPECT_EQ(combo->GetCurSel(), 0);
    EXPECT_FALSE(NoAudioRow(combo)->IsEnabled());
    EXPECT_NE(combo->GetToolTip().find(L"first file decides"), std::wstring::npos);
    joined[0]->SelectAudio(1);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_FALSE(combo->IsEnabled());
    joined[0]->SelectAudio(0);
    EXPECT_EQ(combo->GetCurSel(), 0);
    EXPECT_TRUE(combo->IsEnabled());
    list->SetJoinMode(false);
    EXPECT_EQ(combo->GetCurSel(), 1) << "unjoined, the row's own choice shows again";
    EXPECT_TRUE(NoAudioRow(combo)->IsEnabled());
}

TEST_F(RowProfile, NewProfileKeepsTheRowsAudioOff)
{
    CFakeMedia* m = NewMedia(L"a");
    m->audio = {CFakeAudio(L"Stereo", L"")};
    CMediaListItemUI* row = AddRow(m);
    row->SelectAudio(1);  // ID_NO_AUDIO
    ASSERT_EQ(row->GetProfile()->IsAudioDisabled(), 1);
    row->SetProfile(8, 3, 1);
    EXPECT_EQ(dynamic_cast<CFakeProfile*>(row->GetProfile())->clonedFrom, &avi);
    EXPECT_EQ(row->GetProfile()->IsAudioDisabled(), 1);
    EXPECT_EQ(avi.audioDisabled, 0);  // the catalogue's profile is untouched
}

TEST_F(RowProfile, AudioOnlyGroupDisablesTheNoAudioChoice)
{
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    CControlUI* noAudio = NoAudioRow(Sub(row, L"ID_COMBO_AUDIO_TRACK"));
    ASSERT_NE(noAudio, nullptr);
    row->SetProfile(20, 4, 2);
    EXPECT_FALSE(noAudio->IsEnabled());
    row->SetProfile(7, 3, 1);
    EXPECT_TRUE(noAudio->IsEnabled());
}

TEST_F(RowProfile, ResetFollowsTheSettingsGroup)
{
    CVXMSettings* settings = CVXMSettings::GetInstance();
    const int saved = settings->nProfileGroup;
    settings->nProfileGroup = 4;
    CMediaListItemUI* row = AddRow(NewMedia(L"a"));
    row->SetProfile(7, 3, 1);
    row->RefreshProfileIcon(true);
    EXPECT_EQ(row->GetProfileId(), -1);
    EXPECT_EQ(row->GetGroupId(), -1);
    EXPECT_EQ(Sub(row, L"ID_BUTTON_ITEM_OUTPUT_FORMAT")->GetBkImage(), L"file='profile_wnd/icons/small/music.png'");
    settings->nProfileGroup = saved;
}

}  // namespace
