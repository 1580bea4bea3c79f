// The program's version.
#pragma once

constexpr int VXM_VERSION_MAJOR = 1;
constexpr int VXM_VERSION_MINOR = 0;
constexpr int VXM_VERSION_BUILD = 0;
