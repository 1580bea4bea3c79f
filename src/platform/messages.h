// Message targets, posted and sent messages, per-thread queues and timers;
// declared with the engine's public headers, which a host uses without this folder.
#pragma once
#include "../../include/VXMMessageLoop.h"
