// Fakes of the profile editor tests: a profile whose items keep their value
// lists the way the catalogue does (a setter adds a missing value), a media
// and a DVD title.
#pragma once
#include "support/fake_media.h"
#include "IVXMStreams.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

class CFakeItem : public IProfileItem {
public:
    int IsVisible() const override { return visible; }
    int IsReadOnly() const override { return 0; }
    int IsEditable() override { return editable; }
    std::wstring GetName() const override { return {}; }
    std::wstring GetDesc() const override { return {}; }
    std::wstring GetValue() const override { return value; }
    std::wstring GetEditMask() const override { return {}; }
    std::wstring GetEditTemplate() const override { return {}; }
    std::wstring GetValidChars() const override { return {}; }
    int GetValueCount() override { return static_cast<int>(values.size()); }
    std::wstring GetValueAt(unsigned index) override { return index < values.size() ? values[index] : std::wstring(); }
    int GetMaxChars() const override { return 0; }
    std::wstring GetMaxValue() const override { return maximum; }
    std::wstring GetMinValue() const override { return minimum; }

    void Set(const std::wstring& v)
    {
        value = v;
        if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
    }
    int Remove(const std::wstring& v)
    {
        auto it = std::find(values.begin(), values.end(), v);
        if (it == values.end()) return 0;
        values.erase(it);
        return 1;
    }

    std::vector<std::wstring> values;
    std::wstring value;
    std::wstring minimum, maximum;
    int visible = 1;
    int editable = 0;
};

class CFakeProfile : public CStubProfile {
public:
    CFakeProfile()
    {
        size.values = {L"320x240", L"640x480", L"1280x720"};
        size.value = L"640x480";
        size.editable = 1;
        vcodec.values = {L"h264", L"mpeg4"};
        vcodec.value = L"h264";
        SetVideoCodec(L"h264");
        rate.values = {L"25", L"30"};
        rate.value = L"25";
        rate.editable = 1;
        rate.minimum = L"1";
        rate.maximum = L"60";
        aspect.values = {L"Auto", L"4:3", L"16:9"};
        aspect.value = L"Auto";
        pass.values = {L"1"};
        pass.value = L"1";
        acodec.values = {L"aac", L"mp3"};
        acodec.value = L"aac";
        abitrate.values = {L"128", L"192"};
        abitrate.value = L"128";
        abitrate.editable = 1;
        abitrate.minimum = L"32";
        abitrate.maximum = L"320";
        sample.values = {L"44100", L"48000"};
        sample.value = L"44100";
        channels.values = {L"1", L"2"};
        channels.value = L"2";
        gifd.visible = 0;
        gifi.visible = 0;
    }
    int GetId() const override { return id; }
    std::wstring GetFolder() const override { return folder; }

