// How a job step of a conversion runs.
#pragma once

enum VXM_JOB_TYPE : int {
    JOB_TYPE_PROCESS = 0,      // child process of the command line
    JOB_TYPE_FFMPEG = 2,       // in-process transcoder, player or probe thread
    JOB_TYPE_MP4CREATOR = 3,   // child process
    JOB_TYPE_MP4BOX = 4,       // child process
    JOB_TYPE_WMV = 8,          // in-process WMV join thread
    JOB_TYPE_FLV = 9,          // child process
    JOB_TYPE_APE = 10,         // in-process APE encoding thread
};
