#include "MPlayerOpts.h"

#include "VXMGlobal.h"
#include "platform/folders.h"
#include "platform/process.h"

#include <vector>

std::wstring FindMPlayerProgram()
{
    const std::wstring bundled = GetToolsFolder() + L"/mplayer";
    if (!FindProgramInPath(bundled).empty())
        return bundled;
    std::wstring found = FindProgramInPath(L"mplayer");
    return found.empty() ? bundled : found;
}

CMPlayerOpts::CMPlayerOpts()
{
    m_strPrefix = L"cmd.exe /c \"\"" + FindMPlayerProgram() + L"\"";
}

void CMPlayerOpts::ParseOptions(std::wstring_view text)
{
    std::vector<std::wstring> pieces;
    SplitString(L" " + std::wstring(text), L" -", pieces);
    for (const std::wstring& piece : pieces) {
        std::vector<std::wstring> tokens;
        SplitString(piece, L" ", tokens);
        if (tokens.size() == 1)
            AddFlag(tokens[0]);
        else if (tokens.size() == 2)
            SetOption(tokens[0], L"%ls", tokens[1].c_str());
    }
}
