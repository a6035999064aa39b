// One of the platform's named claims (the settings lock, the run claim),
// held for a scope when it could be taken.
#pragma once

#include "platform/platform.h"

namespace platform {

template <bool (Platform::*Take)(), void (Platform::*Give)()>
class ScopedClaim {
public:
    explicit ScopedClaim(Platform& os) : m_os(os), m_held((os.*Take)()) {}
    ~ScopedClaim()
    {
        if (m_held)
            (m_os.*Give)();
    }
    ScopedClaim(const ScopedClaim&) = delete;
    ScopedClaim& operator=(const ScopedClaim&) = delete;
    bool Held() const { return m_held; }

private:
    Platform& m_os;
    bool m_held;
};

}  // namespace platform
