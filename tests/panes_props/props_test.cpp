// The profile parameter editor on a real customprops.json in a temporary
// folder: rows from the templates of the skin folder, user values and
// defaults, the combo changes, the custom-value dialog and the range rules.
#include "props_fakes.h"

#include "MediaHandler.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "panes/CustomOptDlgUI.h"
#include "panes/ProfileSettingsPaneUI.h"
#include "panes/PropComboValueUI.h"
#include "panes/PropListItemUI.h"
#include "panes/SharedProfile.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "FakeDesktop.h"

#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <json/reader.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

using Pane = CProfileSettingsPaneUI;
using vxmtest::CTempDir;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "test_panes_props";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Notes what the pane and its rows send.
class CRecorder : public INotifyUI {
public:
    void Notify(TNotifyUI& msg) override
    {
        if (msg.sType == L"prop_rebuild") return;
        sent.push_back(msg);
    }
    int Count(const std::wstring& type) const
    {
        int n = 0;
        for (const auto& m : sent) n += m.sType == type;
        return n;
    }
    const TNotifyUI* Last(const std::wstring& type) const
    {
        for (auto it = sent.rbegin(); it != sent.rend(); ++it)
            if (it->sType == type) return &*it;
        return nullptr;
    }
    std::vector<TNotifyUI> sent;
};

class CDatalessGroup : public IProfileGroup {
public:
    int ContainsCode(int) const override { return 1; }
    std::wstring GetName() const override { return {}; }
    std::wstring GetDesc() const override { return {}; }
    std::wstring GetIcon() const override { return {}; }
    int GetId() const override { return 1; }
    int GetReservedB() const override { return 0; }
    int GetReservedA() const override { return 0; }
    int GetBurn() const override { return 0; }
    int GetHtml5() const override { return 0; }
    int GetAudio() const override { return audio; }
    int GetProfileCount() const override { return 0; }
    IProfile* GetProfile(unsigned) const override { return nullptr; }
    IProfile* FindProfileById(int) const override { return nullptr; }
    int audio = 0;
};

