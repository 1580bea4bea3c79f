// Job building: the shared input and filter options, the encode builders and
// the output naming of a profile's conversion steps.
#pragma once
#include <string>

#include "CmdOpts.h"
#include "OutputProfile.h"
#include "ProfileManager.h"
#include "VXMMediaBase.h"

// The engine settings the builders read; the defaults without a manager.
const VXM_ENGINE_SETTINGS& BuildSettings();
// True when a equals b but for the case of its letters.
bool EqualsNoCase(const std::wstring& a, const wchar_t* b);
// The width and height of a size value ("640x480"); 0 for a part that is missing.
void SplitVideoSize(const std::wstring& size, int& width, int& height);
// Fixed-point text of a number, always with "." (whatever the process locale).
std::wstring FixedText(double value, int decimals);

// ---- Input and filter options ----
// Appends one piece to a filter chain option ("-vf", "-af"); pieces are kept
// unquoted and the chain is quoted once by FinishFilterOptions.
void AppendFilter(CCmdOpts& opts, const wchar_t* option, const std::wstring& piece);
// Quotes each filter chain as one command-line argument (once).
void FinishFilterOptions(CCmdOpts& opts);
// The output file as the last argument of a step.
void AddOutputPath(CCmdOpts& opts, const std::wstring& path);

// What one job build works out for its media while it writes the steps:
// the build's own, never kept in the profile that others share.
struct VXM_BUILD_VALUES {
    std::wstring threads;
    // x264's own thread count, written on its option text; empty: none.
    std::wstring x264Threads;
    std::wstring x264Options;
    std::wstring mp3Options;
    int aacProfile = 2;
    double seekStart = 0.0;
    // The frame after the scale step; 0 while unknown.
    int scaledWidth = 0, scaledHeight = 0;
    // The shape the output shows that frame in (width to height); 0 while unknown.
    int shownWidth = 0, shownHeight = 0;
};

// The shapes an output's frame may be shown in.
enum class VXM_FRAME_ASPECT {
    Square,     // square pixels: the frame's own shape (the picture's, where the size is automatic)
    Chosen,     // the profile's "16/9" or "4/3", else square pixels
    Broadcast,  // 4:3 or 16:9 only: the chosen one, else the one nearer the picture
};

// How a builder fits the picture into its frame.
struct VXM_FIT {
    explicit VXM_FIT(VXM_FRAME_ASPECT shown = VXM_FRAME_ASPECT::Chosen) : aspect(shown) {}
    VXM_FRAME_ASPECT aspect;
    // The frame stays its size whatever the fit settings (the codec takes
    // only some sizes); the picture keeps its shape inside it.
    bool keepFrame = false;
    std::wstring frame;                   // the frame size ("720x480"); empty: the profile's
    CVXMMediaBase* sizeSource = nullptr;  // whose picture sizes an automatic frame; null: the media's
};

void AddInputAndGlobalOptions(CFFMpegOpts& opts, CVXMMediaBase* media, COutputProfile* profile,
                              VXM_BUILD_VALUES& values);
void AddSeekOptions(CVXMMediaBase* media, CFFMpegOpts& opts, VXM_BUILD_VALUES& values);
void AddPictureFilters(CFFMpegOpts& opts, CVXMMediaBase* media);
// Fits the picture into the frame, keeping its shape as shown; the frame
// size and the shape it is shown in go to values.
void AddScaleAndPadFilters(CVXMMediaBase* media, COutputProfile* profile, CFFMpegOpts& opts,
                           VXM_BUILD_VALUES& values, const VXM_FIT& fit = VXM_FIT());
// Lays the media's image and text watermarks over the frame ("-vf").
void AddLogoOverlay(CVXMMediaBase* media, CFFMpegOpts& opts);
// The engine's temporary folder (made when missing), else the system's.
std::wstring EngineTempFolder();
// The "-aspect" text of an aspect value: "AUTO" (or none) is the shape the
// fit chose for the frame, "16/9" and "4/3" are chosen shapes.
std::wstring GetAspectText(const VXM_BUILD_VALUES& values, const std::wstring& aspect);
// 1 when "AUTO" keeps the source rate (no frame-rate option); else 0 and
// rate holds the text to write.
int ResolveAutoFramerate(double sourceRate, std::wstring& rate);
// The native stereo3d filter for the older numeric layouts; empty when either is unknown.
std::wstring StereoFilterText(int inputMode, int outputMode);
// True when a 2D-to-3D conversion is asked for that needs an AviSynth reader.
bool NeedsAviSynth(const CVXMMediaBase* media);
// The subtitle a file's conversion uses: the one the selection names (an index
// out of range is ignored), else the last one with the chosen id; null when none.
VXM_SUBTITLE* ChosenFileSubtitle(CVXMMediaBase* media);

