#include "VXMDVDFile.h"

#include <new>

#include "EngineHooks.h"
#include "EngineLog.h"
#include "ProfileManager.h"
#include "VXMDVDTitle.h"
#include "VXMMessages.h"
#include "VXMUtils.h"

namespace {

constexpr const char* kLogCategory = "CVXMDVDFileImpl";
constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT kParsedMessage = WM_USER + 1;
constexpr UINT kDetectionEnded = WM_USER + 2;

// The part of a path after its last separator; "" for a drive or file-system root.
std::wstring LastComponent(std::wstring path)
{
    while (path.size() > 1 && (path.back() == L'/' || path.back() == L'\\'))
        path.pop_back();
    const size_t slash = path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (!name.empty() && name.back() == L':')
        return {};  // "D:"
    return name;
}

}  // namespace

IVXMDVDFile* NewDVDFileObject()
{
    return new (std::nothrow) CVXMDVDFileImpl();
}

CVXMDVDFileImpl::~CVXMDVDFileImpl()
{
    m_dravel.SetFindEnd();
    if (m_pDetectThread)
        m_pDetectThread->Join();
    m_pDetectThread.reset();
    // The parse thread never waits on this object's owner: it only posts.
    if (m_pParseThread)
        m_pParseThread->Join();
    m_pParseThread.reset();
    if (m_pOpenState)
        m_pOpenState->alive = false;  // an Open loop still running stops calling in
    if (m_nDiscSize != 0)
        m_dravel.ReleaseDravel();
    for (size_t i = 0; i < m_vecTitles.size(); ++i)
        if (!m_vecHandedOut[i])
            delete m_vecTitles[i];
}

void CVXMDVDFileImpl::CancelOpen()
{
    m_bCancel = 1;
    m_dravel.SetFindEnd();
}

int CVXMDVDFileImpl::GetTitleCount() const
{
    return m_nDiscSize == 0 ? -1 : static_cast<int>(m_vecTitles.size());
}

IVXMDVDTitle* CVXMDVDFileImpl::HandOut(size_t index)
{
    m_vecHandedOut[index] = true;  // its holder releases it
    return m_vecTitles[index];
}

IVXMDVDTitle* CVXMDVDFileImpl::GetTitleAt(unsigned int index)
{
    return index < m_vecTitles.size() ? HandOut(index) : nullptr;
}

IVXMDVDTitle* CVXMDVDFileImpl::GetTitleByNumber(int number)
{
    for (size_t i = 0; i < m_vecTitles.size(); ++i)
        if (std::wcstol(m_vecTitles[i]->GetSourceTitle().c_str(), nullptr, 10) == number && number > 0)
            return HandOut(i);
    return nullptr;
}

int CVXMDVDFileImpl::Open(HWND hNotify)
{
    if (m_pDetectThread || m_pParseThread) {
        LogMessageA(kLogCategory, "\"%s\" is already open", WideToUtf8(m_strPath).c_str());
        return 0;
    }
    if (const VXM_ENGINE_SETTINGS* settings = GetEngineSettings())
        m_bUseDravel = settings->DVDUseDravel;
    m_nDiscSize = static_cast<int>(GetDiskOrFileSizeGB(m_strPath) * 1024);
    if (m_nDiscSize == 0) {
        LogMessageA(kLogCategory, "\"%s\" cannot be read", WideToUtf8(m_strPath).c_str());
        return 0;
    }

    m_hNotify = hNotify;
    m_dravel.InitDravel();
    if (m_bCancel.load())
        m_dravel.SetFindEnd();
    auto state = std::make_shared<COpenState>();
    m_pOpenState = state;
    CMessageWindow window([this, state](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        if (!state->alive)
            return 0;
        if ((msg == WM_TIMER && wParam == kWatchdogTimer) || msg == kDetectionEnded)
            OnWatchdogTick();
        else if (msg == kParsedMessage)
            ReportParsed();
        return 0;
    });
    m_hRelay = window.Get();
    m_pDetectThread = std::make_unique<CMessageThread>();
    if (!m_pDetectThread->Start([this](CMessageThread&) { DetectionThread(); },
                                [this](const std::string& what) {
                                    // The analysis goes on without the main movie's answer.
                                    LogMessageA(kLogCategory, "the main-movie detection failed: %s", what.c_str());
                                    m_nDetectResult = -1;
                                    PostMessage(m_hRelay.load(), kDetectionEnded, 0, 0);
                                })) {
        LogMessageA(kLogCategory, "the main-movie detection cannot start");
        m_pDetectThread.reset();
    }

    m_bWatchDone = false;
    m_startTick = std::chrono::steady_clock::now();
    SetTimer(window.Get(), kWatchdogTimer, 1000);
    // From the report on, this object may be gone: only `state` is read.
    MSG msg;
    while (!state->reported && state->alive) {
        if (GetMessage(&msg, nullptr, 0, 0) <= 0) {
            // The program is quitting: the watch ends, the quit goes on to its loop.
            if (state->alive && !m_bWatchDone)
                FinishWatch();
            PostQuitMessage(0);
            break;
        }
        DispatchMessage(&msg);
    }
    return 0;
}

