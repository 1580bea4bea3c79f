// The program's persistent preferences: one object, loaded from and saved to
// HKEY_CURRENT_USER\Software\Kestrane\Vexmora Professional\Setting.
#pragma once
#include "IProfile.h"

#include <string>
#include <variant>
#include <vector>

class CVXMSettings {
public:
    // The process-wide object, made with the defaults on first use (UI thread).
    static CVXMSettings* GetInstance();

    // A fresh object with the defaults (the program uses GetInstance).
    CVXMSettings();
    virtual ~CVXMSettings() = default;

    // Reads every value; a missing or wrong-typed value keeps the current one
    // (LangID goes back to "auto").
    void Load();
    // Writes every value but SilentMode. False when the file could not be written.
    bool Save();
    void SaveVersion(const std::wstring& version);

    // One stored value: its name and the field that holds it.
    struct CValue {
        const wchar_t* name;
        std::variant<std::wstring CVXMSettings::*, int CVXMSettings::*> field;
        bool saved;  // false: read only (SilentMode)
    };
    // Every stored value in load order.
    static const std::vector<CValue>& Values();

    std::wstring OutputFolder;
    int OpenOutputFolderAfterConvertingFinished = 0;
    std::wstring SnapshotFolder;
    int UseTransLog = 0;
    int UseSendAction = 0;
    std::wstring SendActionSerVice;
    int UseNVidiaCUDA = 0;
    int UseOpenCL = 0;
    int SimConversionTasks = 1;
    int CPUCores = 0;
    std::wstring YTUser, YTPasswd;
    std::wstring NicoUser, NicoPasswd;
    std::wstring FaceBookUser, FaceBookPasswd;
    std::wstring ProxyServer, ProxyPort;
    int OUT_VOLUME = 0;
    int VOLUME_NORM = 0;
    int MPEGType = 0;
    int ObjectType = 0;
    int MP3Encode = 0;
    int MP3VBRQuality = 4;
    int MP3Volume = 0;
    int AudioQuality = 0;
    int SilentMode = 0;
    int MP4FastStart = 0;
    int FitToWidth = 1;
    int FitToHeight = 0;
    int Expand2VideoSize = 1;
    int RoundTo16Pixels = 0;
    int Deinterlace = 0;
    int InverseTelecine = 0;
    int MPLAYER_VO_N = 1;
    int UseTitleAsFileName = 1;
    int RetryTimes = 3;
    int OnlineFMT = 1;
    int SubAutoScale = 0, SubEncoding = 1;
    int SubPosition = VXM_DEFAULT_SUB_POSITION;
    int SubScale = 100;
    std::wstring SubFontFile;
    int bForceColor = 0, bForceBold = 0, bForceItalic = 0, bForceUnderline = 0, bForceStrikeOut = 0, bForceShadow = 0;
    int Shadow = 0;
    int bForceOutLine = 0;
    int OutLine = 0;
    int PrimaryColour = 0;
    int OutLineColor = 0;
    int pixel_aspect = 0;
    int line_spacing = 0;
    int ShutdownFlag = 0;
    int AddVCodecName = 1;
    int CheckNewVersion = 1;
    int PreviewHTML5 = 1;
    int IsShowFakeTitles = 0;
    int IsDoNotSeparate = 0;
    int DVDUseDravel = 1;
    std::wstring LangID = L"auto";
    int IsSaveWithGroup = 0;
    int IsExportToiTunes = 0;
    int IsUseSrcFileTime = 0;
    int nExpandLeft = 0, nExpandRight = 0;
    int nProfile = 0, nProfileGroup = 0, nProfileCategory = 0;
    int nBurnerProfile = 0, nBurnerProfileGroup = 0;
    std::wstring WindowPos;
    int ShowMM = 0;
    int ConvertButtonCurSel = 0;
    int IsShowFirstAidAddFiles = 1, IsShowFirstAidConvert = 1, IsShowFirstAidUnfoldLeft = 1;
    std::wstring DefaultMediaFolder;
    std::wstring RecordOutputFolder;
    std::wstring SkinDir = L"skin-blue";
    std::wstring UpdateSkipVersion;
    int DoNotShowRecordHint = 0;
    int MonitorClipboard = 0;

    // Not stored: the recorder's temporary folder.
    std::wstring RecordTempFolder;
};
