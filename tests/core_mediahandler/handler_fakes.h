// The media handler tests' fakes: the shared stand-ins of the engine's
// objects and the profile manager that records the engine settings.
#pragma once
#include "support/fake_media.h"
