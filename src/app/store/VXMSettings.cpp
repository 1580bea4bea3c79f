// The program's persistent preferences.
#include "VXMSettings.h"
#include "ARRegistry.h"
#include "VXMGlobal.h"

#include <memory>

namespace {

const wchar_t* const kSettingKey = L"Setting";
const wchar_t* const kStatisticsService = L"https://stats.kestrane-soft.com/action";

}  // namespace

#define VXM_TEXT(name) {L## #name, &CVXMSettings::name, true}
#define VXM_NUMBER(name) {L## #name, &CVXMSettings::name, true}

const std::vector<CVXMSettings::CValue>& CVXMSettings::Values()
{
    static const std::vector<CValue> values = {
        VXM_TEXT(OutputFolder),
        VXM_NUMBER(OpenOutputFolderAfterConvertingFinished),
        VXM_TEXT(SnapshotFolder),
        VXM_NUMBER(UseTransLog),
        VXM_NUMBER(UseSendAction),
        VXM_TEXT(SendActionSerVice),
        VXM_NUMBER(UseNVidiaCUDA),
        VXM_NUMBER(UseOpenCL),
        VXM_NUMBER(SimConversionTasks),
        VXM_NUMBER(CPUCores),
        VXM_TEXT(YTUser),
        VXM_TEXT(YTPasswd),
        VXM_TEXT(NicoUser),
        VXM_TEXT(NicoPasswd),
        VXM_TEXT(FaceBookUser),
        VXM_TEXT(FaceBookPasswd),
        VXM_TEXT(ProxyServer),
        VXM_TEXT(ProxyPort),
        VXM_NUMBER(OUT_VOLUME),
        VXM_NUMBER(VOLUME_NORM),
        VXM_NUMBER(MPEGType),
        VXM_NUMBER(ObjectType),
        VXM_NUMBER(MP3Encode),
        VXM_NUMBER(MP3VBRQuality),
        VXM_NUMBER(MP3Volume),
        VXM_NUMBER(AudioQuality),
        {L"SilentMode", &CVXMSettings::SilentMode, false},
        VXM_NUMBER(MP4FastStart),
        VXM_NUMBER(FitToWidth),
        VXM_NUMBER(FitToHeight),
        VXM_NUMBER(Expand2VideoSize),
        VXM_NUMBER(RoundTo16Pixels),
        VXM_NUMBER(Deinterlace),
        VXM_NUMBER(InverseTelecine),
        VXM_NUMBER(MPLAYER_VO_N),
        VXM_NUMBER(UseTitleAsFileName),
        VXM_NUMBER(RetryTimes),
        VXM_NUMBER(OnlineFMT),
        VXM_NUMBER(SubAutoScale),
        VXM_NUMBER(SubEncoding),
        VXM_NUMBER(SubPosition),
        VXM_NUMBER(SubScale),
        VXM_TEXT(SubFontFile),
        VXM_NUMBER(bForceColor),
        VXM_NUMBER(bForceBold),
        VXM_NUMBER(bForceItalic),
        VXM_NUMBER(bForceUnderline),
        VXM_NUMBER(bForceStrikeOut),
        VXM_NUMBER(bForceShadow),
        VXM_NUMBER(Shadow),
        VXM_NUMBER(bForceOutLine),
        VXM_NUMBER(OutLine),
        VXM_NUMBER(PrimaryColour),
        VXM_NUMBER(OutLineColor),
        VXM_NUMBER(pixel_aspect),
        VXM_NUMBER(line_spacing),
        VXM_NUMBER(ShutdownFlag),
        VXM_NUMBER(AddVCodecName),
        VXM_NUMBER(CheckNewVersion),
        VXM_NUMBER(PreviewHTML5),
        VXM_NUMBER(IsShowFakeTitles),
        VXM_NUMBER(IsDoNotSeparate),
        VXM_NUMBER(DVDUseDravel),
        VXM_TEXT(LangID),
        VXM_NUMBER(IsSaveWithGroup),
        VXM_NUMBER(IsExportToiTunes),
        VXM_NUMBER(IsUseSrcFileTime),
        VXM_NUMBER(nExpandLeft),
        VXM_NUMBER(nExpandRight),
        VXM_NUMBER(nProfile),
        VXM_NUMBER(nProfileGroup),
        VXM_NUMBER(nProfileCategory),
        VXM_NUMBER(nBurnerProfile),
        VXM_NUMBER(nBurnerProfileGroup),
        VXM_TEXT(WindowPos),
        VXM_NUMBER(ShowMM),
        VXM_NUMBER(ConvertButtonCurSel),
        VXM_NUMBER(IsShowFirstAidAddFiles),
        VXM_NUMBER(IsShowFirstAidConvert),
        VXM_NUMBER(IsShowFirstAidUnfoldLeft),
        VXM_TEXT(DefaultMediaFolder),
        VXM_TEXT(RecordOutputFolder),
        VXM_TEXT(SkinDir),
        VXM_TEXT(UpdateSkipVersion),
        VXM_NUMBER(DoNotShowRecordHint),
        VXM_NUMBER(MonitorClipboard),
    };
    return values;
}

