// Program entry point.
#include <cstdio>

int main(int argc, char** argv)
{
    std::fprintf(stderr, "VXMPro started\n");
    return 0;
}
