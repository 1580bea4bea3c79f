#include "ToolFiles.h"

#include <cstdio>
#include <filesystem>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
}

#include "VXMUtils.h"

namespace {

namespace fs = std::filesystem;

// Owns a stdio file; closes it on every path.
struct CFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, CFileCloser>;

FilePtr OpenForWriting(const std::wstring& path)
{
    return FilePtr(std::fopen(WideToUtf8(path).c_str(), "w"));
}

// A fixed folder of the installation holding the AviSynth plug-ins.
std::string PluginFolder()
{
    return WideToUtf8(GetProgramFolder() + L"/avisynth");
}

const char* OutputComment(int mode)
{
    switch (mode) {
    case 9:
        return "## Output the two video frames in anaglyph yellow-blue (yellow-blue glasses)\n";
    case 12: case 13: case 14: case 15:
        return "## Output the two video frames in a side-by-side / parallel format\n";
    case 16: case 17: case 18: case 19:
        return "## Output the two video frames in a Above/Below format (like Sony?)\n";
    case 20: case 21:
        return "## Output two video frames in Interlaced mode\n";
    case 22: case 23:
        return "## Output the two video frames in a page flipping format for shutter glasses etc.\n";
    default:
        return "## Output the two video frames in anaglyph red-cyan (red-cyan glasses)\n";
    }
}

std::string ScaledStack(const char* stack)
{
    return std::string("    video3d = ") + stack +
           "\n \tvw = width(f1)\n \tvh = height(f1)\n \tvw = vw - vw % 4\n"
           " \tvideo3d = video3d.swscale(width = vw, height = vh)\n \treturn video3d";
}

std::string OutputBlock(int mode)
{
    if (mode >= 12 && mode <= 19) {
        // Side by side (12-15) or one above the other (16-19), each as f1 f2
        // and f2 f1; the last two of each four scale the stacked picture.
        const int k = mode - 12;
        const std::string stack =
            std::string(k < 4 ? "StackHorizontal" : "StackVertical") + (k % 2 ? "(f2, f1)" : "(f1, f2)");
        if (k % 4 >= 2)
            return ScaledStack(stack.c_str());
        return "    video3d = " + stack + ".swscale(colorspace=\"yv12\")\n \treturn video3d";
    }
    switch (mode) {
    case 9:
        return "    f1 = f1.ConvertToYV12(matrix=\"PC.601\").tweak(bright=12.5, sat=1.25, coring=false)\n"
               " \tf1 = f1.ConvertToRGB32\n \tf1 = f1.Levels(0, 1.05, 255, 0, 255, coring=false)\n"
               " \tMergeRGB(f2.ShowRed, f1.ShowGreen, f1.ShowBlue)\n";
    case 20: case 21:
        return "    f1 = SeparateFields(f1)\n \tf1 = SelectEven(f1)\n \tf2 = SeparateFields(f2)\n"
               " \tf2 = SelectOdd(f2)\n \tinterleave(f2,f1)\n \tAssumeFieldBased()\n \tweave()\n";
    case 22:
        return "    f1 = f1.ConvertToYV12.Tweak(Bright=30)\n\tf2 = f2.ConvertToYV12.Tweak(Bright=30)\n"
               "\tInterleave(f2,f1)\n";
    case 23:
        return "    f1 = f1.ConvertToYV12.Tweak(Bright=30)\n \tf2 = f2.ConvertToYV12.Tweak(Bright=30)\n"
               " \tInterleave(f1,f2)\n";
    case 24:
        return "    final=MergeRGB(f1.ShowRed, f2.ShowGreen, f2.ShowBlue)\n"
               "\tfinal = final.swscale(colorspace=\"yv12\", width = OutputWidth, height = OutputHeight)\n"
               "\treturn final";
    default:
        return "    final=MergeRGB(f2.ShowRed, f1.ShowGreen, f1.ShowBlue)\n"
               "\tfinal = final.swscale(colorspace=\"yv12\", width = OutputWidth, height = OutputHeight)\n"
               "\treturn final";
    }
}

// A name in the temporary folder for a file that a tool writes itself:
// taken exclusively, then freed again, so nothing of that name exists.
std::wstring NewCacheName(const std::wstring& folder, const std::wstring& name)
{
    std::wstring cache = CreateUniqueTempFile(folder, name + L"-", L".ffindex");
    std::error_code ec;
    if (!cache.empty())
        fs::remove(WideToUtf8(cache), ec);
    return cache;
}

}  // namespace

bool IsAviSynthAvailable()
{
    return av_find_input_format("avisynth") != nullptr;
}

