// A DVD source (a disc, an image or a folder with a DVD's files) opened into
// titles. Open runs the main-movie detection on a thread while the caller's
// thread pumps messages and a 1 s watchdog watches it; the detection reads
// the disc's structure through the DVD reader tool, a child process (see
// dvd/DvdStructure.h). Then a parse thread builds the titles from that read
// (reading the disc itself when the detection was stopped first), and the caller's thread
// sends WM_VXM_DVD_PARSED to the notify window before Open returns (so the
// report reaches the window even when Open runs on a worker thread that ends
// right after). The destructor stops and joins both threads.
#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "IVXMDVDFile.h"
#include "dvd/DvdInfo.h"
#include "dvd/MainMovie.h"
#include "platform/messages.h"
#include "platform/thread.h"

class CVXMDVDTitleImpl;

class CVXMDVDFileImpl : public IVXMDVDFile {
public:
    CVXMDVDFileImpl() = default;
    ~CVXMDVDFileImpl() override;

    void SetPath(const std::wstring& path) override { m_strPath = path; }
    void CancelOpen() override;
    void SetWorkFolder(const std::wstring& folder) override { m_strWorkFolder = folder; }
    int Open(HWND hNotify) override;
    int GetTitleCount() const override;
    IVXMDVDTitle* GetTitleAt(unsigned int index) override;
    IVXMDVDTitle* GetTitleByNumber(int number) override;
    int GetMainTitleInfo() const override { return m_nMainTitlePosition; }
    std::wstring GetPath() const override { return m_strPath; }
    void Release() override { delete this; }

    // The watchdog's limit for the main-movie detection.
    static constexpr std::chrono::milliseconds kDetectionLimit{240000};

private:
    void DetectionThread();
    void OnWatchdogTick();
    // Ends the watch: stops and joins the detection, starts the parse.
    void FinishWatch();
    void ParseThread();
    void BuildTitleList();
    // On the caller's thread: tells the notify window the parse has ended.
    void ReportParsed();
    IVXMDVDTitle* HandOut(size_t index);

    int m_nMainTitleNumber = -1;
    int m_nMainTitlePosition = -1;
    std::wstring m_strPath;
    int m_nDiscSize = 0;                 // MiB; 0 = not opened
    int m_bUseDravel = 1;
    std::atomic<int> m_bCancel{0};
    std::atomic<int> m_nMainMovie{-1};   // the detection's answer (a title number)
    std::atomic<int> m_nAnswer2{-1};
    std::atomic<int> m_nAnswer3{1};
    std::atomic<int> m_nDetectResult{-1};
    std::vector<CVXMDVDTitleImpl*> m_vecTitles;   // those not handed out are owned here
    std::vector<bool> m_vecHandedOut;
    std::wstring m_strWorkFolder;
    // What Open's loop and its window share with the object; the object may
    // be released while its report is handled.
    struct COpenState {
        std::atomic<bool> alive{true};
        std::atomic<bool> reported{false};
    };
    std::shared_ptr<COpenState> m_pOpenState;
    std::atomic<HWND> m_hRelay{nullptr};   // Open's window: watchdog timer and parse report
    bool m_bWatchDone = false;
    std::chrono::steady_clock::time_point m_startTick;
    int m_nParseResult = -1;
    std::unique_ptr<CMessageThread> m_pDetectThread;
    std::unique_ptr<CMessageThread> m_pParseThread;
    HWND m_hNotify = nullptr;
    dvd_info m_info;
    CDravel m_dravel;
};
