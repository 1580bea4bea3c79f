#include "JobCommand.h"

#include "SplitCommandLine.h"

void ClearJobQueue(VXM_JOB_QUEUE& queue)
{
    queue.clear();
    queue.shrink_to_fit();
}

BOOL PopJob(VXM_JOB_QUEUE& queue, std::unique_ptr<VXM_JOB_COMMAND>& current, BOOL& trackPosition,
            VXM_JOB_COMMAND& out)
{
    if (queue.empty() || !queue.front() || queue.front()->strCmdLine.empty())
        return FALSE;
    out = *queue.front();
    current = std::move(queue.front());
    queue.erase(queue.begin());
    trackPosition = (out.nPassKind == PASS_SUBTITLE || out.nPassKind == PASS_THUMBNAIL) ? FALSE : TRUE;
    return TRUE;
}

VXM_COMMAND_ARGS SplitJobCommandLine(std::wstring_view line)
{
    static constexpr std::wstring_view kInterpreter = L"cmd.exe /c";
    VXM_COMMAND_ARGS result;
    std::wstring_view rest = line;
    if (rest.substr(0, kInterpreter.size()) == kInterpreter &&
        (rest.size() == kInterpreter.size() || rest[kInterpreter.size()] == L' ')) {
        result.bInterpreter = true;
        rest.remove_prefix(kInterpreter.size());
        while (!rest.empty() && rest.front() == L' ')
            rest.remove_prefix(1);
        // The interpreter's rule: a command that starts with a quote loses
        // that quote and the last one. Lines that start otherwise still end
        // with the closing quote every line is given.
        if (!rest.empty() && rest.front() == L'"')
            rest.remove_prefix(1);
        if (!rest.empty() && rest.back() == L'"')
            rest.remove_suffix(1);
    }
    result.args = SplitCommandLine(rest);
    return result;
}