class PropsPane : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        CPaintManagerUI::SetResourcePath(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/skin/"));
        CVXMSettings::GetInstance()->OutputFolder = L"/out";
    }
    void TearDown() override
    {
        // Pending rebuilds and delayed deletions run before the manager goes.
        Settle();
        if (pane) manager.RemoveNotifier(&recorder);
    }

    std::string File() const { return dir.File("customprops.json"); }
    void WriteFile(const std::string& text)
    {
        std::ofstream out(File(), std::ios::binary);
        out << text;
    }
    bool FileExists() const { return std::filesystem::exists(File()); }
    // The file as JSON (null when missing).
    Json::Value Stored() const
    {
        std::ifstream in(File(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        Json::Value root;
        Json::Reader reader;
        reader.parse(text.str(), root);
        return root;
    }
    std::unique_ptr<CMediaHandler> NewHandler() const
    {
        CMediaHandlerServices services = CMediaHandlerServices::Default();
        const std::string path = dir.Path();
        services.dataFolder = [path] { return Utf8ToWide(path); };
        auto handler = std::make_unique<CMediaHandler>(services);
        handler->LoadCustomProps();
        return handler;
    }
    void MakePane(bool burn = false)
    {
        handler = NewHandler();
        pane = new Pane(&manager, burn);
        pane->SetMediaHandler(handler.get());
        pane->SetUsageSink([this](int action, int value) { usage.push_back({action, value}); });
        manager.AttachDialog(pane);
        manager.AddNotifier(&recorder);
    }
    void Load(IVXMMedia* media = nullptr, IProfileGroup* group = nullptr, bool readOnly = false)
    {
        pane->SetMedia(media);
        pane->LoadProfile(group, nullptr, BorrowProfile(&profile), readOnly);
        Settle();
    }
    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    CPropListItemUI* Row(Pane::ERow r) const { return pane->GetRow(r); }
    std::vector<std::wstring> Entries(Pane::ERow r) const
    {
        std::vector<std::wstring> out;
        for (int i = 0; i < Row(r)->GetValueCount(); ++i) out.push_back(Row(r)->GetEntryText(i));
        return out;
    }
    bool Called(const std::wstring& call) const
    {
        return std::find(profile.calls.begin(), profile.calls.end(), call) != profile.calls.end();
    }
    // A user choice in a row's combo, as the drop-down makes it: inside a
    // dispatch of the window.
    void Choose(Pane::ERow r, const std::wstring& text)
    {
        CPropListItemUI* row = Row(r);
        ASSERT_NE(row, nullptr);
        const int index = row->FindValue(text);
        ASSERT_GE(index, 0) << "no entry " << WideToUtf8(text);
        {
            CDispatchScope scope(&manager);
            row->GetCombo()->SelectItem(index, false, true);
        }
        Settle();
    }
    void SendEvent(CControlUI* control, int type)
    {
        TEventUI event;
        event.Type = type;
        event.pSender = control;
        CDispatchScope scope(&manager);
        control->Event(event);
    }

    CTempDir dir;
    CPaintManagerUI manager;
    CRecorder recorder;
    Pane* pane = nullptr;
    std::unique_ptr<CMediaHandler> handler;
    CFakeProfile profile;
    std::vector<std::pair<int, int>> usage;
};

// ---- loading a profile ------------------------------------------------------

TEST_F(PropsPane, LoadingShowsTemplateRowsWithUserValuesAndDefaults)
{
    WriteFile(R"({"12": {"vsize": {"default": "800x600", "values": ["800x600"]},
                         "ab": {"default": "192"}, "vq": {"default": 2}}})");
    MakePane();
    Load();

    EXPECT_EQ(Row(Pane::kName)->GetNameText(), L"File Name:");
    EXPECT_EQ(Row(Pane::kVideoSize)->GetNameText(), L"Video Size:");
    EXPECT_NE(Row(Pane::kName)->GetTextControl(), nullptr);
    EXPECT_NE(Row(Pane::kStart)->GetTimeControl(), nullptr);
    // The user's own value follows the profile's, removable, and is chosen.
    EXPECT_EQ(Entries(Pane::kVideoSize), (std::vector<std::wstring>{L"320x240", L"640x480", L"1280x720", L"800x600"}));
    EXPECT_NE(dynamic_cast<CPropComboValueUI*>(Row(Pane::kVideoSize)->GetCombo()->GetItemAt(3)), nullptr);
    EXPECT_EQ(dynamic_cast<CPropComboValueUI*>(Row(Pane::kVideoSize)->GetCombo()->GetItemAt(0)), nullptr);
    EXPECT_EQ(Row(Pane::kVideoSize)->GetComboText(), L"800x600");
    EXPECT_EQ(profile.GetVideoSize(), L"800x600");
    EXPECT_EQ(Row(Pane::kAudioBitrate)->GetComboText(), L"192");
    EXPECT_EQ(profile.GetAudioBitrate(), L"192");
    EXPECT_EQ(Row(Pane::kQuality)->GetCurSel(), 2);
    EXPECT_EQ(profile.quality, 2);
    // Plain profile values where nothing is stored.
    EXPECT_EQ(Row(Pane::kFrameRate)->GetComboText(), L"25");
    EXPECT_EQ(Row(Pane::kVideoCodec)->GetComboText(), L"h264");
    // Rows go into their sections; hidden items give hidden rows.
    EXPECT_EQ(Row(Pane::kVideoCodec)->GetParent(), pane->GetSection(2));
    EXPECT_EQ(Row(Pane::kAudioCodec)->GetParent(), pane->GetSection(1));
    EXPECT_EQ(Row(Pane::kVideoSize)->GetParent(), pane->GetSection(0));
    // Only the basic page shows at first; the video page shows its shown rows.
    EXPECT_FALSE(Row(Pane::kAspect)->IsVisible());
    pane->ShowSection(2);
    EXPECT_FALSE(Row(Pane::kGifDuration)->IsVisible());
    EXPECT_TRUE(Row(Pane::kAspect)->IsVisible());
    // A single-entry list cannot be changed; without a media the item rows are off.
    EXPECT_FALSE(Row(Pane::kEncodePass)->GetCombo()->IsEnabled());
    EXPECT_TRUE(Row(Pane::kAspect)->GetCombo()->IsEnabled());
    EXPECT_FALSE(Row(Pane::kName)->GetTextControl()->IsEnabled());
    EXPECT_FALSE(Row(Pane::kStart)->GetTimeControl()->IsEnabled());
    EXPECT_EQ(Row(Pane::kFolder)->GetValueText(), L"/out");
    // Quality entries of the convert editor; the bit-rate row offers the source's.
    EXPECT_EQ(Row(Pane::kQuality)->GetValueCount(), 3);
    EXPECT_EQ(Entries(Pane::kVideoBitrate).back(), L"Original");
    // Editable items get the button row.
    EXPECT_NE(Row(Pane::kVideoSize)->GetComboButton(), nullptr);
    EXPECT_EQ(Row(Pane::kAspect)->GetComboButton(), nullptr);
    EXPECT_TRUE(usage.empty());
}