void CVXMDVDFileImpl::DetectionThread()
{
    const std::string path = WideToAnsi(m_strPath);
    std::string detect = path;
    if (detect.size() >= 2 && detect[detect.size() - 2] == ':' && (detect.back() == '/' || detect.back() == '\\'))
        detect.pop_back();  // a drive root "D:\" is "D:"
    const char* text = detect.c_str();
    m_nDetectResult = m_dravel.FindTitleNrOfMainmovie(&text, m_nDiscSize, &m_nMainMovie, &m_nAnswer2, &m_nAnswer3);
    // The watchdog need not wait for its next tick.
    PostMessage(m_hRelay.load(), kDetectionEnded, 0, 0);
}

void CVXMDVDFileImpl::OnWatchdogTick()
{
    if (m_bWatchDone)
        return;
    const bool running = m_pDetectThread && m_pDetectThread->IsRunning();
    if (!m_dravel.GetFindEnd() && running) {
        if (std::chrono::steady_clock::now() - m_startTick <= kDetectionLimit)
            return;
        LogMessageA(kLogCategory, "the main-movie detection of \"%s\" took too long; stopped",
                    WideToUtf8(m_strPath).c_str());
    }
    FinishWatch();
}

void CVXMDVDFileImpl::FinishWatch()
{
    if (m_bWatchDone)
        return;
    m_bWatchDone = true;
    KillTimer(m_hRelay.load(), kWatchdogTimer);
    // The detection has ended before the parse reads its answer.
    m_dravel.SetFindEnd();
    if (m_pDetectThread)
        m_pDetectThread->Join();
    m_pParseThread = std::make_unique<CMessageThread>();
    if (!m_pParseThread->Start([this](CMessageThread&) { ParseThread(); },
                               [this](const std::string& what) {
                                   LogMessageA(kLogCategory, "the DVD analysis failed: %s", what.c_str());
                                   m_nParseResult = -1;
                                   PostMessage(m_hRelay.load(), kParsedMessage, 0, 0);
                               })) {
        LogMessageA(kLogCategory, "the DVD analysis cannot start");
        m_pParseThread.reset();
        m_nParseResult = -1;
        ReportParsed();
    }
}

void CVXMDVDFileImpl::ParseThread()
{
    const std::string path = WideToAnsi(m_strPath);
    // The detection has read the disc already, unless it was stopped first.
    int result = 0;
    if (std::shared_ptr<const dvd_info> read = m_dravel.TakeStructure())
        m_info = *read;
    else
        result = parse_dvd(m_info, path.c_str(), 0);
    m_nParseResult = result;
    if (result == 0)
        BuildTitleList();
    else
        LogMessageA(kLogCategory, "\"%s\" is not a readable DVD (%d)", path.c_str(), result);
    // The report is made on Open's thread, which waits for it. A post to a
    // window that is gone (Open ended on a quit) fails and is dropped.
    PostMessage(m_hRelay.load(), kParsedMessage, 0, 0);
}

void CVXMDVDFileImpl::BuildTitleList()
{
    std::wstring label = AnsiToWide(m_info.volume_label);
    TrimLeft(label);
    TrimRight(label);
    RemoveInvalidNameChars(label);
    const std::wstring discName = label.empty() ? LastComponent(m_strPath) : label;
    const int answer = m_nMainMovie.load();

    int position = 0;
    for (const dvd_title_record& record : m_info.titles) {
        ++position;
        auto* title = new (std::nothrow) CVXMDVDTitleImpl();
        if (!title) {
            LogMessageA(kLogCategory, "out of memory at title %d", position);
            break;
        }
        // The address names the title as the disc numbers it.
        title->Fill(record, record.title_number, m_strPath, discName);
        if (answer == -1) {
            if (position == m_info.main_title) {
                m_nMainTitlePosition = position;
                m_nMainTitleNumber = record.title_number;
            }
        } else if (answer == record.title_number) {
            m_nMainTitlePosition = position;
            m_nMainTitleNumber = record.title_number;
        }
        if (position == m_nMainTitlePosition)
            title->SetMainTitle(1);
        m_vecTitles.push_back(title);
        m_vecHandedOut.push_back(false);
    }
}

void CVXMDVDFileImpl::ReportParsed()
{
    if (m_pParseThread)
        m_pParseThread->Join();  // it has posted; it ends now
    if (m_pOpenState)
        m_pOpenState->reported = true;
    // The window may release this object while it handles the message:
    // nothing of it is touched afterwards.
    SendMessage(m_hNotify, WM_VXM_DVD_PARSED, reinterpret_cast<WPARAM>(&m_nParseResult), 0);
}
