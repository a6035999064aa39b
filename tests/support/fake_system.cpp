#include "fake_system.h"

#include <algorithm>
#include <cstring>

using namespace platform;

namespace fake {
namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

std::string Join(const std::string& parent, const char* sub)
{
    if (!sub || !*sub)
        return parent;
    return parent.empty() ? sub : parent + "\\" + sub;
}

}  // namespace

void FakeSystem::PutKey(const std::string& key)
{
    std::string path = Lower(key);
    for (std::size_t at = 0; (at = path.find('\\', at)) != std::string::npos; ++at)
        m_keys[path.substr(0, at)];
    m_keys[path];
}

void FakeSystem::PutValue(const std::string& key, const std::string& name, std::uint32_t type,
                          const void* data, std::size_t size)
{
    PutKey(key);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    m_keys[Lower(key)][Lower(name)] = RegValue{type, std::vector<unsigned char>(bytes, bytes + size)};
}

void FakeSystem::PutDword(const std::string& key, const std::string& name, std::uint32_t value)
{
    PutValue(key, name, kRegDword, &value, sizeof value);
}

void FakeSystem::PutString(const std::string& key, const std::string& name, const std::string& text)
{
    PutValue(key, name, kRegSz, text.c_str(), text.size() + 1);
}

bool FakeSystem::HasKey(const std::string& key) const
{
    return m_keys.count(Lower(key)) != 0;
}

const RegValue* FakeSystem::FindValue(const std::string& key, const std::string& name) const
{
    auto found = m_keys.find(Lower(key));
    if (found == m_keys.end())
        return nullptr;
    auto value = found->second.find(Lower(name));
    return value == found->second.end() ? nullptr : &value->second;
}

std::uint32_t FakeSystem::Dword(const std::string& key, const std::string& name) const
{
    const RegValue* value = FindValue(key, name);
    std::uint32_t data = 0;
    if (value && value->type == platform::kRegDword && value->data.size() == sizeof data)
        std::memcpy(&data, value->data.data(), sizeof data);
    return data;
}

std::map<std::string, RegValue> FakeSystem::Values() const
{
    std::map<std::string, RegValue> all;
    for (const auto& key : m_keys)
        for (const auto& value : key.second)
            all[key.first + "\\" + value.first] = value.second;
    return all;
}

bool FakeSystem::Fails(RegCall::Op op, const std::string& key, const char* value,
                       std::uint32_t access)
{
    registryCalls.push_back(RegCall{op, key, value ? value : "", access});
    return failRegistryWhen && failRegistryWhen(registryCalls.back());
}

bool FakeSystem::ResolvePath(RegKey key, const char* subKey, std::string* path) const
{
    if (key == kHKeyLocalMachine) {
        *path = Join("", subKey);
        return true;
    }
    auto open = m_handles.find(key);
    if (open == m_handles.end())
        return false;
    *path = Join(open->second.path, subKey);
    return true;
}

long FakeSystem::RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t, std::uint32_t access,
                               RegKey* result)
{
    *result = 0;
    std::string path;
    if (!ResolvePath(key, subKey, &path))
        return kErrorInvalidParameter;
    if (Fails(RegCall::kOpen, path, nullptr, access))
        return kErrorAccessDenied;
    if (!HasKey(path))
        return kErrorFileNotFound;
    *result = m_nextHandle++;
    m_handles[*result] = OpenKey{path, access};
    return kErrorSuccess;
}

long FakeSystem::RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* type,
                                  void* data, std::uint32_t* size)
{
    auto open = m_handles.find(key);
    if (open == m_handles.end())
        return kErrorInvalidParameter;
    if ((open->second.access & kKeyQueryValue) == 0)
        return kErrorAccessDenied;
    if (Fails(RegCall::kQuery, open->second.path, valueName))
        return kErrorAccessDenied;
    const RegValue* value = FindValue(open->second.path, valueName ? valueName : "");
    if (!value)
        return kErrorFileNotFound;
    if (type)
        *type = value->type;
    std::uint32_t stored = static_cast<std::uint32_t>(value->data.size());
    if (data) {
        if (!size)
            return kErrorInvalidParameter;
        if (*size < stored) {
            *size = stored;
            return kErrorMoreData;
        }
        if (stored)
            std::memcpy(data, value->data.data(), stored);
    }
    if (size)
        *size = stored;
    return kErrorSuccess;
}

