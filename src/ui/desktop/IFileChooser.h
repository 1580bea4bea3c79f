// File and folder choosers. Filters come as "Name|*.a;*.b|Name 2|*.*|".
#pragma once
#include "ui/UIDefine.h"
#include <string>
#include <vector>

struct CFileFilter {
    std::wstring name;
    std::vector<std::wstring> patterns;  // "*.mp4"
};

// Splits a "Name|patterns|..." text; pairs without patterns are dropped.
std::vector<CFileFilter> ParseFileFilters(const std::wstring& spec);
// "Name (*.a *.b)" as Qt's choosers show it.
std::wstring FormatFilterForQt(const CFileFilter& filter);

struct CFileRequest {
    HWND owner = nullptr;
    std::wstring title;
    std::wstring folder;     // where the chooser starts
    std::wstring fileName;   // proposed name (save)
    std::vector<CFileFilter> filters;
    int filterIndex = 0;
    bool multiSelect = false;
};

class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Chosen files with "/" separators; empty when cancelled.
    virtual std::vector<std::wstring> OpenFiles(const CFileRequest& request) = 0;
    virtual std::wstring SaveFile(const CFileRequest& request) = 0;
    virtual std::wstring ChooseFolder(HWND owner, const std::wstring& title, const std::wstring& start) = 0;
};
