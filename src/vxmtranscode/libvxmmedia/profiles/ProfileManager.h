// The engine's one profile catalogue and the engine-wide conversion settings.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "FilterText.h"
#include "IProfile.h"
#include "OutputProfile.h"
#include "ProfileCategories.h"

// No level: x264 sets it from the frame size and rate.
inline constexpr const wchar_t* VXM_DEFAULT_X264_OPTIONS =
    L"cabac=no:8x8dct=no:ref=2:me=umh:bframes=0:subq=6:trellis=0:weightp=0";

// Settings the program pushes in through the manager's setters; the builders,
// the conversion driver and the DVD code read them. Fields carry the names of
// the program's settings that feed them.
struct VXM_ENGINE_SETTINGS {
    std::wstring strOutputFolder;    // default folder for converted files
    std::wstring strSnapshotFolder;  // output folder + "/Snapshot"
    std::wstring strTempFolder;      // output folder + "/Temp"; removed with the manager
    std::wstring strRenderer = L"direct3d";

    int CPUCores = 0;  // "-threads" count; 0: no option
    int ThreadLimit = 0;  // with CPUCores 0: encoder threads (decoder a quarter); 0: no option
    int ThreadLimitHolders = 0;  // conversions at once that may have ThreadLimit (others 1); 0: all
    int UseNVidiaCUDA = 0;
    int UseOpenCL = 0;
    int IsUseSrcFileTime = 0;
    int AddVCodecName = 1;
    int DVDUseDravel = 1;
    int OUT_VOLUME = 0;  // dB
    int MPEGType = 1;    // AAC MPEG version selector
    int ObjectType = 0;  // AAC object type
    int MP3Encode = 0;   // 1..5 enables "-aq"
    int MP3Volume = 0;
    int AudioQuality = 0;
    int MP3VBRQuality = 4;
    int Deinterlace = 0;
    int InverseTelecine = 0;
    int FitToWidth = 1;
    int FitToHeight = 0;
    int Expand2VideoSize = 1;
    int RoundTo16Pixels = 0;
    std::wstring X264Options = VXM_DEFAULT_X264_OPTIONS;
    int MP4FastStart = 0;

    // Subtitle style, read as one block by the subtitle filter text.
    VXM_SUBTITLE_STYLE subtitle;

    std::wstring strLanguage = L"en";
};

class CProfileManager : public IProfileManager {
public:
    // outputFolder empty: the user's videos folder + "/Vexmora Professional",
    // or the program folder + "/output" when there is none.
    explicit CProfileManager(std::wstring outputFolder = {});
    virtual ~CProfileManager();
    CProfileManager(const CProfileManager&) = delete;
    CProfileManager& operator=(const CProfileManager&) = delete;

    bool LoadProfiles(const std::wstring& path) override;
    int FindProfileIndexByName(const std::wstring& name) const override;
    int GetProfileCount() const override { return static_cast<int>(m_lstProfiles.size()); }
    IProfile* GetProfile(int index) const override;
    IProfile* FindProfileByName(const std::wstring& name) const override;
    IProfile* FindProfileById(int id) const override;
    IProfile* GetCurrentProfile() const override { return m_pCurrentProfile; }
    void SetCurrentProfile(IProfile* profile) override;
    int GetGroupCount() const override { return static_cast<int>(m_lstGroups.size()); }
    IProfileGroup* GetGroup(int index) const override;
    IProfileGroup* FindGroupByName(const std::wstring& name) const override;
    IProfileGroup* FindGroupById(int id) const override;
    IProfileGroup* GetCurrentGroup() const override;
    void SetCurrentGroupByName(const std::wstring& name) override;
    int GetCategoryCount() const override { return static_cast<int>(m_lstCategories.size()); }
    IProfileCategory* GetCategory(int index) const override;
    IProfileCategory* FindCategoryById(int id) const override;
    int FindCategoryIndexByName(const std::wstring& name) const override;

