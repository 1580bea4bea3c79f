// Events with timed waits and the tick clock; declared with the engine's
// public headers, which a host uses without this folder.
#pragma once
#include "../../include/VXMEvents.h"
