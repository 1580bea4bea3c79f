// What the status bar says about the files of one add that did not become
// rows: how many, and the first of them with why; its tooltip names every
// one of them with why.
#pragma once
#include <string>

// Why, besides the media handler's (a probe result or kRefusedEmpty): a cue
// sheet that gives no track.
constexpr int kRefusedNoTrack = -101;

class CNotAddedNotice {
public:
    // A new add: nothing is counted.
    void Begin() { *this = CNotAddedNotice(); }
    // One more file not added; the text to show from now on.
    const std::wstring& Add(const std::wstring& path, int why);
    // Empty while every file was added.
    const std::wstring& Text() const { return m_text; }
    // One line per file: "name: why".
    const std::wstring& ToolTip() const { return m_tip; }

private:
    int m_count = 0;
    std::wstring m_first;  // the first file's name
    std::wstring m_why;    // and why it was not added
    std::wstring m_text;
    std::wstring m_tip;
};
