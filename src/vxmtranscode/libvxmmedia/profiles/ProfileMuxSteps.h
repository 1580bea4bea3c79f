// Steps around the encode that wrap outside muxers and joins: the raw-stream
// mux, the tsMuxeR demux and mux, APE compression and the join routes. They
// are defined by the mux and join code; while it is not linked in, the job
// building leaves these steps out and says so in the log.
#pragma once
#include <string>
#include <vector>

#include "JobCommand.h"

class COutputProfile;
class CVXMMediaBase;

void BuildRawMp4CreatorCommands(const std::wstring& targetRate, const std::wstring& encodePath, VXM_JOB_QUEUE& queue,
                                COutputProfile* profile, bool hasAudio, const std::wstring& videoStream,
                                const std::wstring& audioStream, const std::wstring& finalOutput);
// mode 1: demux of the encoded file; mode 2: the mux and the clean-up.
void BuildTsMuxerRemuxCommands(const std::wstring& audioStream, const std::wstring& metaFile, COutputProfile* profile,
                               bool hasAudio, const std::wstring& videoStream, const std::wstring& encodedFile,
                               VXM_JOB_QUEUE& queue, int mode);
void BuildApeCommands(const std::wstring& apeOutput, VXM_JOB_QUEUE& queue, COutputProfile* profile,
                      CVXMMediaBase* media, const std::wstring* wavIntermediate);
// Joins the part files into joinedOutput (the concat list first, else by extension).
void BuildJoinRoute(CVXMMediaBase* media, COutputProfile* profile, const std::wstring& joinedOutput,
                    VXM_JOB_QUEUE& queue, const std::vector<std::wstring>& parts);
