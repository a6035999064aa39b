// The system the driver core talks to: the real one, or, with the
// environment variable MAROVEX_ADAPTER=emulated, the emulated adapter on it.
#pragma once

#include "platform/platform.h"

platform::Platform& ChoosePlatform();