TEST_F(PropsPane, RowsKeepTheirTemplateOrderAndShownRowsStackWithoutOverlapWhenThePaneScrolls)
{
    MakePane();
    Load();
    // Shorter than the rows: the pane scrolls.
    pane->SetPos(MakeRect(0, 0, 300, 240), false);
    // Each row's controls stand in the template's order: the name left of its value.
    for (Pane::ERow r : {Pane::kName, Pane::kVideoSize, Pane::kAudioCodec, Pane::kAudioOff}) {
        CPropListItemUI* row = Row(r);
        ASSERT_NE(row, nullptr);
        ASSERT_GE(row->GetCount(), 2) << r;
        EXPECT_EQ(row->GetItemAt(0)->GetName(), L"ID_PROP_NAME") << r;
        EXPECT_LE(row->GetItemAt(0)->GetPos().right, row->GetItemAt(1)->GetPos().left) << r;
    }
    EXPECT_EQ(Row(Pane::kVideoSize)->GetCount(), 3);  // name, combo and its button
    EXPECT_EQ(Row(Pane::kVideoSize)->GetValueCount(), 3);
    // Every shown section title and row, in the order of the pane, lies
    // below the one before it: no group runs into the next.
    std::vector<CControlUI*> stack;
    std::function<void(CControlUI*)> walk = [&](CControlUI* c) {
        if (!c->IsVisible()) return;
        if (dynamic_cast<CPropListItemUI*>(c) || (dynamic_cast<COptionUI*>(c) && c->GetName().rfind(L"ID_OPTION_", 0) == 0)) {
            stack.push_back(c);
            return;
        }
        if (auto* container = dynamic_cast<CContainerUI*>(c))
            for (int i = 0; i < container->GetCount(); ++i) walk(container->GetItemAt(i));
    };
    walk(pane);
    ASSERT_GE(stack.size(), 6u);
    for (size_t i = 1; i < stack.size(); ++i) {
        EXPECT_GT(stack[i]->GetHeight(), 0) << WideToUtf8(stack[i]->GetName()) << " " << i;
        EXPECT_GE(stack[i]->GetPos().top, stack[i - 1]->GetPos().bottom)
            << WideToUtf8(stack[i]->GetName()) << " " << i << " runs into " << WideToUtf8(stack[i - 1]->GetName());
    }
}

TEST_F(PropsPane, MediaFieldsFillTheBasicRows)
{
    MakePane();
    CFakeMedia media;
    media.outputFolder = L"/videos/out";
    Load(&media);
    EXPECT_EQ(Row(Pane::kName)->GetValueText(), L"holiday");
    EXPECT_TRUE(Row(Pane::kName)->GetTextControl()->IsEnabled());
    EXPECT_EQ(Row(Pane::kFolder)->GetValueText(), L"/videos/out");
    EXPECT_EQ(Row(Pane::kDuration)->GetTime(), 90000);
    EXPECT_FALSE(Row(Pane::kDuration)->GetTimeControl()->IsEnabled());
    EXPECT_EQ(Row(Pane::kStart)->GetTime(), 1000);
    EXPECT_EQ(Row(Pane::kEnd)->GetTime(), 80000);
    EXPECT_TRUE(Row(Pane::kEnd)->GetTimeControl()->IsEnabled());
    EXPECT_EQ(Row(Pane::kChapters), nullptr);

    const std::wstring name = L"given";
    pane->LoadProfile(nullptr, &name, nullptr, false);
    EXPECT_EQ(Row(Pane::kName)->GetValueText(), L"given");
}

TEST_F(PropsPane, AudioGroupsDisableTheAudioSwitchAndHideVideoOptions)
{
    MakePane();
    CDatalessGroup group;
    group.audio = 1;
    Load(nullptr, &group);
    EXPECT_FALSE(Row(Pane::kAudioOff)->GetCheckBox()->IsEnabled());
    EXPECT_FALSE(manager.FindControl(L"ID_MAIN_VIDEO_OPTIONS")->IsVisible());
    group.audio = 0;
    Load(nullptr, &group);
    EXPECT_TRUE(Row(Pane::kAudioOff)->GetCheckBox()->IsEnabled());
    EXPECT_TRUE(manager.FindControl(L"ID_MAIN_VIDEO_OPTIONS")->IsVisible());
}

TEST_F(PropsPane, ReadOnlyDisablesEveryParameterRow)
{
    MakePane();
    Load(nullptr, nullptr, true);
    for (Pane::ERow r : {Pane::kVideoSize, Pane::kQuality, Pane::kVideoCodec, Pane::kAspect, Pane::kAudioBitrate})
        EXPECT_FALSE(Row(r)->GetCombo()->IsEnabled()) << r;
    EXPECT_FALSE(Row(Pane::kAudioOff)->GetCheckBox()->IsEnabled());
}

TEST_F(PropsPane, SurroundIsOfferedOnlyForCodecsThatCarryIt)
{
    MakePane();
    Load();
    EXPECT_EQ(Entries(Pane::kChannels), (std::vector<std::wstring>{L"1", L"2", L"5.1"}));
    Choose(Pane::kAudioCodec, L"mp3");
    EXPECT_EQ(Entries(Pane::kChannels), (std::vector<std::wstring>{L"1", L"2"}));
}

// ---- the custom-values file -------------------------------------------------

TEST_F(PropsPane, WithoutAFileAChangeIsStillKeptAndTheFileMade)
{
    ASSERT_FALSE(FileExists());
    MakePane();
    Load();
    EXPECT_FALSE(FileExists());  // loading alone writes nothing
    Choose(Pane::kAspect, L"16:9");
    ASSERT_TRUE(FileExists());
    EXPECT_EQ(Stored()["12"]["va"]["default"].asString(), "16:9");
}

