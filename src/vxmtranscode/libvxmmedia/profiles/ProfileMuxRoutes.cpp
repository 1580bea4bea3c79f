// Steps around the encode: the raw-stream mux, the tsMuxeR demux and mux and
// the APE route with its WAV intermediate.
#include "ProfileJobBuild.h"
#include "ProfileMuxSteps.h"
#include "SplitCommandLine.h"

namespace {

bool AudioWanted(bool hasAudio, COutputProfile* profile)
{
    return hasAudio && profile && !profile->IsAudioDisabled();
}

void AddDelete(CSysCmdOpts& shell, VXM_JOB_QUEUE& queue, const std::wstring& path)
{
    if (path.empty())
        return;
    shell.SetOption(L"del", L"%s", QuoteArgument(path).c_str());
    shell.AddJobCommand(queue, PASS_PLAIN);
}

}  // namespace

void BuildRawMp4CreatorCommands(const std::wstring& targetRate, const std::wstring& encodePath, VXM_JOB_QUEUE& queue,
                                COutputProfile* profile, bool hasAudio, const std::wstring& videoStream,
                                const std::wstring& audioStream, const std::wstring& finalOutput)
{
    const bool audio = AudioWanted(hasAudio, profile) && !audioStream.empty();
    {
        CFFMpegOpts demux;
        demux.SetInput(encodePath);
        demux.AddFlag(L"-y");
        demux.SetOption(L"-vcodec", L"copy");
        demux.AddFlag(L"-an");
        demux.SetOption(L"-f", L"rawvideo");
        AddOutputPath(demux, videoStream);
        demux.AddJobCommand(queue, PASS_DEMUX_VIDEO, encodePath, nullptr, 0, videoStream, 8);
    }
    if (audio) {
        CFFMpegOpts demux;
        demux.SetInput(encodePath);
        demux.AddFlag(L"-y");
        demux.AddFlag(L"-vn");
        demux.SetOption(L"-acodec", L"copy");
        AddOutputPath(demux, audioStream);
        demux.AddJobCommand(queue, PASS_DEMUX_AUDIO, encodePath, nullptr, 0, audioStream, 9);
    }
    CMP4CreatorOpts mux;
    mux.SetOption(L"-c", L"%s -rate=%s %s", QuoteArgument(videoStream).c_str(), targetRate.c_str(),
                  QuoteArgument(finalOutput).c_str());
    mux.AddJobCommand(queue, PASS_MUX, videoStream, nullptr, 0, finalOutput);
    if (audio) {
        mux.SetOption(L"-c", L"%s %s", QuoteArgument(audioStream).c_str(), QuoteArgument(finalOutput).c_str());
        mux.AddJobCommand(queue, PASS_MUX, audioStream, nullptr, 0, finalOutput);
    }
    CSysCmdOpts shell;
    AddDelete(shell, queue, encodePath);
    AddDelete(shell, queue, videoStream);
    if (audio)
        AddDelete(shell, queue, audioStream);
}

void BuildTsMuxerRemuxCommands(const std::wstring& audioStream, const std::wstring& metaFile, COutputProfile* profile,
                               bool hasAudio, const std::wstring& videoStream, const std::wstring& encodedFile,
                               VXM_JOB_QUEUE& queue, int mode)
{
    const bool audio = AudioWanted(hasAudio, profile) && !audioStream.empty();
    if (mode == 1) {
        // The stream names are reserved by creating them: overwrite. A
        // source without picture has no video stream file.
        if (!videoStream.empty()) {
            CFFMpegOpts video;
            video.SetInput(encodedFile);
            video.AddFlag(L"-y");
            video.SetOption(L"-vcodec", L"copy");
            video.SetOption(L"-f", L"rawvideo");
            video.SetOption(L"-an", L"%s", QuoteArgument(videoStream).c_str());
            video.AddJobCommand(queue, PASS_DEMUX_VIDEO, encodedFile, nullptr, 0, videoStream);
        }
        if (audio) {
            CFFMpegOpts sound;
            sound.SetInput(encodedFile);
            sound.AddFlag(L"-y");
            sound.SetOption(L"-acodec", L"copy");
            sound.SetOption(L"-vn", L"%s", QuoteArgument(audioStream).c_str());
            sound.AddJobCommand(queue, PASS_DEMUX_AUDIO, encodedFile, nullptr, 0, audioStream);
        }
        return;
    }
    CTsMuxeROpts mux;
    mux.SetInput(QuoteArgument(metaFile));
    mux.SetInput2(QuoteArgument(encodedFile));
    mux.AddJobCommand(queue, PASS_TSMUX, videoStream.empty() ? audioStream : videoStream, nullptr, 0, encodedFile);
    CSysCmdOpts shell;
    AddDelete(shell, queue, videoStream);
    if (audio)
        AddDelete(shell, queue, audioStream);
    AddDelete(shell, queue, metaFile);
}

void BuildApeCommands(const std::wstring& apeOutput, VXM_JOB_QUEUE& queue, COutputProfile* profile,
                      CVXMMediaBase* media, const std::wstring* wavIntermediate)
{
    const std::wstring wav = wavIntermediate ? *wavIntermediate : apeOutput;
    CFFMpegOpts decode;
    VXM_BUILD_VALUES values;
    AddInputAndGlobalOptions(decode, media, profile, values);
    decode.AddFlag(L"-vn");
    decode.SetOption(L"-acodec", L"pcm_s16le");
    decode.SetOption(L"-ac", L"2");
    decode.SetOption(L"-ar", L"%s", profile->GetSampleRate().c_str());
    AddOutputPath(decode, wav);
    decode.AddJobCommand(queue, PASS_PLAIN, media->m_strSourcePath, media, 1, wav);

    CAPEOpts ape;
    ape.SetInput(wav);
    ape.SetInput2(apeOutput);
    ape.AddJobCommand(queue, PASS_PLAIN, wav, nullptr, 0, apeOutput);
    if (wavIntermediate) {
        CSysCmdOpts shell;
        AddDelete(shell, queue, *wavIntermediate);
    }
}