    std::wstring GetVideoSize() override { return size.value; }
    void SetVideoSize(const std::wstring& v) override { calls.push_back(L"SetVideoSize=" + v); size.Set(v); }
    int RemoveVideoSize(const std::wstring& v) override { calls.push_back(L"RemoveVideoSize=" + v); return size.Remove(v); }
    IProfileItem* GetVideoSizeItem() override { return &size; }
    std::wstring GetVideoCodec() override { return vcodec.value; }
    // The codec decides the bit rates on offer.
    void SetVideoCodec(const std::wstring& v) override
    {
        calls.push_back(L"SetVideoCodec=" + v);
        vcodec.Set(v);
        vbitrate.values = v == L"mpeg4" ? std::vector<std::wstring>{L"800", L"1200"} : std::vector<std::wstring>{L"1000", L"2000"};
        vbitrate.value = vbitrate.values[0];
        vbitrate.editable = 1;
        vbitrate.minimum = L"100";
        vbitrate.maximum = L"20000";
    }
    IProfileItem* GetVideoCodecItem() override { return &vcodec; }
    std::wstring GetVideoBitrate() override { return vbitrate.value; }
    void SetVideoBitrate(const std::wstring& v) override { calls.push_back(L"SetVideoBitrate=" + v); vbitrate.Set(v); }
    int RemoveVideoBitrate(const std::wstring& v) override { calls.push_back(L"RemoveVideoBitrate=" + v); return vbitrate.Remove(v); }
    IProfileItem* GetVideoBitrateItem() override { return &vbitrate; }
    std::wstring GetFramerate() override { return rate.value; }
    void SetFramerate(const std::wstring& v) override { calls.push_back(L"SetFramerate=" + v); rate.Set(v); }
    int RemoveFramerate(const std::wstring& v) override { calls.push_back(L"RemoveFramerate=" + v); return rate.Remove(v); }
    IProfileItem* GetFramerateItem() override { return &rate; }
    std::wstring GetAspect() override { return aspect.value; }
    void SetAspect(const std::wstring& v) override { calls.push_back(L"SetAspect=" + v); aspect.Set(v); }
    IProfileItem* GetAspectItem() override { return &aspect; }
    std::wstring GetEncodePass() override { return pass.value; }
    void SetEncodePass(const std::wstring& v) override { calls.push_back(L"SetEncodePass=" + v); pass.Set(v); }
    IProfileItem* GetEncodePassItem() override { return &pass; }
    std::wstring GetAudioCodec() override { return acodec.value; }
    void SetAudioCodec(const std::wstring& v) override { calls.push_back(L"SetAudioCodec=" + v); acodec.Set(v); }
    IProfileItem* GetAudioCodecItem() override { return &acodec; }
    std::wstring GetAudioBitrate() override { return abitrate.value; }
    void SetAudioBitrate(const std::wstring& v) override { calls.push_back(L"SetAudioBitrate=" + v); abitrate.Set(v); }
    int RemoveAudioBitrate(const std::wstring& v) override { calls.push_back(L"RemoveAudioBitrate=" + v); return abitrate.Remove(v); }
    IProfileItem* GetAudioBitrateItem() override { return &abitrate; }
    std::wstring GetSampleRate() override { return sample.value; }
    void SetSampleRate(const std::wstring& v) override { calls.push_back(L"SetSampleRate=" + v); sample.Set(v); }
    IProfileItem* GetSampleRateItem() override { return &sample; }
    std::wstring GetChannel() override { return channels.value; }
    void SetChannel(const std::wstring& v) override { calls.push_back(L"SetChannel=" + v); channels.Set(v); }
    IProfileItem* GetChannelItem() override { return &channels; }
    int IsAudioDisabled() const override { return audioDisabled; }
    void SetAudioDisabled(int d) override { audioDisabled = d; }
    std::wstring GetPicDuration() const override { return gifd.value; }
    void SetPicDuration(const std::wstring& v) override { gifd.Set(v); }
    IProfileItem* GetPicDurationItem() override { return &gifd; }
    std::wstring GetPicInterval() const override { return gifi.value; }
    void SetPicInterval(const std::wstring& v) override { gifi.Set(v); }
    IProfileItem* GetPicIntervalItem() override { return &gifi; }
    int GetVideoQualityMode() const override { return quality; }
    void SetVideoQualityMode(int mode) override { calls.push_back(L"SetVideoQualityMode=" + std::to_wstring(mode)); quality = mode; }
    bool IsSizeMode() const override { return sizeMode; }
    void SetSizeMode(bool on) override { sizeMode = on; }
    bool IsSourceBitrate() const override { return sourceBitrate; }
    void SetSourceBitrate(bool on) override { sourceBitrate = on; }

    int id = 12;
    std::wstring folder;
    CFakeItem size, vcodec, vbitrate, rate, aspect, pass, acodec, abitrate, sample, channels, gifd, gifi;
    int audioDisabled = 0;
    int quality = 1;
    bool sizeMode = false;
    bool sourceBitrate = false;
    std::vector<std::wstring> calls;
};

class CFakeVideo : public CStubVideo {
public:
    CFakeVideo() : CStubVideo(L"h264", 1536) {}
};

class CFakeMedia : public CStubMedia {
public:
    std::wstring GetSourceTitle() const override { return L"holiday"; }
    std::wstring GetOutputName() const override { return outputName; }
    std::wstring GetOutputFolder() const override { return outputFolder; }
    void SetOutputFolder(const std::wstring& f) override { outputFolder = f; }
    int GetDuration() const override { return 90000; }
    int GetStartTime() const override { return 1000; }
    int GetEndTime() const override { return 80000; }
    int GetVideoStreamCount() const override { return hasVideo ? 1 : 0; }
    IVXMVideo* GetVideoStreamAt(int index) override { return hasVideo && index == 0 ? &video : nullptr; }
    std::wstring outputName;
    std::wstring outputFolder;
    bool hasVideo = true;
    CFakeVideo video;
};

using CFakeDVDTitle = CStubDVDTitle;
