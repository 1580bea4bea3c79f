// Media and profiles the queue tests steer by hand: a job "runs" from the
// start until the test ends it.
#pragma once
#include "support/fake_media.h"

#include <string>
#include <vector>

class CQueueMedia : public CStubMedia {
public:
    explicit CQueueMedia(std::wstring title) : title(std::move(title)) {}
    std::wstring GetSourceTitle() const override { return title; }
    std::wstring GetSourcePath() const override { return source.empty() ? L"/nowhere/" + title + L".avi" : source; }
    std::wstring GetOutputPath() const override { return outputPath; }
    int GetConvertState() override { return state; }
    std::wstring GetOutputName() const override { return outputName; }
    void SetOutputName(const std::wstring& name) override { outputName = name; }
    void StopConvert() override { state = 0; }
    void Release() override { ++released; }
    void SetStartTime(int ms) override { start = ms; }
    void SetEndTime(int ms) override { end = ms; }
    int GetStartTime() const override { return start; }
    int GetEndTime() const override { return end; }
    void Join(std::vector<IVXMMedia*> others, const std::wstring& folder, HWND) override
    {
        joinedWith = std::move(others);
        joinFolder = folder;
    }
    std::wstring title;
    std::wstring source;
    std::vector<IVXMMedia*> joinedWith;
    std::wstring joinFolder;
    std::wstring outputPath;
    std::wstring outputName;
    int state = 0;
    int released = 0;
    int start = 0;
    int end = 0;
};

class CExtProfile : public CStubProfile {
public:
    explicit CExtProfile(std::wstring ext, int id = 1) : ext(std::move(ext)), id(id) {}
    std::wstring GetFileExt() const override { return ext; }
    std::wstring GetName() const override { return L"profile-" + ext; }
    int GetId() const override { return id; }
    std::wstring ext;
    int id;
};
