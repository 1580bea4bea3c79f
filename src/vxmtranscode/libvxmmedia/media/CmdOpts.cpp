#include "CmdOpts.h"

#include <algorithm>
#include <cstdarg>
#include <typeinfo>

#include "SplitCommandLine.h"
#include "VXMUtils.h"

namespace {

std::wstring StoredArgument(std::wstring_view text)
{
    return IsQuotedArgument(text) ? std::wstring(text) : QuoteArgument(text);
}

int JobTypeOf(const CCmdOpts& opts)
{
    struct CKind {
        const std::type_info& type;
        int jobType;
    };
    static const CKind kKinds[] = {{typeid(CFFMpegOpts), JOB_TYPE_FFMPEG}, {typeid(CMP4BoxOpts), JOB_TYPE_MP4BOX},
                                   {typeid(CMP4CreatorOpts), JOB_TYPE_MP4CREATOR}, {typeid(CWMVOpts), JOB_TYPE_WMV},
                                   {typeid(CFLVOpts), JOB_TYPE_FLV}, {typeid(CAPEOpts), JOB_TYPE_APE}};
    for (const CKind& kind : kKinds)
        if (typeid(opts) == kind.type)
            return kind.jobType;
    return JOB_TYPE_PROCESS;
}

}  // namespace

std::wstring ToolPrefix(const std::wstring& toolName)
{
    return QuoteArgument(FindToolPath(toolName));
}

std::wstring InterpreterToolPrefix(const std::wstring& toolName)
{
    return L"cmd.exe /c \"" + ToolPrefix(toolName);
}

std::wstring FileInputName(const std::wstring& path)
{
    return path.empty() ? path : L"file:" + path;
}

std::wstring DvdDeviceOptions(const std::wstring& disc, int firstChapter, int lastChapter, int angle)
{
    std::wstring text = L"-dvd-device " + QuoteArgument(disc);
    if (firstChapter != -1)
        text += lastChapter == -1 ? FormatW(L" -chapter %d", firstChapter)
                                  : FormatW(L" -chapter %d-%d", firstChapter, lastChapter);
    if (angle != -1 && (firstChapter != -1 || lastChapter == -1))
        text += FormatW(L" -angle %d", angle);
    return text;
}

CCmdOpts::~CCmdOpts() = default;

void CCmdOpts::SetInput(std::wstring_view text)
{
    m_strInput1 = StoredArgument(text);
}

void CCmdOpts::SetInput2(std::wstring_view text)
{
    m_strInput2 = StoredArgument(text);
}

void CCmdOpts::SetInput3(std::wstring_view text)
{
    m_strInput3 = StoredArgument(text);
}

void CCmdOpts::AddFlag(std::wstring_view name)
{
    SetOption(name, L"");
}

VXM_CMD_OPTION* CCmdOpts::FindOption(std::wstring_view name)
{
    for (VXM_CMD_OPTION& option : m_options) {
        if (option.strName == name)
            return &option;
    }
    return nullptr;
}

void CCmdOpts::SetOption(std::wstring_view name, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring value = FormatWV(format, args);
    va_end(args);
    if (VXM_CMD_OPTION* option = FindOption(name))
        option->strValue = std::move(value);
    else
        m_options.push_back({std::wstring(name), std::move(value)});
}

void CCmdOpts::AppendToOption(std::wstring_view name, BOOL addIfMissing, std::wstring_view separator,
                              const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWV(format, args);
    va_end(args);
    if (VXM_CMD_OPTION* option = FindOption(name)) {
        option->strValue += separator;
        option->strValue += text;
    } else if (addIfMissing) {
        m_options.push_back({std::wstring(name), std::move(text)});
    }
}

void CCmdOpts::RemoveOption(std::wstring_view name)
{
    m_options.remove_if([name](const VXM_CMD_OPTION& option) { return option.strName == name; });
}

void CCmdOpts::ClearOptions()
{
    m_options.clear();
}

void CCmdOpts::ParseOptions(std::wstring_view text)
{
}

std::wstring CCmdOpts::FormatOption(const VXM_CMD_OPTION& option)
{
    return L" " + option.strName + L" " + option.strValue;
}

void CCmdOpts::AppendOptionAndInputs()
{
    for (const VXM_CMD_OPTION& option : m_options)
        m_strCmdLine += FormatOption(option);
    for (const std::wstring* input : {&m_strInput1, &m_strInput2, &m_strInput3}) {
        if (!input->empty())
            m_strCmdLine += L" " + *input;
    }
}