TEST_F(PropsPane, AnUnchangedRebuildDoesNotRewriteTheFile)
{
    WriteFile(R"({"12": {"va": {"default": "4:3"}}})");
    MakePane();
    const auto before = std::filesystem::last_write_time(File());
    std::filesystem::last_write_time(File(), before - std::chrono::hours(1));
    const auto aged = std::filesystem::last_write_time(File());
    Load();
    EXPECT_EQ(profile.GetAspect(), L"4:3");
    EXPECT_EQ(std::filesystem::last_write_time(File()), aged);
}

// ---- combo changes ----------------------------------------------------------

struct TComboCase {
    Pane::ERow row;
    const wchar_t* choice;
    const wchar_t* call;
    int action;
    const char* key;  // stored default, null: none
};

TEST_F(PropsPane, EachRowChangeGoesToTheProfileCountsAndIsStored)
{
    const TComboCase cases[] = {
        {Pane::kVideoSize, L"1280x720", L"SetVideoSize=1280x720", 1, "vsize"},
        {Pane::kFrameRate, L"30", L"SetFramerate=30", 5, "vfr"},
        {Pane::kAspect, L"4:3", L"SetAspect=4:3", 6, "va"},
        {Pane::kAudioBitrate, L"192", L"SetAudioBitrate=192", 9, "ab"},
        {Pane::kSampleRate, L"48000", L"SetSampleRate=48000", 10, "ar"},
        {Pane::kChannels, L"1", L"SetChannel=1", 11, nullptr},
        {Pane::kVideoBitrate, L"2000", L"SetVideoBitrate=2000", 4, "vb"},
    };
    MakePane();
    Load();
    for (const TComboCase& c : cases) {
        usage.clear();
        Choose(c.row, c.choice);
        EXPECT_TRUE(Called(c.call)) << WideToUtf8(c.call);
        ASSERT_EQ(usage.size(), 1u) << WideToUtf8(c.call);
        EXPECT_EQ(usage[0], std::make_pair(37, c.action));
        if (c.key) {
            EXPECT_EQ(Stored()["12"][c.key]["default"].asString(), WideToUtf8(c.choice));
        }
    }
    EXPECT_FALSE(Stored()["12"].isMember("ch"));
    EXPECT_EQ(recorder.Count(L"cal_size"), 0);
}

TEST_F(PropsPane, QualityStoresItsIndex)
{
    MakePane();
    Load();
    Choose(Pane::kQuality, L"Low(Smaller File Size)");
    EXPECT_TRUE(Called(L"SetVideoQualityMode=0"));
    EXPECT_EQ(Stored()["12"]["vq"]["default"].asInt(), 0);
    EXPECT_EQ(usage.back(), std::make_pair(37, 2));
}

TEST_F(PropsPane, BurnQualitySizeEntryStoresNothingAndAsksForTheSize)
{
    MakePane(true);
    Load();
    ASSERT_EQ(Row(Pane::kQuality)->GetValueCount(), 4);
    Choose(Pane::kQuality, L"Fit to Disc Size");
    EXPECT_TRUE(profile.sizeMode);
    EXPECT_FALSE(FileExists());
    const TNotifyUI* cal = recorder.Last(L"cal_size");
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(cal->pSender, pane);
    EXPECT_EQ(cal->lParam, 1);
    EXPECT_EQ(usage.back(), std::make_pair(38, 2));

    // In size mode the bit rate follows the size.
    profile.vbitrate.value = L"1733";
    pane->RefreshVideoBitrate();
    EXPECT_EQ(Row(Pane::kVideoBitrate)->GetComboText(), L"1733");
    EXPECT_FALSE(Row(Pane::kVideoBitrate)->GetCombo()->IsEnabled());
}

TEST_F(PropsPane, CodecChangeReadsTheRowFirstAndRebuildsAfterTheDispatch)
{
    MakePane();
    Load();
    CPropListItemUI* before = Row(Pane::kVideoCodec);
    {
        CDispatchScope scope(&manager);
        before->GetCombo()->SelectItem(before->FindValue(L"mpeg4"), false, true);
        // Still inside the dispatch: the reporting row is untouched.
        EXPECT_EQ(Row(Pane::kVideoCodec), before);
        EXPECT_EQ(before->GetComboText(), L"mpeg4");
    }
    Settle();
    EXPECT_TRUE(Called(L"SetVideoCodec=mpeg4"));
    EXPECT_NE(Row(Pane::kVideoCodec), before);
    EXPECT_EQ(Row(Pane::kVideoCodec)->GetComboText(), L"mpeg4");
    EXPECT_EQ(Entries(Pane::kVideoBitrate), (std::vector<std::wstring>{L"800", L"1200", L"Original"}));
    EXPECT_EQ(Stored()["12"]["vc"]["default"].asString(), "mpeg4");
    // One action for the choice; the rebuild counts nothing.
    ASSERT_EQ(usage.size(), 1u);
    EXPECT_EQ(usage[0], std::make_pair(37, 3));
}

