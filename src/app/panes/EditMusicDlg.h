// The audio tag editor of one conversion-list row: artist, title, album,
// year, comment, genre, track, lyrics and the cover picture. OK writes the
// values into the file (the source before the conversion, the output after
// it) off the UI thread, the dialog saying "Saving..." meanwhile; once the
// file has them they go back into the row and the dialog closes. A file the
// tags cannot go into (of a kind no routine writes, or a failed write)
// keeps the dialog open with the reason on screen.
#pragma once
#include "platform/messages.h"
#include "ui/UILib.h"

#include <memory>
#include <string>

class CMediaListItemUI;
class IVXMMedia;
struct CTagWriteResult;
struct VXM_MEDIA_TAGS;

class CEditMusicDlg : public WindowImplBase {
public:
    explicit CEditMusicDlg(CMediaListItemUI* row);
    ~CEditMusicDlg() override;

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
    // The fields go into the file, then into the row; the window closes with
    // 0 when the file has them, and stays open with the reason when not.
    void Accept();
    // OK was pressed and the file is being written: the buttons are disabled.
    bool IsSaving() const { return m_saving; }

private:
    std::wstring EditText(const wchar_t* name) const;
    void SetEditText(const wchar_t* name, const std::wstring& text);
    void ShowCover(const std::wstring& path);
    // True when the tags may go into the row's source file now.
    bool SourceIsFree() const;
    // Tells the user that the file kept its old tags, and why.
    void ShowError(const std::wstring& text);
    // Hands the write of the `changed` fields to the tag writer; false when it takes none.
    bool StartSave(const std::wstring& file, const VXM_MEDIA_TAGS& tags, unsigned changed);
    void OnSaved(const CTagWriteResult& result);
    void ShowSaving(bool saving);

    CMediaListItemUI* m_row;
    IVXMMedia* m_media;
    int m_view = -1;
    bool m_saving = false;
    std::wstring m_savingFile;
    std::unique_ptr<VXM_MEDIA_TAGS> m_savingTags;
    std::wstring m_okText;
    // Receives the write's result; a result for a closed dialog is dropped.
    std::unique_ptr<CMessageWindow> m_saveDone;
};

// "The tags could not be written into <file> (<why>). The file was not changed."
// The reason is the language text `whyText` names, else `why`.
std::wstring TagsNotWrittenText(const std::wstring& file, const std::string& why, const std::string& whyText = {});

// Shows the editor over the row's window; 0 when accepted, 1 otherwise.
int RunEditMusicDialog(CMediaListItemUI* row);
