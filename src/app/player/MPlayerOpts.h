// Command line of the media player: the player program, one name and value
// pair per option in the order set, the quoted input and the closing quote
// of the interpreter prefix. The player runs as a CRedirector child.
#pragma once
#include "vxmtranscode/libvxmmedia/media/CmdOpts.h"

#include <string>
#include <string_view>

class CMPlayerOpts : public CCmdOpts {
public:
    CMPlayerOpts();
    // "-name value -flag ...": each piece that starts with " -" is one
    // option; a name alone is a flag, a name and one value an option, and a
    // piece of three or more words is ignored.
    void ParseOptions(std::wstring_view text) override;
};

// The player program: "mplayer" of the tools folder when it is there, else
// the one the PATH finds (else the tools-folder path, so a start reports it
// missing).
std::wstring FindMPlayerProgram();