TEST_F(PropsPane, LanguageChangeRebuildsQuietly)
{
    MakePane();
    Load();
    CPropListItemUI* before = Row(Pane::kAspect);
    manager.SendNotify(nullptr, L"language_changed");
    Settle();
    EXPECT_NE(Row(Pane::kAspect), before);
    EXPECT_TRUE(usage.empty());
}

TEST_F(PropsPane, SourceBitrateNeedsAMediaWithVideo)
{
    MakePane();
    Load();
    Choose(Pane::kVideoBitrate, L"Original");
    EXPECT_EQ(profile.GetVideoBitrate(), L"1000");
    EXPECT_FALSE(Stored()["12"].isMember("vb"));

    CFakeMedia audioOnly;
    audioOnly.hasVideo = false;
    profile.sourceBitrate = false;
    Load(&audioOnly);
    Choose(Pane::kVideoBitrate, L"Original");
    EXPECT_EQ(profile.GetVideoBitrate(), L"1000");

    CFakeMedia media;
    profile.sourceBitrate = false;
    Load(&media);
    Choose(Pane::kVideoBitrate, L"Original");
    EXPECT_EQ(profile.GetVideoBitrate(), L"1536.000000");
    Load(&media);
    EXPECT_EQ(Row(Pane::kVideoBitrate)->GetComboText(), L"Original");
}

TEST_F(PropsPane, AudioSwitchGoesToTheProfileAndTheMainPane)
{
    MakePane();
    CFakeMedia media;
    Load(&media);
    {
        CDispatchScope scope(&manager);
        Row(Pane::kAudioOff)->GetCheckBox()->Selected(true);
    }
    EXPECT_EQ(profile.audioDisabled, 1);
    const TNotifyUI* sent = recorder.Last(L"prop_audiodisabled");
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->wParam, 1u);
    EXPECT_EQ(sent->lParam, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(&media)));
    EXPECT_EQ(usage.back(), std::make_pair(37, 0));

    // The main pane's change is shown without being sent back.
    const int before = recorder.Count(L"prop_audiodisabled");
    manager.SendNotify(nullptr, L"mediaitem_audiodisabled", 0, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(&media)));
    EXPECT_FALSE(Row(Pane::kAudioOff)->IsTicked());
    EXPECT_EQ(recorder.Count(L"prop_audiodisabled"), before);
}

TEST_F(PropsPane, BurnEditorAsksForTheSizeAfterEveryStoredChange)
{
    MakePane(true);
    Load();
    Choose(Pane::kAspect, L"4:3");
    const TNotifyUI* cal = recorder.Last(L"cal_size");
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(cal->wParam, 0u);
    EXPECT_EQ(cal->lParam, 1);
    EXPECT_EQ(usage.back(), std::make_pair(38, 6));
}

TEST_F(PropsPane, BrowsedOutputFolderIsMadeAndGoesToTheMedia)
{
    CFakeDesktop desktop;
    const std::string start = dir.File("start");
    const std::string chosen = dir.File("chosen/deeper");
    desktop.files.folderAnswer = Utf8ToWide(chosen);
    MakePane();
    CFakeMedia media;
    media.outputFolder = Utf8ToWide(start);
    Load(&media);
    manager.SendNotify(Row(Pane::kFolder), L"prop_textbtn");
    ASSERT_EQ(desktop.Calls().size(), 1u);
    EXPECT_EQ(desktop.Calls()[0], L"Files.Folder: Please select the output folder :|" + Utf8ToWide(start));
    EXPECT_TRUE(std::filesystem::is_directory(start));
    EXPECT_TRUE(std::filesystem::is_directory(chosen));
    EXPECT_EQ(Row(Pane::kFolder)->GetValueText(), Utf8ToWide(chosen));
    EXPECT_EQ(media.outputFolder, Utf8ToWide(chosen));

    // Cancelled: nothing changes.
    desktop.files.folderAnswer.clear();
    manager.SendNotify(Row(Pane::kFolder), L"prop_textbtn");
    EXPECT_EQ(media.outputFolder, Utf8ToWide(chosen));
}

// ---- user values ------------------------------------------------------------

TEST_F(PropsPane, AddedUserValuePersistsAndComesBack)
{
    MakePane();
    Load();
    {
        CDispatchScope scope(&manager);
        const int index = Row(Pane::kFrameRate)->AddUserValue(L"50");
        EXPECT_EQ(index, 2);
    }
    EXPECT_TRUE(Called(L"SetFramerate=50"));
    Json::Value stored = Stored()["12"]["vfr"];
    EXPECT_EQ(stored["default"].asString(), "50");
    ASSERT_EQ(stored["values"].size(), 1u);
    EXPECT_EQ(stored["values"][0].asString(), "50");

    // A new editor on the same file shows it, removable and chosen.
    CFakeProfile fresh;
    profile.rate.values = fresh.rate.values;
    profile.rate.value = fresh.rate.value;
    handler = NewHandler();
    pane->SetMediaHandler(handler.get());
    Load();
    EXPECT_EQ(Entries(Pane::kFrameRate), (std::vector<std::wstring>{L"25", L"30", L"50"}));
    EXPECT_EQ(Row(Pane::kFrameRate)->GetComboText(), L"50");
    EXPECT_NE(dynamic_cast<CPropComboValueUI*>(Row(Pane::kFrameRate)->GetCombo()->GetItemAt(2)), nullptr);
}

