// The media handler tests' fakes: the shared stand-ins of the engine's
// objects and a profile manager that records the engine settings.
#pragma once
#include "support/fake_media.h"

#include "IProfile.h"

#include <sstream>
#include <string>
#include <vector>

// A profile manager that notes every engine-setting call as "Name=value".
class CRecordingProfileManager : public IProfileManager {
public:
    std::vector<std::string> calls;
    bool loadResult = true;
    std::wstring loadedPath;

    bool LoadProfiles(const std::wstring& path) override { loadedPath = path; return loadResult; }
    int FindProfileIndexByName(const std::wstring& name) const override { return {}; }
    int GetProfileCount() const override { return {}; }
    IProfile* GetProfile(int index) const override { return {}; }
    IProfile* FindProfileByName(const std::wstring& name) const override { return {}; }
    IProfile* FindProfileById(int id) const override { return {}; }
    IProfile* GetCurrentProfile() const override { return {}; }
    void SetCurrentProfile(IProfile* profile) override { }
    int GetGroupCount() const override { return {}; }
    IProfileGroup* GetGroup(int index) const override { return {}; }
    IProfileGroup* FindGroupByName(const std::wstring& name) const override { return {}; }
    IProfileGroup* FindGroupById(int id) const override { return {}; }
    IProfileGroup* GetCurrentGroup() const override { return {}; }
    void SetCurrentGroupByName(const std::wstring& name) override { }
    int GetCategoryCount() const override { return {}; }
    IProfileCategory* GetCategory(int index) const override { return {}; }
    IProfileCategory* FindCategoryById(int id) const override { return {}; }
    int FindCategoryIndexByName(const std::wstring& name) const override { return {}; }
    void SetCPUCores(int cores) override { calls.push_back("SetCPUCores=" + Text(cores)); }
    void SetUseNVidiaCUDA(int use) override { calls.push_back("SetUseNVidiaCUDA=" + Text(use)); }
    void SetUseOpenCL(int use) override { calls.push_back("SetUseOpenCL=" + Text(use)); }
    void SetUseSrcFileTime(int use) override { calls.push_back("SetUseSrcFileTime=" + Text(use)); }
    void SetDeinterlace(int on) override { calls.push_back("SetDeinterlace=" + Text(on)); }
    void SetInverseTelecine(int on) override { calls.push_back("SetInverseTelecine=" + Text(on)); }
    void SetFitToWidth(int on) override { calls.push_back("SetFitToWidth=" + Text(on)); }
    void SetFitToHeight(int on) override { calls.push_back("SetFitToHeight=" + Text(on)); }
    void SetExpand2VideoSize(int on) override { calls.push_back("SetExpand2VideoSize=" + Text(on)); }
    void SetRoundTo16Pixels(int on) override { calls.push_back("SetRoundTo16Pixels=" + Text(on)); }
    void SetX264Options(const std::wstring& options) override { calls.push_back("SetX264Options=" + std::string(options.begin(), options.end())); }
    void SetMP4FastStart(int on) override { calls.push_back("SetMP4FastStart=" + Text(on)); }
    void SetOutVolume(int decibels) override { calls.push_back("SetOutVolume=" + Text(decibels)); }
    void SetMPEGType(int type) override { calls.push_back("SetMPEGType=" + Text(type)); }
    void SetObjectType(int type) override { calls.push_back("SetObjectType=" + Text(type)); }
    void SetMP3Encode(int mode) override { calls.push_back("SetMP3Encode=" + Text(mode)); }
    void SetMP3VBRQuality(int quality) override { calls.push_back("SetMP3VBRQuality=" + Text(quality)); }
    void SetMP3Volume(int volume) override { calls.push_back("SetMP3Volume=" + Text(volume)); }
    void SetAudioQuality(int quality) override { calls.push_back("SetAudioQuality=" + Text(quality)); }
    void SetSubFontFile(const std::wstring& path) override { calls.push_back("SetSubFontFile=" + std::string(path.begin(), path.end())); }
    void SetSubScale(double percent) override { calls.push_back("SetSubScale=" + Text(percent)); }
    void SetSubPosition(double position) override { calls.push_back("SetSubPosition=" + Text(position)); }
    void SetSubEncoding(int encoding) override { calls.push_back("SetSubEncoding=" + Text(encoding)); }
    void SetForceColor(int on) override { calls.push_back("SetForceColor=" + Text(on)); }
    void SetForceBold(int on) override { calls.push_back("SetForceBold=" + Text(on)); }
    void SetForceItalic(int on) override { calls.push_back("SetForceItalic=" + Text(on)); }
    void SetForceUnderline(int on) override { calls.push_back("SetForceUnderline=" + Text(on)); }
    void SetForceStrikeOut(int on) override { calls.push_back("SetForceStrikeOut=" + Text(on)); }
    void SetForceShadow(int on) override { calls.push_back("SetForceShadow=" + Text(on)); }
    void SetShadow(int depth) override { calls.push_back("SetShadow=" + Text(depth)); }
    void SetForceOutLine(int on) override { calls.push_back("SetForceOutLine=" + Text(on)); }
    void SetOutLine(int width) override { calls.push_back("SetOutLine=" + Text(width)); }
    void SetOutLineColor(int colour) override { calls.push_back("SetOutLineColor=" + Text(colour)); }
    void SetPrimaryColour(int colour) override { calls.push_back("SetPrimaryColour=" + Text(colour)); }
    void SetPixelAspect(int aspect) override { calls.push_back("SetPixelAspect=" + Text(aspect)); }
    void SetLineSpacing(int spacing) override { calls.push_back("SetLineSpacing=" + Text(spacing)); }
    void SetAddVCodecName(int on) override { calls.push_back("SetAddVCodecName=" + Text(on)); }
    void SetDVDUseDravel(int on) override { calls.push_back("SetDVDUseDravel=" + Text(on)); }
    void Release() override { }

private:
    template <class T>
    static std::string Text(T value)
    {
        std::ostringstream s;
        s << value;
        return s.str();
    }
};
