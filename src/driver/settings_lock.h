// The platform's settings lock, held for a scope when it could be taken.
#pragma once

#include "platform/scoped_claim.h"

using SettingsLock = platform::ScopedClaim<&platform::Platform::TryLockSettings, &platform::Platform::UnlockSettings>;
