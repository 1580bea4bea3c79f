// Whether hardware H.264 encoding can be offered: a trial of FFmpeg's NVENC
// encoder on a tiny frame. Only a real encoder counts, not a bare CUDA device.
#pragma once

// 1 when h264_nvenc opens and encodes a frame, else 0. Computed once.
int IsHardwareEncoderPresent();