// ---- Encode builders ----
struct VXM_BUILD_ARGS {
    std::wstring outputFolder;
    VXM_JOB_QUEUE* queue = nullptr;
    COutputProfile* profile = nullptr;
    CVXMMediaBase* media = nullptr;
    VXM_BUILD_VALUES* values = nullptr;
    std::wstring encodePath;
    std::wstring thumbnailPath;
    CVXMMediaBase* parent = nullptr;
    // Set when the encoded video is copied out as a raw stream that a muxer
    // times again at this one rate: the encode then holds a frame for every
    // step of that rate, whatever the source's timing.
    std::wstring constantRate;
    // The MP4 encode's video: bound for a raw stream that a later step muxes,
    // or made by the NVIDIA encoder.
    bool rawStreamRoute = false;
    bool hardwareEncoder = false;
};
void BuildMpeg4Command(const VXM_BUILD_ARGS& a);
void BuildAvcPspCommand(const VXM_BUILD_ARGS& a);
void BuildAvcPs3Command(const VXM_BUILD_ARGS& a);
void BuildMpeg4PspCommand(const VXM_BUILD_ARGS& a);
void BuildDvdCommand(const VXM_BUILD_ARGS& a);
void BuildMpegCommand(const VXM_BUILD_ARGS& a);
void BuildWmvCommand(const VXM_BUILD_ARGS& a);
void BuildWmaCommand(const VXM_BUILD_ARGS& a);
void BuildMp3Command(const VXM_BUILD_ARGS& a);
void BuildOggCommand(const VXM_BUILD_ARGS& a);
void BuildAacCommand(const VXM_BUILD_ARGS& a);
void BuildWavCommand(const VXM_BUILD_ARGS& a);
void BuildDtsCommand(const VXM_BUILD_ARGS& a);
void BuildAudioCommand(const VXM_BUILD_ARGS& a);
void Build3gpCommand(const VXM_BUILD_ARGS& a);
void BuildAviCommand(const VXM_BUILD_ARGS& a);
void BuildMkvCommand(const VXM_BUILD_ARGS& a);
void BuildMovCommand(const VXM_BUILD_ARGS& a);
void BuildFlvCommand(const VXM_BUILD_ARGS& a);
void BuildSwfCommand(const VXM_BUILD_ARGS& a);
void BuildAsfCommand(const VXM_BUILD_ARGS& a);
void BuildWebmCommand(const VXM_BUILD_ARGS& a);
void BuildOgvCommand(const VXM_BUILD_ARGS& a);
void BuildGifCommand(const VXM_BUILD_ARGS& a);

// ---- Output names ----
// Base name of a media's outputs (see the naming rules of the builders).
std::wstring GetBurnTempOutputName(CVXMMediaBase* media, const std::wstring* codec);
// First free "<folder>/<name>.<ext>", then "<name>_001" ... "_999"; a name is
// free when no file has it and no build of this process has taken it. The
// taken name is reserved process-wide. Empty when all 1,000 are taken.
// base (optional) gets the taken path without its extension.
std::wstring MakeUniqueOutputPath(const std::wstring& extension, std::wstring* base, const std::wstring& folder,
                                  const std::wstring& name);
std::wstring MakeOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder);
std::wstring MakeCodecNamedOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder);
std::wstring MakePspOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder);
std::wstring Make3gpOutputPath(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                               std::wstring* aviSibling);
// The encode path itself or its "_%03d" form that no queued step writes and no
// file has; also stored as the media's output. Empty when all are taken.
std::wstring MakeSegmentOutputName(const std::wstring& path, const VXM_JOB_QUEUE& queue, CVXMMediaBase* media);
// Gives a reserved name back (a conversion that ended or was never built).
void ReleaseOutputName(const std::wstring& path);
// Forgets every reserved output name (tests).
void ClearReservedOutputNames();

// Paths chosen by a mux-kind step.
struct VXM_MUX_PATHS {
    std::wstring finalOutput;
    std::wstring encodePath;
    std::wstring aviPath;
    std::wstring audioStream;
    std::wstring videoStream;
    std::wstring thumbnail;
    std::wstring metaFile;
    std::wstring sourceRate;  // decimal texts; empty when unknown
    std::wstring targetRate;
};
bool BuildMp4MuxCommands(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                         CVXMMediaBase* parent, VXM_MUX_PATHS& out);
bool BuildTsMuxerCommands(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                          CVXMMediaBase* parent, VXM_MUX_PATHS& out);
bool BuildM4aMuxCommand(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& folder,
                        VXM_MUX_PATHS& out);

// The subtitle a conversion cuts and burns in, copied out; false when none.
bool GetSelectedSubtitle(CVXMMediaBase* media, VXM_SUBTITLE& out, int profileCode);
void BuildSubtitleCommand(VXM_JOB_QUEUE& queue, COutputProfile* profile, CVXMMediaBase* media,
                          const std::wstring& folder);
// Codec of a subtitle record; external files by their extension.
int SubtitleCodecOf(const VXM_SUBTITLE& subtitle);
// How a subtitle codec reaches the picture: text is cut into an ASS file the
// subtitle filter draws, pictures are decoded by the transcoder ("-sst").
enum class ESubtitleDrawing { Text, Picture, None };
ESubtitleDrawing SubtitleDrawingOf(int codec);
// The encoding a file's byte-order mark names ("UTF-8", "UTF-16LE",
// "UTF-16BE"); empty without one.
std::string ByteOrderMarkEncoding(const std::wstring& path);
// True when an added subtitle file burns from the copy the subtitle step
// writes: an SSA or ASS script cut at the trim start, or a UTF-16 file written
// as UTF-8 (FFmpeg's SubRip reader garbles UTF-16 with bare line feeds).
bool BurnsFromSubtitleCopy(const VXM_SUBTITLE& subtitle, double seekStart);
// The settings a subtitle of `codec` burns with: an SSA or ASS script keeps
// its own vertical margins while the position is the program's default.
VXM_SUBTITLE_STYLE SubtitleStyleFor(int codec);
// The embedded subtitle chosen for a file's conversion that no route draws
// on the picture (the output neither copies nor skips it); null when none.
const VXM_SUBTITLE* UndrawableChosenSubtitle(CVXMMediaBase* media, COutputProfile* profile);
