// One stand-in program for the outside muxing tools. It answers to the name
// it is started under: mp4creator, mp4box, tsmuxer, flvbind, qt-faststart.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "MuxOps.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& what)
{
    std::fprintf(stderr, "Error: %s\n", what.c_str());
    return 1;
}

// Writes through a temporary beside the target, then moves it in place.
template <typename Fn>
int WriteReplacing(const std::string& target, Fn write)
{
    std::string temp = target + ".vxmtmp" + fs::path(target).extension().string();
    std::string error;
    if (!write(temp, error)) {
        std::error_code ec;
        fs::remove(temp, ec);
        return Fail(error);
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Fail("cannot replace " + target);
    }
    std::printf("Done: %s\n", target.c_str());
    return 0;
}

// mp4creator -c <stream> [-rate=<fps>] <file.mp4>: adds the stream to the file.
int RunMp4Creator(const std::vector<std::string>& args)
{
    std::string stream, rate, output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-c" && i + 1 < args.size())
            stream = args[++i];
        else if (args[i].rfind("-rate=", 0) == 0)
            rate = args[i].substr(6);
        else if (!args[i].empty() && args[i][0] != '-')
            output = args[i];
    }
    if (stream.empty() || output.empty())
        return Fail("usage: mp4creator -c <stream> [-rate=<fps>] <file.mp4>");
    std::vector<MuxInput> inputs;
    std::error_code ec;
    if (fs::exists(output, ec))
        inputs.push_back({output, {}});
    inputs.push_back({stream, rate});
    return WriteReplacing(output, [&](const std::string& temp, std::string& error) {
        return RemuxInputs(inputs, temp, "mp4", false, error);
    });
}

// mp4box -force-cat -cat <a> -cat <b> ... -new <out>
int RunMp4Box(const std::vector<std::string>& args)
{
    std::vector<std::string> parts;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-cat" && i + 1 < args.size())
            parts.push_back(args[++i]);
        else if (args[i] == "-new" && i + 1 < args.size())
            output = args[++i];
    }
    if (parts.empty() || output.empty())
        return Fail("usage: mp4box -cat <file> ... -new <out>");
    std::string error;
    if (!JoinInputs(parts, output, error)) {
        std::error_code ec;
        fs::remove(output, ec);
        return Fail(error);
    }
    std::printf("Done: %s\n", output.c_str());
    return 0;
}

// flvbind <out> <in1> <in2> ...
int RunFlvBind(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return Fail("usage: flvbind <out> <in> ...");
    std::vector<std::string> parts(args.begin() + 1, args.end());
    std::string error;
    if (!JoinInputs(parts, args[0], error)) {
        std::error_code ec;
        fs::remove(args[0], ec);
        return Fail(error);
    }
    std::printf("Done: %s\n", args[0].c_str());
    return 0;
}

std::string Trim(std::string s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    size_t e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// One track line: TAG, "path", key=value, ...
bool ParseTrack(const std::string& line, MuxInput& input)
{
    size_t q1 = line.find('"');
    if (q1 == std::string::npos)
        return false;
    std::string path;
    size_t i = q1 + 1;
    for (; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size())
            ++i;
        path += line[i];
    }
    if (i >= line.size() || path.empty())
        return false;
    input.path = path;
    size_t fps = line.find("fps=", i);
    if (fps != std::string::npos) {
        size_t end = line.find(',', fps);
        input.frameRate = Trim(line.substr(fps + 4, end == std::string::npos ? std::string::npos : end - fps - 4));
    }
    return true;
}

// tsmuxer <file.meta> <out.m2ts>
int RunTsMuxer(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("usage: tsmuxer <file.meta> <out.m2ts>");
    std::ifstream meta(args[0]);
    if (!meta)
        return Fail("cannot read " + args[0]);
    std::vector<MuxInput> inputs;
    std::string line;
    while (std::getline(meta, line)) {
        line = Trim(line);
        if (line.empty() || line.rfind("MUXOPT", 0) == 0)
            continue;
        MuxInput input;
        if (!ParseTrack(line, input))
            return Fail("bad track line in " + args[0] + ": " + line);
        inputs.push_back(input);
    }
    if (inputs.empty())
        return Fail("no tracks in " + args[0]);
    std::string error;
    if (!RemuxInputs(inputs, args[1], "mpegts", false, error)) {
        std::error_code ec;
        fs::remove(args[1], ec);
        return Fail(error);
    }
    std::printf("Done: %s\n", args[1].c_str());
    return 0;
}

// qt-faststart <in> <out>
int RunFastStart(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("usage: qt-faststart <in> <out>");
    std::string error;
    if (!RemuxInputs({MuxInput{args[0], {}}}, args[1], "mp4", true, error)) {
        std::error_code ec;
        fs::remove(args[1], ec);
        return Fail(error);
    }
    std::printf("Done: %s\n", args[1].c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string name = fs::path(argv[0]).stem().string();
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<std::string> args(argv + 1, argv + argc);
    if (name == "mp4creator")
        return RunMp4Creator(args);
    if (name == "mp4box")
        return RunMp4Box(args);
    if (name == "flvbind")
        return RunFlvBind(args);
    if (name == "tsmuxer")
        return RunTsMuxer(args);
    if (name == "qt-faststart")
        return RunFastStart(args);
    return Fail("start me as mp4creator, mp4box, tsmuxer, flvbind or qt-faststart");
}
