// The DVD structure as the DVD reader tool (vxmdvdinfo, a child process)
// answers it: libdvdread parses a disc's information files in that process
// only, so a damaged disc that brings the parser down ends the child, never
// the engine's host. A crash, a time-out or a malformed answer is a failed
// read. The last successful read of each path is kept: the title input
// reads a disc's video only by a structure the tool answered for it.
#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "DvdInfo.h"

// Runs the tool on `path` (one child per call) and waits for its answer,
// at most the time limit, or until `*stop` turns true. 0 with `info` filled;
// -1 with a log line otherwise. A failed read forgets the path's last one.
int ReadDvdStructure(const std::string& path, dvd_info& info, const std::atomic<bool>* stop = nullptr);

// The structure of the path's last successful read; when there is none, the
// tool is run for it now. Null when the path holds no readable DVD.
std::shared_ptr<const dvd_info> KnownDvdStructure(const std::string& path);

// Tests: another tool program and time limit (empty / zero: the defaults).
void SetDvdReaderForTesting(const std::wstring& program, std::chrono::milliseconds limit);
