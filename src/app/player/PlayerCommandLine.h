// The media player's start line for one playback: every option in a fixed
// order, built from the player's settings and the entry that plays.
#pragma once
#include "MPlayerOpts.h"

#include <cstdint>
#include <string>

// Video output modes of the player's menu (0 leaves the choice to the player).
enum EPlayerVideoOutput { PLAYER_VO_DEFAULT = 0, PLAYER_VO_X11, PLAYER_VO_XV, PLAYER_VO_GL, PLAYER_VO_SDL, PLAYER_VO_VDPAU };
// Play modes of the play list; REPEAT_ONE loops inside the player.
enum EPlayerPlayMode { PLAY_MODE_ONCE = 0, PLAY_MODE_SEQUENTIAL, PLAY_MODE_RANDOM, PLAY_MODE_REPEAT_ONE, PLAY_MODE_REPEAT_ALL };

struct CPlayerStartParams {
    // What plays: a file, "dvdnav://" (the source is discDevice), "track N"
    // of an audio CD in discDevice, or "br://FOLDER" / "bluray:FOLDER".
    std::wstring path;
    std::wstring discDevice;
    unsigned long windowId = 0;  // native window to draw into; 0: none
    int videoOutputMode = PLAYER_VO_DEFAULT;
    int channelMode = 0;         // 0 two, 1 four, 2 six channels
    int volume = 50;
    bool muted = false;
    int audioId = -1;            // -1: the player's choice
    int subtitleId = -2;         // 0 and more: that subtitle
    // The play-list entry, when there is one: its resume position and subtitle file.
    bool hasEntry = false;
    int64_t resumeSeconds = 0;
    std::wstring subtitleFile;
    // Full screen at start; cleared for good for modes 3 and 4 and for discs.
    bool useFullScreenOption = true;
    // How the file's pictures turn to be shown upright (its display matrix):
    // quarter turns clockwise, then mirrored left to right.
    int uprightTurns = 0;
    bool uprightMirrored = false;
    int rotateMode = -1;         // -1 none, 1 and 2 rotate, 3 flip, 4 mirror
    int deinterlaceMode = 0;     // 1 blend, 4 linear, 7 yadif, 8 yadif=1, 9 lowpass5, 10 blend, 11 kerndeint
    int playMode = PLAY_MODE_SEQUENTIAL;
    std::wstring cropFilter;     // "w:h:x:y", empty for none
    int decoderThreads = 0;      // threads - 1
    bool showOsd = false;
    std::wstring subCodePage;    // iconv name of the subtitles' code page; empty: none
    std::wstring subFontFile;    // empty: none
    bool useAssFilter = true;
    int subFuzziness = 0;
    int channelRouting = 0;      // 1 left channel on both outputs, 2 right channel on both
    // Drivers that replace the mode's video output and the audio output
    // (tests play with "null"); empty: the usual ones.
    std::wstring videoDriver;
    std::wstring audioDriver;
};

struct CPlayerStartKind {
    bool isDisc = false;    // DVD navigation or an audio CD track
    bool isBluray = false;
};

// Adds the options and the input for the params to `opts` (options are
// appended, so `opts` starts empty). Paths reach the player unchanged as
// single arguments.
CPlayerStartKind BuildPlayerCommandLine(CPlayerStartParams& params, CMPlayerOpts& opts);

// The video output driver of a mode; empty for the default.
std::wstring PlayerVideoDriver(int mode);
// The niceness the player runs at for the process-priority setting
// (0 realtime ... 5 idle; raising the priority needs privileges, so the
// first four keep the normal one).
int PlayerNiceness(int processPriority);
