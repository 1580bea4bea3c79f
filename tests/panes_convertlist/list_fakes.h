// Fake media for the conversion list tests: records what the rows ask of it.
#pragma once
#include "support/fake_media.h"

#include <atomic>
#include <cstdio>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

class CFakeVideo : public CStubVideo {
public:
    CFakeVideo() : CStubVideo(L"h264", 1000) {}
};

class CFakeAudio : public IVXMAudio {
public:
    CFakeAudio(std::wstring name, std::wstring lang) : name(std::move(name)), lang(std::move(lang)) {}
    int GetId() const override { return 0; }
    std::wstring GetLanguage() const override { return {}; }
    std::wstring GetDescription() const override { return {}; }
    std::wstring GetLanguageText() const override { return lang; }
    std::wstring GetCodecName() const override { return L"AAC"; }
    int GetBitrate() const override { return 0; }
    int GetSampleRate() const override { return 0; }
    std::wstring GetInfoText() const override { return {}; }
    int GetChannels() const override { return 2; }
    int GetInfoValue() const override { return 0; }
    std::wstring GetInfoText2() const override { return {}; }
    std::wstring GetDisplayName() const override { return name; }
    std::wstring name, lang;
};

class CFakeProfile : public CStubProfile {
public:
    CFakeProfile() = default;
    CFakeProfile(int id, std::wstring desc) : id(id), desc(std::move(desc)) {}
    std::unique_ptr<IProfile> Clone() const override
    {
        auto copy = std::make_unique<CFakeProfile>(id, desc);
        copy->audioDisabled = audioDisabled;
        copy->sizeMode = sizeMode;
        copy->sourceBitrate = sourceBitrate;
        copy->clonedFrom = this;
        return copy;
    }
    int GetId() const override { return id; }
    std::wstring GetName() const override { return name; }
    std::wstring GetDesc() const override { return desc; }
    bool IsSizeMode() const override { return sizeMode; }
    void SetSizeMode(bool on) override { sizeMode = on; }
    bool IsSourceBitrate() const override { return sourceBitrate; }
    void SetSourceBitrate(bool on) override { sourceBitrate = on; }
    int IsAudioDisabled() const override { return audioDisabled; }
    void SetAudioDisabled(int d) override { audioDisabled = d; }
    void SetSkipSourceTracks(int skip) override { skipTracks = skip; }
    int id = 0;
    std::wstring desc;
    std::wstring name;
    int audioDisabled = 0;
    int skipTracks = 0;
    bool sizeMode = false;
    bool sourceBitrate = false;
    const CFakeProfile* clonedFrom = nullptr;
};

class CFakeGroup : public IProfileGroup {
public:
    CFakeGroup(int id, std::wstring icon, int audio) : id(id), icon(std::move(icon)), audio(audio) {}
    int ContainsCode(int) const override { return 1; }
    std::wstring GetName() const override { return icon; }
    std::wstring GetDesc() const override { return icon; }
    std::wstring GetIcon() const override { return icon; }
    int GetId() const override { return id; }
    int GetReservedB() const override { return 0; }
    int GetReservedA() const override { return 0; }
    int GetBurn() const override { return 0; }
    int GetHtml5() const override { return 0; }
    int GetAudio() const override { return audio; }
    int GetProfileCount() const override { return static_cast<int>(profiles.size()); }
    IProfile* GetProfile(unsigned i) const override { return i < profiles.size() ? profiles[i] : nullptr; }
    IProfile* FindProfileById(int pid) const override
    {
        for (IProfile* p : profiles)
            if (p->GetId() == pid) return p;
        return nullptr;
    }
    int id;
    std::wstring icon;
    int audio;
    std::vector<IProfile*> profiles;
};

using CFakeCategory = CStubCategory;

// A catalogue of fake categories, groups and profiles (not owned).
class CFakeCatalogue : public CRecordingProfileManager {
public:
    IProfile* FindProfileById(int id) const override
    {
        for (IProfileGroup* g : groups)
            if (IProfile* p = g->FindProfileById(id)) return p;
        return nullptr;
    }
    IProfileGroup* FindGroupById(int id) const override
    {
        for (IProfileGroup* g : groups)
            if (g->GetId() == id) return g;
        return nullptr;
    }
    int GetCategoryCount() const override { return static_cast<int>(categories.size()); }
    IProfileCategory* GetCategory(int i) const override
    {
        return i >= 0 && i < GetCategoryCount() ? categories[i] : nullptr;
    }
    // As the engine's: the category's position, which the caller then passes
    // to FindCategoryById.
    int FindCategoryIndexByName(const std::wstring& name) const override
    {
        for (int i = 0; i < GetCategoryCount(); ++i)
            if (categories[i]->GetName() == name) return i;
        return -1;
    }
    IProfileCategory* FindCategoryById(int id) const override
    {
        for (IProfileCategory* c : categories)
            if (c->GetId() == id) return c;
        return nullptr;
    }
    std::vector<IProfileGroup*> groups;
    std::vector<IProfileCategory*> categories;
};

