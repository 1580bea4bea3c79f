// The media player child process: a runner whose output goes to the player's
// output parser, which posts WM_VXM_MPLAYER_EVENT to the notify window and
// keeps the track, title and chapter tables. Error texts of the runner are
// dropped.
#pragma once
#include "MPlayerParser.h"
#include "vxmtranscode/libvxmmedia/media/Redirector.h"

class CCmdMplayer : public CRedirector {
public:
    CCmdMplayer();
    // Stops the output thread first, so no chunk reaches the parser while it goes.
    ~CCmdMplayer() override;

    void WriteStdOut(const char* text) override;
    void WriteStdError(const char* text) override;

    // Set by the owner right after construction, before Open.
    void SetNotifyWindow(HWND hwnd) { m_parser.SetNotifyWindow(hwnd); }
    HWND GetNotifyWindow() const { return m_parser.GetNotifyWindow(); }

    // The tables (copies, safe from any thread) and the disc counters.
    const CMPlayerParser& Output() const { return m_parser; }

protected:
    // The player ends as a failed one, as the player says itself on an error.
    void OnOutputFailed() override;

private:
    CMPlayerParser m_parser;
};