TEST_F(PropsPane, AddingAValueThatIsListedOnlySelectsIt)
{
    MakePane();
    Load();
    const int index = Row(Pane::kVideoSize)->AddUserValue(L"1280x720");
    EXPECT_EQ(index, 2);
    EXPECT_EQ(Row(Pane::kVideoSize)->GetValueCount(), 3);
    EXPECT_EQ(recorder.Count(L"prop_custom_add"), 0);
    EXPECT_EQ(Row(Pane::kVideoSize)->GetComboText(), L"1280x720");
    EXPECT_FALSE(Stored()["12"]["vsize"].isMember("values"));
}

TEST_F(PropsPane, RemovedUserValueLeavesTheFileAndKeepsTheDefault)
{
    WriteFile(R"({"12": {"ab": {"default": "160", "values": ["160", "224"]}}})");
    MakePane();
    Load();
    ASSERT_EQ(Entries(Pane::kAudioBitrate), (std::vector<std::wstring>{L"128", L"192", L"160", L"224"}));
    ASSERT_EQ(Row(Pane::kAudioBitrate)->GetComboText(), L"160");
    auto* entry = dynamic_cast<CPropComboValueUI*>(Row(Pane::kAudioBitrate)->GetCombo()->GetItemAt(3));
    ASSERT_NE(entry, nullptr);
    SendEvent(entry->GetRemoveButton(), UIEVENT_BUTTONDOWN);
    Settle();

    EXPECT_EQ(Entries(Pane::kAudioBitrate), (std::vector<std::wstring>{L"128", L"192", L"160"}));
    EXPECT_EQ(Row(Pane::kAudioBitrate)->GetComboText(), L"160");  // not the removed one: the choice stays
    EXPECT_TRUE(Called(L"RemoveAudioBitrate=224"));
    Json::Value stored = Stored()["12"]["ab"];
    ASSERT_EQ(stored["values"].size(), 1u);
    EXPECT_EQ(stored["values"][0].asString(), "160");
    EXPECT_EQ(stored["default"].asString(), "160");

    // The chosen one: the choice moves to the entry above, the stored
    // default follows that choice, and the last value leaves null.
    entry = dynamic_cast<CPropComboValueUI*>(Row(Pane::kAudioBitrate)->GetCombo()->GetItemAt(2));
    ASSERT_NE(entry, nullptr);
    SendEvent(entry->GetRemoveButton(), UIEVENT_BUTTONDOWN);
    Settle();
    EXPECT_EQ(Entries(Pane::kAudioBitrate), (std::vector<std::wstring>{L"128", L"192"}));
    EXPECT_EQ(Row(Pane::kAudioBitrate)->GetComboText(), L"192");
    EXPECT_EQ(profile.GetAudioBitrate(), L"192");
    EXPECT_TRUE(Stored()["12"]["ab"]["values"].isNull());
    EXPECT_EQ(Stored()["12"]["ab"]["default"].asString(), "192");
}

// ---- rows --------------------------------------------------------------------

TEST_F(PropsPane, FirstSelectionFromNoneIsNotAChange)
{
    MakePane();
    Load();
    CPropListItemUI* row = Row(Pane::kAspect);
    row->ClearValues();
    row->AddValue(L"a", false);
    row->AddValue(L"b", false);
    recorder.sent.clear();
    row->SelectIndex(0);
    EXPECT_EQ(recorder.Count(L"prop_combo_changed"), 0);
    row->SelectIndex(1);
    ASSERT_EQ(recorder.Count(L"prop_combo_changed"), 1);
    EXPECT_EQ(recorder.Last(L"prop_combo_changed")->wParam, 1u);
}

TEST_F(PropsPane, ClearedNameComesBackAndIsNotReported)
{
    MakePane();
    CFakeMedia media;
    Load(&media);
    CEditUI* edit = Row(Pane::kName)->GetTextControl();
    edit->SetText(L"   ");
    SendEvent(edit, UIEVENT_KILLFOCUS);
    EXPECT_EQ(edit->GetText(), L"holiday");
    EXPECT_EQ(recorder.Count(L"prop_name_changed"), 0);

    edit->SetText(L"trip");
    SendEvent(edit, UIEVENT_KILLFOCUS);
    const TNotifyUI* sent = recorder.Last(L"prop_name_changed");
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(sent->wParam, reinterpret_cast<WPARAM>(static_cast<CControlUI*>(edit)));
    EXPECT_EQ(edit->GetText(), L"trip");
}

