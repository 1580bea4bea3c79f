// Program entry point: an optional file to add, then the program's run.
#include "AppStartup.h"
#include "platform/text.h"

#include <string>

int main(int argc, char** argv)
{
    std::wstring file = argc > 1 ? Utf8ToWide(argv[1]) : std::wstring();
    return RunProgram(GetProgramStartupServices(), file);
}
