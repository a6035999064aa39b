// Read-back after an apply, and the list of clocks that failed a test.  The
// board may round a clock to what its clock generator can make, ignore a
// request while answering success, or another program may write a setting
// back: the user is told what the driver really has.
#include "driver/read_back.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "driver/display_driver.h"
#include "driver/registry_layout.h"
#include "platform/nv_protocol.h"

using namespace platform;

namespace driver {
namespace {

std::string MHzText(std::uint32_t hz)
{
    char text[32];
    if (hz % 1000000 == 0) {
        std::snprintf(text, sizeof text, "%u MHz", static_cast<unsigned>(hz / 1000000));
    } else {
        std::snprintf(text, sizeof text, "%u.%06u", static_cast<unsigned>(hz / 1000000),
                      static_cast<unsigned>(hz % 1000000));
        std::size_t end = std::strlen(text);
        while (text[end - 1] == '0')
            --end;
        std::snprintf(text + end, sizeof text - end, " MHz");
    }
    return text;
}

}  // namespace

std::string ClockDifference(const char* which, std::uint32_t runsHz, int appliedMHz)
{
    const std::uint32_t appliedHz = MHzToHz(appliedMHz);
    const std::uint32_t apart = std::max(runsHz, appliedHz) - std::min(runsHz, appliedHz);
    if (apart < 500000)
        return std::string();
    return "The driver runs the " + std::string(which) + " clock at " + MHzText(runsHz) + ", not at the "
           + std::to_string(appliedMHz) + " MHz that was applied.";
}

std::vector<ClockPair> DecodeFailedClocks(std::uint32_t type, const std::vector<unsigned char>& bytes)
{
    std::vector<ClockPair> pairs;
    if (type != kRegBinary || bytes.size() % 4 != 0 || bytes.size() > 4 * kMaxFailedClocks)
        return pairs;
    for (std::size_t i = 0; i < bytes.size(); i += 4)
        pairs.push_back({static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8),
                         static_cast<std::uint16_t>(bytes[i + 2] | bytes[i + 3] << 8)});
    return pairs;
}

std::vector<unsigned char> EncodeFailedClocks(const std::vector<ClockPair>& pairs)
{
    std::vector<unsigned char> bytes;
    for (const ClockPair& p : pairs) {
        bytes.push_back(static_cast<unsigned char>(p.core & 0xFF));
        bytes.push_back(static_cast<unsigned char>(p.core >> 8));
        bytes.push_back(static_cast<unsigned char>(p.mem & 0xFF));
        bytes.push_back(static_cast<unsigned char>(p.mem >> 8));
    }
    return bytes;
}

void AddFailedClocks(std::vector<ClockPair>* pairs, ClockPair pair)
{
    pairs->erase(std::remove(pairs->begin(), pairs->end(), pair), pairs->end());
    pairs->push_back(pair);
    if (pairs->size() > kMaxFailedClocks)
        pairs->erase(pairs->begin(), pairs->end() - kMaxFailedClocks);
}

const ClockPair* FailedAtOrBelow(const std::vector<ClockPair>& pairs, int coreMHz, int memMHz)
{
    for (const ClockPair& p : pairs)
        if (coreMHz >= p.core && memMHz >= p.mem)
            return &p;
    return nullptr;
}

std::string FailedClocksQuestion(const ClockPair& failed, int coreMHz, int memMHz)
{
    return "The clock speeds of " + std::to_string(failed.core) + " MHz core and " + std::to_string(failed.mem)
           + " MHz memory failed a test before, and " + std::to_string(coreMHz) + " MHz core and "
           + std::to_string(memMHz) + " MHz memory are as high or higher.  Test them anyway?";
}

}  // namespace driver

// The two lists of clock pairs, "Failed Clocks" and "Passed Clocks", share
// one format and limit.
std::vector<driver::ClockPair> CDisplayDriver::ClockList(const char* value)
{
    std::vector<unsigned char> bytes(4 * driver::kMaxFailedClocks + 4);
    std::uint32_t type = 0, size = static_cast<std::uint32_t>(bytes.size());
    RegKey key = 0;
    if (m_os.RegOpenKeyExA(m_hRootKey, layout::kClockJournalKey, 0, kKeyQueryValue, &key) != kErrorSuccess)
        return {};
    const bool read = m_os.RegQueryValueExA(key, value, &type, bytes.data(), &size) == kErrorSuccess;
    m_os.RegCloseKey(key);
    if (!read)
        return {};
    bytes.resize(std::min<std::size_t>(size, bytes.size()));
    return driver::DecodeFailedClocks(type, bytes);
}

