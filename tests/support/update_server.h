// The download-test server (fake_update_server.py) as a child process on
// 127.0.0.1, plain or https with a certificate made for the test (trusted
// by the program's downloads while the object lives). Header only: it needs
// the program's download layer, which only the program's tests link.
#pragma once
#include "HttpDownload.h"
#include "platform/process.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vxmtest {

class CUpdateServer {
public:
    explicit CUpdateServer(const std::string& folder, bool https = false)
    {
        std::vector<std::wstring> args = {L"python3", Utf8ToWide(std::string(VXM_SOURCE_DIR) + "/tests/support/fake_update_server.py"),
                                          Utf8ToWide(folder)};
        if (https) {
            const std::string cert = folder + "/cert.pem", key = folder + "/key.pem";
            std::string log;
            EXPECT_EQ(vxmtest::RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                                           cert, "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                                           "subjectAltName=IP:127.0.0.1"},
                                          &log),
                      0)
                << log;
            args.insert(args.end(), {Utf8ToWide(cert), Utf8ToWide(key)});
            CCheckUpdateDlg::SetCAFile(Utf8ToWide(cert));
        }
        CChildOptions options;
        options.stderrMode = EChildStream::Null;
        EXPECT_TRUE(m_child.Start(args, options));
        std::string line;
        char c;
        while (m_child.ReadStdout(&c, 1, 10000) == 1 && c != '\n') line += c;
        m_base = std::string(https ? "https" : "http") + "://127.0.0.1:" + line;
    }
    ~CUpdateServer() { CCheckUpdateDlg::SetCAFile(L""); }
    std::wstring Url(const std::string& path) const { return Utf8ToWide(m_base + path); }
    std::wstring Base() const { return Utf8ToWide(m_base); }

private:
    CChildProcess m_child;
    std::string m_base;
};

}  // namespace vxmtest