TEST_F(PropsPane, ChapterRangeOfATitlePartDisablesStartAndEnd)
{
    MakePane();
    CFakeDVDTitle title;
    title.first = 2;
    title.last = 3;
    Load(&title);
    CPropListItemUI* chapters = Row(Pane::kChapters);
    ASSERT_NE(chapters, nullptr);
    EXPECT_EQ(static_cast<CContainerUI*>(pane->GetSection(0))->GetItemIndex(chapters), 1);
    EXPECT_EQ(chapters->GetNameText(), L"DVD Chapter:");
    EXPECT_EQ(chapters->GetRangeFromControl()->GetText(), L"02");
    EXPECT_EQ(chapters->GetRangeToControl()->GetText(), L"03");
    EXPECT_FALSE(Row(Pane::kStart)->GetTimeControl()->IsEnabled());
    EXPECT_FALSE(Row(Pane::kEnd)->GetTimeControl()->IsEnabled());

    title.first = title.last = -1;
    Load(&title);
    EXPECT_EQ(Row(Pane::kChapters)->GetRangeFromControl()->GetText(), L"01");
    EXPECT_EQ(Row(Pane::kChapters)->GetRangeToControl()->GetText(), L"08");
    EXPECT_TRUE(Row(Pane::kStart)->GetTimeControl()->IsEnabled());

    // The main pane reports a part: start and end go off; the whole title: back on.
    manager.SendNotify(nullptr, L"dvd_chapter_changed", MAKELPARAM(2, 5), 8);
    EXPECT_FALSE(Row(Pane::kEnd)->GetTimeControl()->IsEnabled());
    manager.SendNotify(nullptr, L"dvd_chapter_changed", MAKELPARAM(1, 8), 8);
    EXPECT_TRUE(Row(Pane::kEnd)->GetTimeControl()->IsEnabled());
}

TEST_F(PropsPane, ChapterRangeRulesResetBadRangesSilently)
{
    MakePane();
    CFakeDVDTitle title;
    Load(&title);
    CPropListItemUI* chapters = Row(Pane::kChapters);
    ASSERT_NE(chapters, nullptr);
    struct {
        const wchar_t* from;
        const wchar_t* to;
    } bad[] = {{L"03", L"02"}, {L"00", L"04"}, {L"02", L"09"}, {L"", L"03"}};
    for (const auto& b : bad) {
        chapters->GetRangeFromControl()->SetText(b.from);
        chapters->GetRangeToControl()->SetText(b.to);
        SendEvent(chapters->GetRangeFromControl(), UIEVENT_KILLFOCUS);
        EXPECT_EQ(chapters->GetRangeFromControl()->GetText(), L"01") << WideToUtf8(b.from);
        EXPECT_EQ(chapters->GetRangeToControl()->GetText(), L"08") << WideToUtf8(b.to);
    }
    EXPECT_EQ(recorder.Count(L"dvd_chapter_changing"), 0);

    chapters->GetRangeFromControl()->SetText(L"02");
    chapters->GetRangeToControl()->SetText(L"05");
    SendEvent(chapters->GetRangeToControl(), UIEVENT_KILLFOCUS);
    const TNotifyUI* sent = recorder.Last(L"dvd_chapter_changing");
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(LOWORD(sent->wParam), 2);
    EXPECT_EQ(HIWORD(sent->wParam), 5);
}

// ---- the custom-value dialog ---------------------------------------------------

TEST_F(PropsPane, CustomValueDialogAcceptsOnlyWholeNumbersWithinTheLimits)
{
    MakePane();
    Load();
    manager.SendNotify(Row(Pane::kAudioBitrate), L"prop_custom_show");
    CCustomOptDlgUI* dlg = pane->GetCustomOptDlg();
    ASSERT_NE(dlg, nullptr);
    ASSERT_NE(dlg->GetEdit(), nullptr);
    EXPECT_EQ(dlg->GetForm(), CCustomOptDlgUI::kOneField);
    EXPECT_EQ(dlg->GetTarget(), Row(Pane::kAudioBitrate));
    EXPECT_EQ(dlg->GetPaintManager()->FindControl(L"ID_LABEL_CUSTOM_OPT")->GetText(), L"Customized Audio Bitrate:");
    EXPECT_EQ(dlg->GetPaintManager()->FindControl(L"ID_LABEL_CUSTOM_OPT_LIMIT")->GetText(), L"[32 - 320]");

    for (const wchar_t* text : {L"", L"0", L"abc", L"12abc", L"-5", L"31", L"321", L"1e2", L"99999999999"}) {
        dlg->GetEdit()->SetText(text);
        EXPECT_FALSE(dlg->OnOK()) << WideToUtf8(text);
    }
    EXPECT_EQ(Row(Pane::kAudioBitrate)->GetValueCount(), 2);
    EXPECT_FALSE(FileExists());

    dlg->GetEdit()->SetText(L"256");
    {
        CDispatchScope scope(&manager);
        EXPECT_TRUE(dlg->OnOK());
    }
    Settle();
    EXPECT_EQ(Row(Pane::kAudioBitrate)->GetComboText(), L"256");
    EXPECT_EQ(profile.GetAudioBitrate(), L"256");
    EXPECT_EQ(Stored()["12"]["ab"]["values"][0].asString(), "256");
    EXPECT_FALSE(dlg->IsVisible());
}

