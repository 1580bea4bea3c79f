// Options objects: one class per external tool builds that tool's command
// line. The class fixes the start of the line (the tool's path); the caller
// adds options and up to three file arguments, then turns the object into
// job records with AddJobCommand.
#pragma once
#include <list>
#include <string>
#include <string_view>
#include <utility>

#include "JobCommand.h"
#include "platform/types.h"

struct VXM_CMD_OPTION {
    std::wstring strName;   // as written, may hold several words ("-f concat -i")
    std::wstring strValue;  // possibly empty
};

class CCmdOpts {
public:
    CCmdOpts() = default;
    // `prefix`: the start of every line, the tool's path.
    explicit CCmdOpts(std::wstring prefix) : m_strPrefix(std::move(prefix)) {}
    virtual ~CCmdOpts();

    // File arguments 1 to 3. A text that is already one double-quoted argument
    // is stored as it is; any other text is quoted (with \" for its quotes).
    virtual void SetInput(std::wstring_view text);
    virtual void SetInput2(std::wstring_view text);
    virtual void SetInput3(std::wstring_view text);
    // An option with an empty value.
    virtual void AddFlag(std::wstring_view name);
    // Sets the option's value (wide printf format, "%s" a wide string); an
    // existing option keeps its place, a new one goes to the end.
    virtual void SetOption(std::wstring_view name, const wchar_t* format, ...);
    // Appends separator + text to an existing option's value; a missing
    // option is added with the text only when addIfMissing is set.
    virtual void AppendToOption(std::wstring_view name, BOOL addIfMissing, std::wstring_view separator,
                                const wchar_t* format, ...);
    virtual void RemoveOption(std::wstring_view name);
    virtual void ClearOptions();
    virtual void ParseOptions(std::wstring_view text);
    // Prefix, options, file arguments and a closing double quote.
    virtual const std::wstring& BuildCommandLine();

    // Appends the other object's options after ours, then takes its prefix,
    // command line and file arguments.
    void CopyFrom(const CCmdOpts& other);
    // " name value" (an empty value leaves a trailing blank).
    static std::wstring FormatOption(const VXM_CMD_OPTION& option);
    // Builds the line and appends one record for it to the queue.
    void AddJobCommand(VXM_JOB_QUEUE& queue, int passKind, std::wstring_view inputPath = {},
                       CVXMMediaBase* media = nullptr, int flag = 0, std::wstring_view outputPath = {},
                       int extra = 0);

    const std::list<VXM_CMD_OPTION>& GetOptions() const { return m_options; }
    const std::wstring& GetInput1() const { return m_strInput1; }
    const std::wstring& GetInput2() const { return m_strInput2; }

protected:
    VXM_CMD_OPTION* FindOption(std::wstring_view name);
    void AppendOptionAndInputs();

    std::list<VXM_CMD_OPTION> m_options;
    std::wstring m_strPrefix;
    std::wstring m_strCmdLine;
    std::wstring m_strInput1;
    std::wstring m_strInput2;
    std::wstring m_strInput3;
};

// The video decoders' thread count: an input-side option of the transcoder.
inline constexpr const wchar_t* VXM_DECODER_THREADS = L"-threads:v";

// The in-process transcoder: input-side options go before the inputs.
class CFFMpegOpts : public CCmdOpts {
public:
    CFFMpegOpts();
    const std::wstring& BuildCommandLine() override;
};

// The command interpreter: "cmd.exe /c" followed by a file operation.
class CSysCmdOpts : public CCmdOpts {
public:
    CSysCmdOpts();
};

class CMP4CreatorOpts : public CCmdOpts {
public:
    CMP4CreatorOpts();
};

class CMP4BoxOpts : public CCmdOpts {
public:
    CMP4BoxOpts();
};

// The in-process WMV join (the line is only carried).
class CWMVOpts : public CCmdOpts {
public:
    CWMVOpts();
};

class CFLVOpts : public CCmdOpts {
public:
    CFLVOpts();
};

// The in-process APE encoder (the line is only carried).
class CAPEOpts : public CCmdOpts {
public:
    CAPEOpts();
};

class CTsMuxeROpts : public CCmdOpts {
public:
    CTsMuxeROpts();
};

class CQTFastStartOpts : public CCmdOpts {
public:
    CQTFastStartOpts();
};

// The start of a line for a tool of the tools folder: "<path>" in quotes,
// and for tools run through the interpreter cmd.exe /c ""<path>".
std::wstring ToolPrefix(const std::wstring& toolName);
std::wstring InterpreterToolPrefix(const std::wstring& toolName);

// A local file as an input name of the FFmpeg libraries: "file:" before it,
// so that a name such as "pipe:0" or "concat:a|b" is a file, never a protocol.
std::wstring FileInputName(const std::wstring& path);

// The DVD input's options for a disc folder (quoted as any path) with the
// chapter range and angle chosen (-1: none).
std::wstring DvdDeviceOptions(const std::wstring& disc, int firstChapter, int lastChapter, int angle);
