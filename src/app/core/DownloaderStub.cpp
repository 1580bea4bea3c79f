// Stand-in downloader: online downloads are not available in this build.
// Every download is refused with a log line naming the address; the settings
// are kept so that the calls behave as with a real downloader.
#include "VXMDownloader.h"
#include "platform/text.h"

#include <atomic>

namespace {

std::atomic<VXMLogFuncA> g_logA{nullptr};

class CUnavailableDownloader : public IVXMDownloader {
public:
    explicit CUnavailableDownloader(const std::wstring& outputFolder) : m_outputFolder(outputFolder) {}

    int AddDownload(const std::wstring& address, IVXMMedia*, const std::wstring&, const std::wstring&, int, int) override
    {
        if (VXMLogFuncA log = g_logA.load())
            log("VXMDownloader", "Online downloads are not available in this build; refused: %s",
                WideToUtf8(address).c_str());
        return 0;
    }
    void CancelDownload(IVXMMedia*) override {}
    int StartDownloads() override { return 0; }
    void Release() override { delete this; }
    void SetRetryTimes(int count) override { m_retryTimes = count; }
    void SetYTUser(const std::wstring&) override {}
    void SetYTPasswd(const std::wstring&) override {}
    void SetNicoUser(const std::wstring&) override {}
    void SetNicoPasswd(const std::wstring&) override {}
    void SetFaceBookUser(const std::wstring&) override {}
    void SetFaceBookPasswd(const std::wstring&) override {}
    void SetUseTitleAsFileName(int use) override { m_useTitle = use; }
    void SetWorkFolder(const std::wstring& folder) override { m_workFolder = folder; }
    void SetProxy(const std::wstring& server, const std::wstring& port) override
    {
        m_proxyServer = server;
        m_proxyPort = port;
    }
    int GetToolVersion() override { return 0; }

private:
    ~CUnavailableDownloader() override = default;

    std::wstring m_outputFolder;
    int m_retryTimes = 0;
    int m_useTitle = 0;
    std::wstring m_workFolder;
    std::wstring m_proxyServer, m_proxyPort;
};

}  // namespace

IVXMDownloader* CreateVXMDownloader(const std::wstring& outputFolder, HWND)
{
    return new CUnavailableDownloader(outputFolder);
}

void VXMDownloaderSetLogFunc(VXMLogFuncA logA, VXMLogFuncW)
{
    g_logA.store(logA);
}