#undef VXM_TEXT
#undef VXM_NUMBER

CVXMSettings* CVXMSettings::GetInstance()
{
    static std::unique_ptr<CVXMSettings> instance = std::make_unique<CVXMSettings>();
    return instance.get();
}

CVXMSettings::CVXMSettings()
{
    SendActionSerVice = kStatisticsService;
    // The player's video output: the same modern default on every system.
    MPLAYER_VO_N = 1;

    std::wstring videos = GetUserVideosFolder();
    OutputFolder = videos.empty() ? JoinPath(GetProgramFolder(), L"output") : JoinPath(videos, VXM_PRODUCT_NAME);
    SnapshotFolder = JoinPath(OutputFolder, L"Snapshot");
    // No system font folder holds a fixed subtitle font here; the player picks one.
    SubFontFile = L"";
    std::wstring temp = GetTempFolder();
    RecordTempFolder = temp.empty() ? OutputFolder : JoinPath(temp, L"VXMRecorder");
    RecordOutputFolder = JoinPath(OutputFolder, L"Video Recorder");
}

void CVXMSettings::Load()
{
    CARRegistry registry(FALSE, TRUE);
    if (!registry.OpenKey(kSettingKey)) return;
    for (const CValue& value : Values()) {
        if (auto text = std::get_if<std::wstring CVXMSettings::*>(&value.field)) {
            std::wstring& field = this->**text;
            std::wstring fallback = (*text == &CVXMSettings::LangID) ? std::wstring(L"auto") : field;
            registry.ReadString(value.name, field, fallback);
        } else {
            int& field = this->*std::get<int CVXMSettings::*>(value.field);
            registry.QueryInt(value.name, field);
        }
    }
    registry.CloseKey();
}

namespace {

// The Setting key, created when missing.
bool OpenSettingKey(CARRegistry& registry)
{
    if (registry.OpenKey(kSettingKey)) return true;
    if (!registry.CreateKey(kSettingKey)) return false;
    registry.CloseKey();
    return registry.OpenKey(kSettingKey);
}

}  // namespace

bool CVXMSettings::Save()
{
    CARRegistry registry(FALSE, FALSE);
    if (!OpenSettingKey(registry)) return false;
    for (const CValue& value : Values()) {
        if (!value.saved) continue;
        if (auto text = std::get_if<std::wstring CVXMSettings::*>(&value.field))
            registry.WriteString(value.name, this->**text);
        else
            registry.WriteDWORD(value.name, static_cast<DWORD>(this->*std::get<int CVXMSettings::*>(value.field)));
    }
    registry.CloseKey();
    return registry.GetLastStatus() == ERROR_SUCCESS;
}

void CVXMSettings::SaveVersion(const std::wstring& version)
{
    CARRegistry registry(FALSE, FALSE);
    if (!OpenSettingKey(registry)) return;
    registry.WriteString(L"Version", version);
    registry.CloseKey();
}
