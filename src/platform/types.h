// Basic integer and handle types shared by every layer; defined with the
// engine's public headers, which a host uses without this folder.
#pragma once
#include "../../include/VXMTypes.h"
