// The download format dialog: one radio row per format the downloader
// offers for an address; the chosen row's index goes into the request.
#pragma once
#include "VXMDownloader.h"
#include "ui/UILib.h"

#include <string>

class CSelectFormatDlgUI : public WindowImplBase {
public:
    explicit CSelectFormatDlgUI(VXM_FORMAT_REQUEST& request) 
        : WindowImplBase(L"VXMSelectFormatDlg", L"dlg_select_fmt.xml"), m_request(request)
    {
    }

    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;

    // The index of the first row whose option is selected goes into the
    // request (unchanged when none is).
    void TakeChoice();
    CListUI* GetFormatList() const { return m_list; }

    // "720p (1280x720)", either text alone, or empty.
    static std::wstring QualityText(const VXM_FORMAT_RECORD& format);
    // "1.50 MB" (mebibytes, two decimals).
    static std::wstring SizeText(std::uint64_t bytes);

private:
    CControlUI* MakeRow(const VXM_FORMAT_RECORD& format);

    VXM_FORMAT_REQUEST& m_request;
    CListUI* m_list = nullptr;
};

// 0 when a format was chosen (its index is in the request), 1 when cancelled.
// A request without formats is cancelled without a dialog.
int RunSelectFormatDialog(HWND owner, VXM_FORMAT_REQUEST& request);