std::string FormatTwoDToThreeDScript(const std::string& sourcePath, const std::string& cachePath,
                                     const VXM_3D_SCRIPT_SETTINGS& settings)
{
    const int mode = settings.n3DOutput;
    const bool pageFlip = mode == 22 || mode == 23;
    std::string s;
    s += "# Setting the working dir.\n";
    s += FormatA("    SetWorkingDir(\"%s\")\n", PluginFolder().c_str());
    s += "import(\"StandardHeader.pat\")\n";
    s += "import(\"ffmpegsource.avsi\")\n";
    s += "    SetMemoryMax(16)\n";
    s += "## For this to work you need to have AviSynth with MT mod 0.7 installed!!!\n";
    s += "## Open the video file for conversion, change the video file name\n";
    s += FormatA("    video2d = ffmpegSource(\"%s\", threads=2,atrack=1,seekmode=3,cachefile=\"%s\","
                 "colorspace=\"rgb32\")\n",
                 sourcePath.c_str(), cachePath.c_str());
    if (pageFlip)
        s += "\tvideo2d = ConvertFPS(video2d,15) \n";
    s += "## Get video width/height and set the frame stretch factor\n"
         "## Lower the value 100 to increase frame stretch, may introduce ghosting\n";
    s += "    videoW = width(video2d)\n    videoH = height(video2d)\n";
    s += FormatA("    ResW = videoW + (videoW * %d / 200)\n\tCropW = (ResW - videoW) / 2\n", settings.n3DDepth);
    if (!pageFlip)
        s += "    ResW = ResW - ResW % 4\n\tCropW = CropW - CropW % 4\n";
    s += "## Create variables for left and right frame with one frame difference\n"
         "## This is the Plufrich-like simulation that creates illusion of depth from movement\n";
    s += "## Stretch the frame to further the depth effect\n";
    if (mode == 2 || mode == 24) {
        s += "    f1 = video2d.swscale(width=ResW, height=videoH)\n\tf2 = f1\n\tf1 = DeleteFrame(video2d, 0)\n"
             "\tf1 = Crop(f1, 0, 0, videoW, videoH)\n";
        s += "    f2 = Crop(f2, CropW, 0, videoW, videoH)\n";
    } else {
        s += "    f1 = video2d.swscale(width=ResW, height=videoH)\n\tf2 = f1\n\tf2 = DeleteFrame(f2, 0)\n"
             "\tf2 = Crop(f2, 0, 0, videoW, videoH)\n";
        s += "    f1 = Crop(f1, CropW, 0, videoW, videoH)\n";
    }
    s += FormatA("\tOutputWidth = %d\n", settings.n3DWidth);
    s += FormatA("    OutputHeight = %d\n", settings.n3DHeight);
    s += FormatA("\tf1 = f1.DisplayRatio(%0.2f)\n", settings.d3DDisplayRatio);
    s += "\tf1 = f1.ResizeLetterBox(OutputWidth, OutputHeight)\n";
    s += FormatA("\tf2 = f2.DisplayRatio(%0.2f)\n", settings.d3DDisplayRatio);
    s += "\tf2 = f2.ResizeLetterBox(OutputWidth, OutputHeight)\n";
    s += OutputComment(mode);
    s += OutputBlock(mode);
    return s;
}

int WriteTwoDToThreeDScript(const std::wstring& sourcePath, std::wstring& scriptPath,
                            const VXM_3D_SCRIPT_SETTINGS& settings, const std::wstring& name,
                            std::wstring& cachePath)
{
    const std::wstring temp = GetTempFolder();
    if (!CreateFolderTree(temp))
        return -1;
    if (scriptPath.empty()) {
        scriptPath = CreateUniqueTempFile(temp, name + L"-", L".avs");
        if (scriptPath.empty())
            return -1;
    }
    if (cachePath.empty()) {
        cachePath = NewCacheName(temp, name);
        if (cachePath.empty())
            return -1;
    }
    FilePtr file = OpenForWriting(scriptPath);
    if (!file)
        return -1;
    const std::string text = FormatTwoDToThreeDScript(WideToAnsi(sourcePath), WideToAnsi(cachePath), settings);
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
        return -1;
    return std::fclose(file.release()) == 0 ? 0 : -1;
}

int BuildTwoDToThreeDScript(const std::wstring& sourcePath, std::wstring& scriptPath,
                            const VXM_3D_SCRIPT_SETTINGS& settings, const std::wstring& name,
                            std::wstring& cachePath)
{
    if (!IsAviSynthAvailable())
        return VXM_AVISYNTH_UNAVAILABLE;
    return WriteTwoDToThreeDScript(sourcePath, scriptPath, settings, name, cachePath);
}

int WriteConcatListFile(const std::vector<std::wstring>& inputs, std::wstring& out)
{
    if (inputs.empty())
        return -1;
    std::string text;
    for (const std::wstring& input : inputs) {
        std::string path = WideToUtf8(input);
        if (path.empty() || path.find_first_of("\r\n") != std::string::npos)
            return -1;
        std::string quoted;
        for (char c : path) {
            if (c == '\'')
                quoted += "'\\''";
            else
                quoted += c;
        }
        text += "file '" + quoted + "'\n";
    }

    const std::wstring temp = GetTempFolder();
    if (!CreateFolderTree(temp))
        return -1;
    const std::wstring listPath = CreateUniqueTempFile(temp, L"merge-", L".txt");
    if (listPath.empty())
        return -1;
    FilePtr file = OpenForWriting(listPath);
    bool ok = file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    if (file)
        ok = std::fclose(file.release()) == 0 && ok;
    if (!ok) {
        std::error_code ec;
        fs::remove(WideToUtf8(listPath), ec);
        return -1;
    }
    out = listPath;
    return 0;
}