    void SetCPUCores(int cores) override { m_settings.CPUCores = cores; }
    void SetThreadLimit(int threads, int holders) override
    {
        m_settings.ThreadLimit = threads;
        m_settings.ThreadLimitHolders = holders;
    }
    void SetUseNVidiaCUDA(int use) override;
    void SetUseOpenCL(int use) override { m_settings.UseOpenCL = use; }
    void SetUseSrcFileTime(int use) override { m_settings.IsUseSrcFileTime = use; }
    void SetDeinterlace(int on) override { m_settings.Deinterlace = on; }
    void SetInverseTelecine(int on) override { m_settings.InverseTelecine = on; }
    void SetFitToWidth(int on) override { m_settings.FitToWidth = on; }
    void SetFitToHeight(int on) override { m_settings.FitToHeight = on; }
    void SetExpand2VideoSize(int on) override { m_settings.Expand2VideoSize = on; }
    void SetRoundTo16Pixels(int on) override { m_settings.RoundTo16Pixels = on; }
    void SetX264Options(const std::wstring& options) override { m_settings.X264Options = options; }
    void SetMP4FastStart(int on) override { m_settings.MP4FastStart = on; }
    void SetOutVolume(int decibels) override { m_settings.OUT_VOLUME = decibels; }
    void SetMPEGType(int type) override { m_settings.MPEGType = type; }
    void SetObjectType(int type) override { m_settings.ObjectType = type; }
    void SetMP3Encode(int mode) override { m_settings.MP3Encode = mode; }
    void SetMP3VBRQuality(int quality) override { m_settings.MP3VBRQuality = quality; }
    void SetMP3Volume(int volume) override { m_settings.MP3Volume = volume; }
    void SetAudioQuality(int quality) override { m_settings.AudioQuality = quality; }
    void SetSubFontFile(const std::wstring& path) override { m_settings.subtitle.strFontFile = path; }
    void SetSubScale(double percent) override;
    void SetSubPosition(double position) override;
    void SetSubEncoding(int encoding) override { m_settings.subtitle.nEncoding = encoding; }
    void SetForceColor(int on) override { m_settings.subtitle.bForceColor = on; }
    void SetForceBold(int on) override { m_settings.subtitle.bForceBold = on; }
    void SetForceItalic(int on) override { m_settings.subtitle.bForceItalic = on; }
    void SetForceUnderline(int on) override { m_settings.subtitle.bForceUnderline = on; }
    void SetForceStrikeOut(int on) override { m_settings.subtitle.bForceStrikeOut = on; }
    void SetForceShadow(int on) override { m_settings.subtitle.bForceShadow = on; }
    void SetShadow(int depth) override { m_settings.subtitle.nShadow = depth; }
    void SetForceOutLine(int on) override { m_settings.subtitle.bForceOutLine = on; }
    void SetOutLine(int width) override { m_settings.subtitle.nOutLine = width; }
    void SetOutLineColor(int colour) override { m_settings.subtitle.nOutLineColor = colour; }
    void SetPrimaryColour(int colour) override { m_settings.subtitle.nPrimaryColour = colour; }
    void SetPixelAspect(int aspect) override { m_settings.subtitle.nPixelAspect = aspect; }
    void SetLineSpacing(int spacing) override { m_settings.subtitle.nLineSpacing = spacing; }
    void SetAddVCodecName(int on) override { m_settings.AddVCodecName = on; }
    void SetDVDUseDravel(int on) override { m_settings.DVDUseDravel = on; }

    void Release() override;

    const VXM_ENGINE_SETTINGS& GetSettings() const { return m_settings; }
    VXM_ENGINE_SETTINGS& Settings() { return m_settings; }
    // The group list, for the builders and the program's lookups by index.
    const PROFILE_GROUP_LIST& Groups() const { return m_lstGroups; }
    const PROFILE_CATEGORY_LIST& Categories() const { return m_lstCategories; }

private:
    void ClearCatalogue();

    std::vector<std::unique_ptr<COutputProfile>> m_lstProfiles;
    IProfile* m_pCurrentProfile = nullptr;
    int m_nCurrentProfile = 0;
    PROFILE_GROUP_LIST m_lstGroups;
    int m_nCurrentGroup = 0;
    PROFILE_CATEGORY_LIST m_lstCategories;
    VXM_ENGINE_SETTINGS m_settings;
};

// The process-wide manager as its class; null before CreateProfileManger.
CProfileManager* GetProfileManager();
// Its settings; null without a manager.
const VXM_ENGINE_SETTINGS* GetEngineSettings();

// Reads the catalogue file into the three lists (appending). False, with a
// log line, when the file lacks one of the lists; the lists are then untouched.
bool LoadProfileCatalogue(const std::wstring& path, std::vector<std::unique_ptr<COutputProfile>>& profiles,
                          PROFILE_GROUP_LIST& groups, PROFILE_CATEGORY_LIST& categories);