class CFakeMedia : public CStubMedia {
public:
    // Thumbnails running at once over every fake media.
    static std::atomic<int>& ListWideRunning() { static std::atomic<int> n{0}; return n; }
    static std::atomic<int>& ListWideMax() { static std::atomic<int> n{0}; return n; }

    CFakeMedia(std::wstring title, int clipMs, std::vector<CFakeMedia*>* released = nullptr)
        : title(std::move(title)), clip(clipMs), released(released) {}
    std::wstring GetSourceTitle() const override { return title; }
    std::wstring GetSourcePath() const override { return source.empty() ? L"/media/" + title + L".mp4" : source; }
    std::wstring GetOutputPath() const override { return outputPath; }
    std::wstring GetThumbnailPath() const override { return thumbPath; }
    void SetThumbnailPath(const std::wstring& path) override { thumbPath = path; }
    std::wstring GetSourceExtension() const override { return L".mp4"; }
    int GetStartTime() const override { return start; }
    int GetEndTime() const override { return end; }
    void SetStartTime(int ms) override { start = ms; }
    void SetEndTime(int ms) override { end = ms; }
    void SetDuration(int ms) override { clip = ms; }
    int GetMediaKind() const override { return kind; }
    void StopPreview() override { calls.push_back(L"stoppreview"); }
    int GetSubtitleCount() const override { return subtitles; }
    int AddAudioFile(const std::wstring& path) override
    {
        if (refuseFiles) return -1;
        audio.emplace_back(path, L"");
        return 0;
    }
    int AddSubtitleFile(const std::wstring& path) override
    {
        if (refuseFiles) return -1;
        ++subtitles;
        return 0;
    }
    int GetSelectedAudioStream() const override { return selected.empty() ? 0 : selected.back() / 100; }
    int GetSelectedSubtitleStream() const override { return selected.empty() ? 0 : selected.back() % 100; }
    int GetClipLength() const override { return clip; }
    std::wstring GetOutputName() const override { return outputName; }
    void SetOutputName(const std::wstring& name) override { outputName = name; }
    int GetAudioTrackCount() const override { return static_cast<int>(audio.size()); }
    IVXMAudio* GetAudioTrackAt(int i) override { return i >= 0 && i < GetAudioTrackCount() ? &audio[i] : nullptr; }
    IVXMVideo* GetVideoStream() override { return hasVideo ? &video : nullptr; }
    int GetConvertState() override { return state; }
    int IsProtected() override { return protectedMedia; }
    int SelectStreams(int v, int a, int s) override
    {
        selected.push_back(a * 100 + s);
        return 0;
    }
    void PauseConvert() override { calls.push_back(L"pause"); }
    void ResumeConvert() override { calls.push_back(L"resume"); }
    void StopConvert() override { calls.push_back(L"stop"); }
    void ClearJoinList() override { joined.clear(); }
    void AddJoinMedia(IVXMMedia* m) override { joined.push_back(m); }
    int MakeThumbnail(int seconds, int width, int height) override
    {
        const int now = ++running;
        if (now > maxRunning) maxRunning = now;
        const int all = ++ListWideRunning();
        if (all > ListWideMax()) ListWideMax() = all;
        thumbSeconds = seconds;
        if (writeThumbnail) {
            const std::string file(thumbPath.begin(), thumbPath.end());
            if (FILE* f = std::fopen(file.c_str(), "wb")) std::fclose(f);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(thumbDelayMs));
        if (thumbGate.valid()) thumbGate.wait();
        --running;
        --ListWideRunning();
        ++thumbCalls;
        return thumbResult;
    }
    void Release() override
    {
        if (released) released->push_back(this);
    }

    std::wstring title;
    std::wstring source;  // empty: "/media/<title>.mp4"
    int clip = 0;
    std::vector<CFakeMedia*>* released = nullptr;
    std::wstring outputPath;
    std::wstring outputName;
    std::vector<CFakeAudio> audio;
    std::wstring thumbPath;
    bool hasVideo = true;
    int state = 0;
    int protectedMedia = 0;
    std::vector<std::wstring> calls;
    std::vector<IVXMMedia*> joined;
    std::vector<int> selected;  // audio * 100 + subtitle
    CFakeVideo video;
    std::atomic<int> running{0};
    std::atomic<int> maxRunning{0};
    std::atomic<int> thumbCalls{0};
    std::atomic<int> thumbSeconds{0};
    int thumbDelayMs = 0;
    std::shared_future<void> thumbGate;  // when set, the thumbnail ends once it is ready
    int thumbResult = 0;
    bool writeThumbnail = false;
    int start = 0;
    int end = 0;
    int kind = 0;
    int subtitles = 0;
    bool refuseFiles = false;
};
