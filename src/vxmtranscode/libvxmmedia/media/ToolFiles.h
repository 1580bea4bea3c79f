// Files the engine writes for tools: the AviSynth 2D-to-3D script and the
// FFmpeg concat list. Generated names live in the engine's temporary folder
// and are created exclusively, so parallel conversions never share one.
#pragma once
#include <string>
#include <vector>

// The values of a media object's 3D settings that the script uses.
struct VXM_3D_SCRIPT_SETTINGS {
    int n3DOutput = -1;  // the output layout (mode), 9..24
    int n3DDepth = 1;    // stretch in percent
    int n3DWidth = 0;
    int n3DHeight = 0;
    double d3DDisplayRatio = 0.0;
};

// Result of BuildTwoDToThreeDScript when the FFmpeg libraries cannot read
// AviSynth scripts: nothing is written and the 3D modes that need a script
// must be refused.
constexpr int VXM_AVISYNTH_UNAVAILABLE = -2;

// True when libavformat has an AviSynth demuxer.
bool IsAviSynthAvailable();

// The script text for a source and an index cache file (UTF-8 paths).
std::string FormatTwoDToThreeDScript(const std::string& sourcePath, const std::string& cachePath,
                                     const VXM_3D_SCRIPT_SETTINGS& settings);

// Writes the script. Empty script / cache paths get new names
// "<temp>/<name>-<n>.avs" and "<temp>/<name>-<n>.ffindex", stored back.
// 0 on success, -1 when the file cannot be created,
// VXM_AVISYNTH_UNAVAILABLE when no AviSynth reader exists (nothing written).
int BuildTwoDToThreeDScript(const std::wstring& sourcePath, std::wstring& scriptPath,
                            const VXM_3D_SCRIPT_SETTINGS& settings, const std::wstring& name,
                            std::wstring& cachePath);
// The writing step alone, whatever the reader's availability.
int WriteTwoDToThreeDScript(const std::wstring& sourcePath, std::wstring& scriptPath,
                            const VXM_3D_SCRIPT_SETTINGS& settings, const std::wstring& name,
                            std::wstring& cachePath);

// One line per input, "file '<path>'\n", with a quote in a path written as
// '\'' (the concat demuxer's own quoting). The list is a new file
// "<temp>/merge-<n>.txt". 0 and out set on success; -1 for an empty list, an
// empty path, a path holding a line break, or a file that cannot be written
// (a half-written list is removed).
int WriteConcatListFile(const std::vector<std::wstring>& inputs, std::wstring& out);
