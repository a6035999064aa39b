// The registry helpers of CDisplayDriver.  Each opens its key under
// m_hRootKey, does one thing, and closes what it opened.  None of them but
// ReadValue tells the stored type of a value.
#include <cstring>

#include "driver/display_driver.h"

using namespace platform;

bool CDisplayDriver::ReadDword(const char* key, const char* value, std::uint32_t* data)
{
    RegKey hKey = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, key, 0, kKeyQueryValue, &hKey) != kErrorSuccess)
        return false;
    // Read through a copy, so that a failed read leaves the variable as it
    // was and a shorter value replaces only its first bytes.
    std::uint32_t read = *data;
    std::uint32_t size = sizeof read;
    bool ok = m_os.RegQueryValueExA(hKey, value, nullptr, &read, &size) == kErrorSuccess;
    m_os.RegCloseKey(hKey);
    if (ok)
        *data = read;
    return ok;
}

bool CDisplayDriver::ReadBinary(const char* key, const char* value, void* data, std::uint32_t size)
{
    RegKey hKey = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, key, 0, kKeyQueryValue, &hKey) != kErrorSuccess)
        return false;
    bool ok = m_os.RegQueryValueExA(hKey, value, nullptr, data, &size) == kErrorSuccess;
    m_os.RegCloseKey(hKey);
    return ok;
}

bool CDisplayDriver::ReadString(const char* key, const char* value, char* text, std::uint32_t size)
{
    RegKey hKey = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, key, 0, kKeyRead, &hKey) != kErrorSuccess)
        return false;
    bool ok = m_os.RegQueryValueExA(hKey, value, nullptr, text, &size) == kErrorSuccess;
    m_os.RegCloseKey(hKey);
    return ok;
}

bool CDisplayDriver::ReadValue(const char* key, const char* value, std::uint32_t* type, void* data,
                               std::uint32_t* size)
{
    RegKey hKey = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, key, 0, kKeyQueryValue, &hKey) != kErrorSuccess)
        return false;
    const long read = m_os.RegQueryValueExA(hKey, value, type, data, size);
    m_os.RegCloseKey(hKey);
    return read == kErrorSuccess;
}

namespace {

bool WriteValue(Platform& os, RegKey root, const char* key, const char* value,
                std::uint32_t type, const void* data, std::uint32_t size)
{
    RegKey hKey = 0;
    std::uint32_t disposition = 0;
    if (os.RegCreateKeyExA(root, key, kRegOptionNonVolatile, kKeySetValue, &hKey, &disposition)
        != kErrorSuccess)
        return false;
    bool ok = os.RegSetValueExA(hKey, value, type, data, size) == kErrorSuccess;
    os.RegCloseKey(hKey);
    return ok;
}

}  // namespace

// Every write goes through here; during an apply it is recorded for the
// read-back.
bool CDisplayDriver::Write(const char* key, const char* value, std::uint32_t type, const void* data,
                           std::uint32_t size)
{
    if (!WriteValue(m_os, m_hRootKey, key, value, type, data, size))
        return false;
    if (m_bRecordWrites) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        m_written.push_back({key, value, type, std::vector<unsigned char>(bytes, bytes + size)});
    }
    return true;
}

bool CDisplayDriver::WriteDword(const char* key, const char* value, std::uint32_t data)
{
    return Write(key, value, kRegDword, &data, sizeof data);
}

bool CDisplayDriver::WriteBinary(const char* key, const char* value, const void* data,
                                 std::uint32_t size)
{
    return Write(key, value, kRegBinary, data, size);
}

bool CDisplayDriver::WriteString(const char* key, const char* value, const char* text,
                                 std::uint32_t size)
{
    return Write(key, value, kRegSz, text, size);
}

bool CDisplayDriver::DeleteValue(const char* key, const char* value)
{
    RegKey hKey = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, key, 0, kKeyAllAccess, &hKey) != kErrorSuccess)
        return false;
    m_os.RegDeleteValueA(hKey, value);
    m_os.RegCloseKey(hKey);
    return true;
}
