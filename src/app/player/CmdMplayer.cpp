#include "CmdMplayer.h"

CCmdMplayer::CCmdMplayer()
{
    m_dwWaitTime = 100;
}

CCmdMplayer::~CCmdMplayer()
{
    Close();
}

void CCmdMplayer::WriteStdOut(const char* text)
{
    m_parser.WriteStdOut(text);
}

void CCmdMplayer::WriteStdError(const char* /*text*/) {}

void CCmdMplayer::OnOutputFailed() { m_parser.ParseLine(L"ID_EXIT=ERROR"); }
