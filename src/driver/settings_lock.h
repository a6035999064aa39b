// The platform's settings lock, held for a scope when it could be taken.
#pragma once

#include "platform/platform.h"

class SettingsLock {
public:
    explicit SettingsLock(platform::Platform& os) : m_os(os), m_held(os.TryLockSettings()) {}
    ~SettingsLock()
    {
        if (m_held)
            m_os.UnlockSettings();
    }
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;
    bool Held() const { return m_held; }

private:
    platform::Platform& m_os;
    bool m_held;
};
