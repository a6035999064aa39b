// A registry key of the test's own under HKEY_LOCAL_MACHINE, removed with
// everything in it when the test ends.
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <string>

class TestKey {
public:
    explicit TestKey(const char* name) : m_path(std::string("SOFTWARE\\MarovexTests\\") + name)
    {
        Remove();
    }
    ~TestKey() { Remove(); }
    const char* path() const { return m_path.c_str(); }

    bool Exists() const
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

private:
    void Remove()
    {
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_path.c_str());
    }

    std::string m_path;
};
