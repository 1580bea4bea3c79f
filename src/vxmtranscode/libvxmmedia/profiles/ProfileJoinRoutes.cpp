// Join steps: the part outputs of a media and its join list become one file,
// through the concat list when it can be written, else by the extension.
#include "ProfileJobBuild.h"
#include "ProfileMuxSteps.h"
#include "SplitCommandLine.h"
#include "ToolFiles.h"

namespace {

struct JoinNames {
    std::wstring folder;     // with the trailing "/"
    std::wstring fileName;   // name and extension
    std::wstring extension;  // with the ".", lower case
    std::wstring tempPath;   // "<folder><name>_temp<ext>"
};

JoinNames SplitJoined(const std::wstring& joined)
{
    JoinNames n;
    const size_t slash = joined.find_last_of(L"/\\");
    n.folder = slash == std::wstring::npos ? std::wstring() : joined.substr(0, slash + 1);
    n.fileName = slash == std::wstring::npos ? joined : joined.substr(slash + 1);
    const size_t dot = n.fileName.rfind(L'.');
    const std::wstring stem = dot == std::wstring::npos ? n.fileName : n.fileName.substr(0, dot);
    const std::wstring ext = dot == std::wstring::npos ? std::wstring() : n.fileName.substr(dot);
    n.extension = ext;
    for (wchar_t& c : n.extension)
        c = static_cast<wchar_t>(std::towlower(c));
    n.tempPath = n.folder + stem + L"_temp" + ext;
    return n;
}

void AddTargetFlags(CCmdOpts& opts, COutputProfile* profile)
{
    if (profile->m_nProfileCode == 15)
        opts.AddFlag(L"-target ntsc-dvd");
    else if (profile->m_nProfileCode == 16)
        opts.AddFlag(L"-target pal-dvd");
}

void BuildMp4JoinCommand(CVXMMediaBase* media, const std::wstring& joined, VXM_JOB_QUEUE& queue,
                         const std::vector<std::wstring>& parts)
{
    std::wstring rest;
    for (size_t i = 1; i < parts.size(); ++i)
        rest += L" -cat " + QuoteArgument(parts[i]);
    CMP4BoxOpts box;
    box.SetOption(L"-force-cat -cat", L"%s%s", QuoteArgument(parts[0]).c_str(), rest.c_str());
    box.SetOption(L"-new", L"%s", QuoteArgument(joined).c_str());
    box.AddJobCommand(queue, PASS_MUX, media->m_strSourcePath, nullptr, 0, joined);
}

void BuildWmvJoinCommand(CVXMMediaBase* media, const std::wstring& joined, VXM_JOB_QUEUE& queue)
{
    CWMVOpts wmv;
    wmv.AddJobCommand(queue, PASS_JOIN, media->m_strSourcePath, nullptr, 0, joined);
}

void BuildFlvJoinCommand(CVXMMediaBase* media, const JoinNames& names, VXM_JOB_QUEUE& queue,
                         const std::vector<std::wstring>& parts)
{
    media->m_strTempOutput = names.tempPath;
    std::wstring line = QuoteArgument(names.tempPath);
    for (const std::wstring& part : parts)
        line += L" " + QuoteArgument(part);
    CFLVOpts flv;
    flv.AddFlag(line);
    flv.AddJobCommand(queue, PASS_JOIN, media->m_strSourcePath, nullptr, 0, names.tempPath);
}

// The concat protocol with whole paths, so the step does not depend on the
// process's current folder.
void BuildConcatJoinCommands(CVXMMediaBase* media, COutputProfile* profile, const JoinNames& names,
                             VXM_JOB_QUEUE& queue, const std::vector<std::wstring>& parts)
{
    media->m_strTempOutput = names.tempPath;
    std::wstring list;
    for (const std::wstring& part : parts)
        list += (list.empty() ? L"" : L"|") + part;
    CFFMpegOpts ffmpeg;
    ffmpeg.SetOption(L"-i", L"%s -c copy", QuoteArgument(L"concat:" + list).c_str());
    AddTargetFlags(ffmpeg, profile);
    AddOutputPath(ffmpeg, names.tempPath);
    ffmpeg.AddJobCommand(queue, PASS_JOIN, media->m_strSourcePath, nullptr, 0, names.tempPath);
}

void BuildConcatListJoinCommands(CVXMMediaBase* media, COutputProfile* profile, const JoinNames& names,
                                 const std::wstring& listPath, VXM_JOB_QUEUE& queue,
                                 const std::vector<std::wstring>& parts)
{
    CFFMpegOpts ffmpeg;
    // Absolute paths in the list are refused without -safe 0.
    ffmpeg.SetOption(L"-f concat -safe 0 -i", L"%s -c copy", QuoteArgument(listPath).c_str());
    AddTargetFlags(ffmpeg, profile);
    AddOutputPath(ffmpeg, names.tempPath);
    ffmpeg.AddJobCommand(queue, PASS_JOIN, media->m_strSourcePath, nullptr, 0, names.tempPath);

    CSysCmdOpts shell;
    shell.SetOption(L"del", L"%s", QuoteArgument(listPath).c_str());
    shell.AddJobCommand(queue, PASS_PLAIN);
    for (const std::wstring& part : parts) {
        shell.SetOption(L"del", L"%s", QuoteArgument(part).c_str());
        shell.AddJobCommand(queue, PASS_PLAIN);
    }
    shell.RemoveOption(L"del");
    shell.SetOption(L"ren", L"%s %s", QuoteArgument(names.tempPath).c_str(), QuoteArgument(names.fileName).c_str());
    shell.AddJobCommand(queue, PASS_PLAIN);
}

// The conversion deletes its media objects' temporary files when it ends,
// failed or stopped too: the list goes into the first free slot. Without one
// only the delete step of a finished join removes it.
void RecordAsTempFile(CVXMMediaBase* media, const std::wstring& path)
{
    if (media->m_strTempFile.empty()) {
        media->m_strTempFile = path;
        return;
    }
    for (IVXMMedia* part : media->m_lstJoin) {
        auto* base = dynamic_cast<CVXMMediaBase*>(part);
        if (base && base->m_strTempFile.empty()) {
            base->m_strTempFile = path;
            return;
        }
    }
}

}  // namespace

void BuildJoinRoute(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& joinedOutput,
                    VXM_JOB_QUEUE& queue, const std::vector<std::wstring>& parts)
{
    if (!media || !profile || parts.empty() || joinedOutput.empty())
        return;
    const JoinNames names = SplitJoined(joinedOutput);
    std::wstring listPath;
    if (WriteConcatListFile(parts, listPath) == 0) {
        RecordAsTempFile(media, listPath);
        BuildConcatListJoinCommands(media, profile, names, listPath, queue, parts);
        return;
    }
    if (names.extension == L".mp4")
        BuildMp4JoinCommand(media, joinedOutput, queue, parts);
    else if (names.extension == L".wmv" || names.extension == L".asf")
        BuildWmvJoinCommand(media, joinedOutput, queue);
    else if (names.extension == L".flv")
        BuildFlvJoinCommand(media, names, queue, parts);
    else
        BuildConcatJoinCommands(media, profile, names, queue, parts);
}
