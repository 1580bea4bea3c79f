// The audio tag editor of one conversion-list row: artist, title, album,
// year, comment, genre, track, lyrics and the cover picture. OK puts the
// values back into the row and writes them into the file (the source before
// the conversion, the output after it).
#pragma once
#include "ui/UILib.h"

#include <string>

class CMediaListItemUI;
class IVXMMedia;
struct VXM_MEDIA_TAGS;

class CEditMusicDlg : public WindowImplBase {
public:
    explicit CEditMusicDlg(CMediaListItemUI* row);

    void InitWindow() override;
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
    LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;

    // Fills every field from the row and shows the list-and-lyrics view.
    void LoadTags();
    // 1: the tag view, 0: the list-and-lyrics view.
    void ShowView(int view);
    int GetView() const { return m_view; }
    // Asks for a picture; a chosen one becomes the row's cover at once.
    void ChooseCover();
    // The fields go into the row and the file; the window closes with 0.
    void Accept();

private:
    std::wstring EditText(const wchar_t* name) const;
    void SetEditText(const wchar_t* name, const std::wstring& text);
    void ShowCover(const std::wstring& path);
    // True when the tags may go into the row's source file now.
    bool SourceIsFree() const;
    // Tells the user that the file kept its old tags, and why.
    void ReportNotWritten(const std::wstring& file, const std::string& why);

    CMediaListItemUI* m_row;
    IVXMMedia* m_media;
    int m_view = -1;
};

// Shows the editor over the row's window; 0 when accepted, 1 otherwise.
int RunEditMusicDialog(CMediaListItemUI* row);
