// The DVD reader: reads the structure of the DVD at its argument (a drive, an
// image or a disc folder) and writes it to standard output in the answer
// form of DvdAnswer.h. The engine runs it as a child process, so that a
// damaged disc that brings libdvdread down ends this process only.
// Exit code 0 with an answer; 1 when there is no readable DVD; 2 on misuse.
#include <cstdio>
#include <string>

#include "DiscStructure.h"
#include "DvdAnswer.h"

int main(int argc, char** argv)
{
    if (argc != 2 || !argv[1][0]) {
        std::fprintf(stderr, "usage: vxmdvdinfo <drive, image or disc folder>\n");
        return 2;
    }
    dvd_info info;
    if (!ReadDiscStructure(argv[1], info))
        return 1;
    const std::string answer = WriteDvdAnswer(info);
    if (std::fwrite(answer.data(), 1, answer.size(), stdout) != answer.size() || std::fflush(stdout) != 0)
        return 1;
    return 0;
}