TEST_F(PropsPane, CustomSizeIsTwoEvenNumbers)
{
    MakePane();
    Load();
    manager.SendNotify(Row(Pane::kVideoSize), L"prop_custom_show");
    CCustomOptDlgUI* dlg = pane->GetCustomOptDlg();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->GetForm(), CCustomOptDlgUI::kTwoFields);
    EXPECT_TRUE(dlg->GetPaintManager()->FindControl(L"ID_LAYOUT_OPT_NUMxNUM")->IsVisible());
    EXPECT_FALSE(dlg->GetPaintManager()->FindControl(L"ID_LAYOUT_OPT_NUM")->IsVisible());
    std::wstring value;
    dlg->GetWidthEdit()->SetText(L"1280");
    dlg->GetHeightEdit()->SetText(L"721");
    ASSERT_TRUE(dlg->CheckInput(value));
    EXPECT_EQ(value, L"1280x722");
    dlg->GetHeightEdit()->SetText(L"72a");
    EXPECT_FALSE(dlg->CheckInput(value));

    // Another row reuses the window in its one-field form, with its own limits.
    manager.SendNotify(Row(Pane::kFrameRate), L"prop_custom_show");
    EXPECT_EQ(pane->GetCustomOptDlg(), dlg);
    EXPECT_EQ(dlg->GetForm(), CCustomOptDlgUI::kOneField);
    EXPECT_EQ(dlg->GetMinimum(), 1);
    EXPECT_EQ(dlg->GetMaximum(), 60);
    dlg->GetEdit()->SetText(L"61");
    EXPECT_FALSE(dlg->CheckInput(value));
}

TEST_F(PropsPane, CustomDialogHidesWhenDeactivatedAndForgetsRebuiltRows)
{
    MakePane();
    Load();
    manager.SendNotify(Row(Pane::kAudioBitrate), L"prop_custom_show");
    CCustomOptDlgUI* dlg = pane->GetCustomOptDlg();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->IsVisible());
    dlg->SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(dlg->IsVisible());
    EXPECT_NE(dlg->GetHWND(), nullptr);  // hidden, not destroyed

    manager.SendNotify(Row(Pane::kAudioBitrate), L"prop_custom_show");
    Load();  // the rows are new: the old target must not be used
    EXPECT_EQ(dlg->GetTarget(), nullptr);
    dlg->GetEdit()->SetText(L"256");
    EXPECT_FALSE(dlg->OnOK());
}

}  // namespace

// ---- with the shipped catalogue ----------------------------------------------

namespace {

// The first profile whose video codec list offers a choice, cloned.
std::unique_ptr<IProfile> CatalogueProfileWithCodecChoice()
{
    IProfileManager* manager = CreateProfileManger();
    if (!manager || !manager->LoadProfiles(Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/data/profiles.xml"))) return nullptr;
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        IProfile* p = manager->GetProfile(i);
        IProfileItem* codecs = p ? p->GetVideoCodecItem() : nullptr;
        if (codecs && codecs->IsVisible() == 1 && codecs->GetValueCount() > 1) return p->Clone();
    }
    return nullptr;
}

TEST_F(PropsPane, CatalogueProfileRebuildsAfterACodecChoice)
{
    std::unique_ptr<IProfile> real = CatalogueProfileWithCodecChoice();
    ASSERT_NE(real, nullptr);
    MakePane();
    pane->LoadProfile(nullptr, nullptr, BorrowProfile(real.get()), false);
    Settle();
    CPropListItemUI* codec = Row(Pane::kVideoCodec);
    ASSERT_NE(codec, nullptr);
    EXPECT_EQ(codec->GetComboText(), real->GetVideoCodec());
    const std::wstring other = codec->GetEntryText(codec->GetCurSel() == 0 ? 1 : 0);
    Choose(Pane::kVideoCodec, other);
    EXPECT_EQ(real->GetVideoCodec(), other);
    ASSERT_NE(Row(Pane::kVideoCodec), nullptr);
    EXPECT_EQ(Row(Pane::kVideoCodec)->GetComboText(), other);
    // Every rebuilt row shows what the profile holds now.
    if (CPropListItemUI* rate = Row(Pane::kVideoBitrate)) {
        EXPECT_EQ(rate->GetComboText(), real->GetVideoBitrate());
    }
    if (CPropListItemUI* ab = Row(Pane::kAudioBitrate)) {
        EXPECT_EQ(ab->GetComboText(), real->GetAudioBitrate());
    }
    EXPECT_EQ(Stored()[std::to_string(real->GetId())]["vc"]["default"].asString(), WideToUtf8(other));
}

}  // namespace
