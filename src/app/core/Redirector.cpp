#include "Redirector.h"

CRedirector::CRedirector() = default;

CRedirector::~CRedirector()
{
    ClosePipes();
}

void CRedirector::Close()
{
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    ClosePipes();
}

void CRedirector::ClosePipes()
{
    if (m_hStdinWrite) {
        std::fclose(m_hStdinWrite);
        m_hStdinWrite = nullptr;
    }
    if (m_hStdoutRead) {
        std::fclose(m_hStdoutRead);
        m_hStdoutRead = nullptr;
    }
}