// Adds the pair to one list, or takes it out; a list that does not change is
// not written.
void CDisplayDriver::UpdateClockList(const char* value, int coreMHz, int memMHz, bool add)
{
    std::vector<driver::ClockPair> pairs = ClockList(value);
    const std::vector<driver::ClockPair> before = pairs;
    const driver::ClockPair pair = {static_cast<std::uint16_t>(coreMHz), static_cast<std::uint16_t>(memMHz)};
    if (add)
        driver::AddFailedClocks(&pairs, pair);
    else
        pairs.erase(std::remove(pairs.begin(), pairs.end(), pair), pairs.end());
    if (pairs == before)
        return;
    const std::vector<unsigned char> bytes = driver::EncodeFailedClocks(pairs);
    WriteBinary(layout::kClockJournalKey, value, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

std::vector<driver::ClockPair> CDisplayDriver::FailedClocks()
{
    return ClockList(layout::kFailedClocks);
}

std::vector<driver::ClockPair> CDisplayDriver::PassedClocks()
{
    return ClockList(layout::kPassedClocks);
}

void CDisplayDriver::RememberFailedClocks(int coreMHz, int memMHz)
{
    UpdateClockList(layout::kFailedClocks, coreMHz, memMHz, true);
    UpdateClockList(layout::kPassedClocks, coreMHz, memMHz, false);
}

void CDisplayDriver::RememberPassedClocks(int coreMHz, int memMHz)
{
    UpdateClockList(layout::kPassedClocks, coreMHz, memMHz, true);
}

// What the last apply wrote, read again: the clocks from a new session with
// the board, the registry values from the registry.
std::string CDisplayDriver::ReadBackApplied()
{
    std::string report;
    auto add = [&](const std::string& sentence) {
        if (!sentence.empty())
            report += (report.empty() ? "" : "\n") + sentence;
    };
    const std::string lastError = m_strLastError;
    // Only the clocks the apply wrote: the other one is the board's own.
    if ((m_bCoreClockApplied || m_bMemClockApplied) && Connect("", "")) {
        std::uint32_t coreHz = 0, memHz = 0;
        if (m_bCoreClockApplied && RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemCoreClock, &coreHz) == 0)
            add(driver::ClockDifference("core", coreHz, m_nCoreClock));
        if (m_bMemClockApplied && RmConfigGet(m_hClient, nv::kDeviceHandle, nv::kItemMemClock, &memHz) == 0)
            add(driver::ClockDifference("memory", memHz, m_nMemClock));
        RmFree(m_hClient, 0, m_hClient);
    }
    m_strLastError = lastError;
    for (const WrittenValue& written : m_written) {
        std::vector<unsigned char> held(written.data.size() + 1);
        std::uint32_t type = 0, size = static_cast<std::uint32_t>(held.size());
        RegKey key = 0;
        const bool opened = m_os.RegOpenKeyExA(m_hRootKey, written.key.c_str(), 0, kKeyQueryValue, &key) == kErrorSuccess;
        const bool read = opened && m_os.RegQueryValueExA(key, written.name.c_str(), &type, held.data(), &size) == kErrorSuccess;
        if (opened)
            m_os.RegCloseKey(key);
        held.resize(read ? std::min<std::size_t>(size, held.size()) : 0);
        if (read && type == written.type && held == written.data)
            continue;
        const std::size_t slash = written.key.rfind('\\');
        const std::string place =
            (slash == std::string::npos ? written.key : written.key.substr(slash + 1)) + "\\" + written.name;
        std::uint32_t was = 0, is = 0;
        if (written.type == kRegDword && type == kRegDword && held.size() == 4) {
            std::memcpy(&was, written.data.data(), 4);
            std::memcpy(&is, held.data(), 4);
            add("The registry value " + place + " holds " + std::to_string(is) + ", not the " + std::to_string(was)
                + " that was applied.");
        } else {
            add("The registry value " + place + " does not hold what was applied.");
        }
    }
    return report;
}
