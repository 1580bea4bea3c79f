// Job records: one step of a conversion, its command line and how it runs,
// and the runner's queue of them.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "VXMJobType.h"
#include "platform/types.h"

class CVXMMediaBase;

// What kind of step a record is; the driver and runner treat some specially.
enum VXM_PASS_KIND : int {
    PASS_PLAIN = -1,        // shell steps, most single-pass encodes
    PASS_ENCODE_1 = 0,      // first (or only) pass of MPEG-4 / H.264 / PSP encodes
    PASS_ENCODE_2 = 1,      // second pass: exit code 1 is success
    PASS_THUMBNAIL = 2,     // still picture: no progress, no position offset
    PASS_MPEG_SINGLE = 3,   // only pass of an MPEG-1/2 or DVD encode
    PASS_MPEG_1 = 4,
    PASS_MPEG_2 = 5,        // exit code 1 is success
    PASS_DEMUX_VIDEO = 10,  // exit code 1 is success
    PASS_DEMUX_AUDIO = 11,  // exit code 1 is success
    PASS_JOIN = 12,         // position reads 0
    PASS_SUBTITLE = 13,     // no progress, no position offset
    PASS_MUX = 14,          // position reads 0
    PASS_TSMUX = 15,
    PASS_CONCAT = 16,
};

struct VXM_JOB_COMMAND {
    int nType = JOB_TYPE_PROCESS;  // a VXM_JOB_TYPE
    std::wstring strCmdLine;
    int nPassKind = 0;             // a VXM_PASS_KIND
    int nExtra = 0;                // carried only
    std::wstring strInput;
    std::wstring strOutput;        // deleted when a conversion is stopped
    int nFlag = 0;                 // carried only
    CVXMMediaBase* pMedia = nullptr;  // not owned; null: the runner's own media
};

// Steps still to run, first to run at the front. The queue owns its records.
using VXM_JOB_QUEUE = std::vector<std::unique_ptr<VXM_JOB_COMMAND>>;

void ClearJobQueue(VXM_JOB_QUEUE& queue);

// Takes the front record as the current step: copies it into out, moves it
// into current (freeing the one it replaces) and sets trackPosition (0 for
// subtitle and thumbnail steps). A missing front record or one with an empty
// command line changes nothing and gives FALSE.
BOOL PopJob(VXM_JOB_QUEUE& queue, std::unique_ptr<VXM_JOB_COMMAND>& current, BOOL& trackPosition,
            VXM_JOB_COMMAND& out);

// A line as the program it starts sees it. Lines written for the command
// interpreter ("cmd.exe /c ...") lose that start, the outer pair of quotes
// the tool prefixes open (or the closing quote a plain interpreter line ends
// with), and are marked; the rest is split by SplitCommandLine's rules.
struct VXM_COMMAND_ARGS {
    bool bInterpreter = false;
    std::vector<std::wstring> args;
};
VXM_COMMAND_ARGS SplitJobCommandLine(std::wstring_view line);