long FakeSystem::RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t, std::uint32_t access,
                                 RegKey* result, std::uint32_t* disposition)
{
    *result = 0;
    std::string path;
    if (!ResolvePath(key, subKey, &path))
        return kErrorInvalidParameter;
    if (Fails(RegCall::kCreate, path, nullptr, access))
        return kErrorAccessDenied;
    bool existed = HasKey(path);
    PutKey(path);
    if (disposition)
        *disposition = existed ? 2 : 1;  // REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY
    *result = m_nextHandle++;
    m_handles[*result] = OpenKey{path, access};
    return kErrorSuccess;
}

long FakeSystem::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t type,
                                const void* data, std::uint32_t size)
{
    auto open = m_handles.find(key);
    if (open == m_handles.end())
        return kErrorInvalidParameter;
    if ((open->second.access & kKeySetValue) == 0)
        return kErrorAccessDenied;
    if (Fails(RegCall::kSet, open->second.path, valueName))
        return kErrorAccessDenied;
    PutValue(open->second.path, valueName ? valueName : "", type, data, size);
    return kErrorSuccess;
}

long FakeSystem::RegDeleteValueA(RegKey key, const char* valueName)
{
    auto open = m_handles.find(key);
    if (open == m_handles.end())
        return kErrorInvalidParameter;
    if ((open->second.access & kKeySetValue) == 0)
        return kErrorAccessDenied;
    if (Fails(RegCall::kDelete, open->second.path, valueName))
        return kErrorAccessDenied;
    auto& values = m_keys[Lower(open->second.path)];
    return values.erase(Lower(valueName ? valueName : "")) ? kErrorSuccess : kErrorFileNotFound;
}

long FakeSystem::RegCloseKey(RegKey key)
{
    auto open = m_handles.find(key);
    if (open == m_handles.end())
        return kErrorInvalidParameter;
    registryCalls.push_back(RegCall{RegCall::kClose, open->second.path, "", 0});
    m_handles.erase(open);
    return kErrorSuccess;
}

DeviceContext FakeSystem::CreateDCA(const char* driver, const char* device)
{
    createdDCs.push_back(std::string(driver ? driver : "") + "|" + (device ? device : ""));
    if (failCreateDC)
        return 0;
    DeviceContext dc = m_nextDC++;
    m_dcs.insert(dc);
    return dc;
}

bool FakeSystem::DeleteDC(DeviceContext dc)
{
    return m_dcs.erase(dc) == 1;
}

DeviceContext FakeSystem::GetScreenDC()
{
    if (failCreateDC)
        return 0;
    DeviceContext dc = m_nextDC++;
    m_dcs.insert(dc);
    return dc;
}

int FakeSystem::ReleaseScreenDC(DeviceContext dc)
{
    return m_dcs.erase(dc) == 1 ? 1 : 0;
}

bool FakeSystem::GetVersionExA(OsVersionInfo* info)
{
    if (info->dwOSVersionInfoSize != sizeof *info)
        return false;
    info->dwPlatformId = platformId;
    info->dwMajorVersion = 4;
    info->dwMinorVersion = platformId == kVerPlatformWin32Windows ? 10 : 0;
    return true;
}

namespace {

unsigned IconStyle(UserPrompts::Icon icon)
{
    switch (icon) {
    case UserPrompts::kInformation: return kMbIconInformation;
    case UserPrompts::kQuestion: return kMbIconQuestion;
    default: return kMbIconStop;
    }
}

}  // namespace

bool FakeUser::Ask(Window owner, const char* text, Icon icon)
{
    messageBoxes.push_back(MessageBoxCall{owner, text ? text : "", "Marovex", kMbYesNo | IconStyle(icon)});
    if (messageBoxAnswers.empty())
        return false;
    const int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer == kIdYes;
}

void FakeUser::Tell(Window owner, const char* text, Icon icon)
{
    messageBoxes.push_back(MessageBoxCall{owner, text ? text : "", "Marovex", kMbOk | IconStyle(icon)});
    if (!messageBoxAnswers.empty())
        messageBoxAnswers.pop_front();
}

void FakeUser::ShowTestProgress(const ClockTestRun& run, ClockTrial& trial)
{
    clockTestRuns.push_back(run);
    trial.OnProgressShown();
    if (whileShown)
        whileShown(trial);
    if (duringClockTest)
        duringClockTest(run);
    trial.OnProgressShown();
}

}  // namespace fake