const std::wstring& CCmdOpts::BuildCommandLine()
{
    m_strCmdLine = m_strPrefix;
    AppendOptionAndInputs();
    m_strCmdLine += L"\"";
    return m_strCmdLine;
}

void CCmdOpts::CopyFrom(const CCmdOpts& other)
{
    if (&other == this) {
        const std::list<VXM_CMD_OPTION> copy = m_options;
        m_options.insert(m_options.end(), copy.begin(), copy.end());
        return;
    }
    m_options.insert(m_options.end(), other.m_options.begin(), other.m_options.end());
    m_strPrefix = other.m_strPrefix;
    m_strCmdLine = other.m_strCmdLine;
    m_strInput1 = other.m_strInput1;
    m_strInput2 = other.m_strInput2;
    m_strInput3 = other.m_strInput3;
}

void CCmdOpts::AddJobCommand(VXM_JOB_QUEUE& queue, int passKind, std::wstring_view inputPath, CVXMMediaBase* media,
                             int flag, std::wstring_view outputPath, int extra)
{
    auto record = std::make_unique<VXM_JOB_COMMAND>();
    record->nType = JobTypeOf(*this);
    record->strCmdLine = BuildCommandLine();
    record->nPassKind = passKind;
    record->nExtra = extra;
    record->nFlag = flag;
    record->strInput = inputPath;
    record->strOutput = outputPath;
    record->pMedia = media;
    queue.push_back(std::move(record));
}

CFFMpegOpts::CFFMpegOpts() : CCmdOpts(ToolPrefix(L"ffmpeg")) {}

const std::wstring& CFFMpegOpts::BuildCommandLine()
{
    m_strCmdLine = m_strPrefix;

    bool cdLine = false;
    auto device = std::find_if(m_options.begin(), m_options.end(), [](const VXM_CMD_OPTION& o) {
        return o.strName == L"-f dvdnav" || o.strName == L"-f libcdio";
    });
    if (device != m_options.end()) {
        const std::wstring name = device->strName;
        m_strCmdLine += FormatOption(*device);
        cdLine = name == L"-f libcdio";
        RemoveOption(name);
    }

    if (VXM_CMD_OPTION* threads = FindOption(VXM_DECODER_THREADS)) {
        if (!cdLine && !m_strInput1.empty()) m_strCmdLine += FormatOption(*threads);
        RemoveOption(VXM_DECODER_THREADS);
    }
    if (!cdLine && !m_strInput1.empty())
        m_strCmdLine += L" -i " + m_strInput1;
    if (!m_strInput2.empty())
        m_strCmdLine += L" -i " + m_strInput2;
    if (!m_strInput3.empty())
        m_strCmdLine += L" -i " + m_strInput3;

    if (VXM_CMD_OPTION* seek = FindOption(L"-ss")) {
        m_strCmdLine += FormatOption(*seek);
        RemoveOption(L"-ss");
    }
    if (cdLine)
        m_strCmdLine += L" -i \"\"";

    for (VXM_CMD_OPTION& option : m_options) {
        if (option.strName == L"-ac" && option.strValue == L"5.1")
            option.strValue = L"6";
        m_strCmdLine += FormatOption(option);
    }
    return m_strCmdLine;
}

CSysCmdOpts::CSysCmdOpts() : CCmdOpts(L"cmd.exe /c") {}

CMP4CreatorOpts::CMP4CreatorOpts() : CCmdOpts(InterpreterToolPrefix(L"mp4creator")) {}

CMP4BoxOpts::CMP4BoxOpts() : CCmdOpts(InterpreterToolPrefix(L"mp4box")) {}

CWMVOpts::CWMVOpts() : CCmdOpts(ToolPrefix(L"ffmpeg")) {}

CFLVOpts::CFLVOpts() : CCmdOpts(InterpreterToolPrefix(L"flvbind")) {}

CAPEOpts::CAPEOpts() : CCmdOpts(ToolPrefix(L"ffmpeg")) {}

CTsMuxeROpts::CTsMuxeROpts() : CCmdOpts(InterpreterToolPrefix(L"tsmuxer")) {}

CQTFastStartOpts::CQTFastStartOpts() : CCmdOpts(InterpreterToolPrefix(L"qt-faststart")) {}
