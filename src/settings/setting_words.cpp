#include "settings/setting_words.h"

#include "driver/display_driver.h"

namespace settings {
namespace {

struct Word {
    const char* text;
    int value;
};

struct Setting {
    const char* name;
    std::vector<Word> words;  // empty for a clock in MHz
    int (*current)(const CDisplayDriver&);
    void (*stage)(CDisplayDriver&, int);
};

const std::vector<Word> kOnOff = {{"on", 1}, {"off", 0}};

// In the order of the window's face, and of status and the files.
const std::vector<Setting>& Settings()
{
    static const std::vector<Setting> settings = {
        {"d3d-vsync", kOnOff, [](const CDisplayDriver& d) { return int(d.GetD3DVSync()); },
         [](CDisplayDriver& d, int v) { d.SetNewD3DVSync(v != 0); }},
        {"d3d-fsaa", {{"off", 0}, {"2x", 2}, {"4x", 4}, {"9x", 9}},
         [](const CDisplayDriver& d) { return d.GetD3DFSAA(); },
         [](CDisplayDriver& d, int v) { d.SetNewD3DFSAA(v); }},
        {"gl-vsync", kOnOff, [](const CDisplayDriver& d) { return int(d.GetOpenGLVSync()); },
         [](CDisplayDriver& d, int v) { d.SetNewOpenGLVSync(v != 0); }},
        {"gl-fsaa", {{"off", -1}, {"1.5x", 0}, {"2x-lod", 1}, {"2x", 2}},
         [](const CDisplayDriver& d) { return d.GetOpenGLFSAA(); },
         [](CDisplayDriver& d, int v) { d.SetNewOpenGLFSAA(v); }},
        // Modes 0 to 2 show as Standard in the window too.
        {"overlay", {{"standard", 0}, {"activated", 3}},
         [](const CDisplayDriver& d) { return d.GetOverlayMode() <= 2 ? 0 : d.GetOverlayMode(); },
         [](CDisplayDriver& d, int v) { d.SetNewOverlayMode(v); }},
        {"startup", kOnOff, [](const CDisplayDriver& d) { return int(d.GetApplyAtStartup()); },
         [](CDisplayDriver& d, int v) { d.SetNewApplyAtStartup(v != 0); }},
        {kCoreClock, {}, [](const CDisplayDriver& d) { return d.GetCoreClock(); },
         [](CDisplayDriver& d, int v) { d.SetNewCoreClock(v); }},
        {kMemClock, {}, [](const CDisplayDriver& d) { return d.GetMemClock(); },
         [](CDisplayDriver& d, int v) { d.SetNewMemClock(v); }},
    };
    return settings;
}

const Setting* Find(const std::string& name)
{
    for (const Setting& setting : Settings())
        if (name == setting.name)
            return &setting;
    return nullptr;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string WordsOf(const Setting& setting)
{
    std::string words;
    for (const Word& word : setting.words)
        words += (words.empty() ? "" : "|") + std::string(word.text);
    return words;
}

}  // namespace

bool ReadMHz(const std::string& text, int* mhz)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *mhz = std::stoi(text);
    return true;
}

bool ReadAssignment(const std::string& text, bool clocksAllowed, SettingsChange* change, std::string* why)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        *why = "\"" + text + "\" is not NAME=VALUE";
        return false;
    }
    const std::string name = Trimmed(text.substr(0, equals));
    const std::string value = Trimmed(text.substr(equals + 1));
    const Setting* setting = Find(name);
    if (!setting || (setting->words.empty() && !clocksAllowed)) {
        *why = "unknown setting \"" + name + "\"";
        return false;
    }
    if (change->count(name)) {
        *why = "\"" + name + "\" is given twice";
        return false;
    }
    if (setting->words.empty()) {
        int mhz = 0;
        if (!ReadMHz(value, &mhz)) {
            *why = "\"" + value + "\" is not a clock in MHz for " + name;
            return false;
        }
        (*change)[name] = mhz;
        return true;
    }
    for (const Word& word : setting->words) {
        if (value == word.text) {
            (*change)[name] = word.value;
            return true;
        }
    }
    *why = "\"" + value + "\" is not a value of " + name + " (" + WordsOf(*setting) + ")";
    return false;
}

bool ClocksInRange(const SettingsChange& change, const CDisplayDriver& driver, std::string* why)
{
    struct Range {
        const char* name;
        int low, high;
    };
    const Range ranges[] = {{kCoreClock, driver.GetMinCoreClock(), driver.GetMaxCoreClock()},
                            {kMemClock, driver.GetMinMemClock(), driver.GetMaxMemClock()}};
    for (const Range& range : ranges) {
        const auto found = change.find(range.name);
        if (found != change.end() && (found->second < range.low || found->second > range.high)) {
            *why = std::string(range.name) + " " + std::to_string(found->second) + " MHz is outside "
                   + std::to_string(range.low) + "-" + std::to_string(range.high) + " MHz";
            return false;
        }
    }
    return true;
}

std::vector<std::string> CurrentSettings(const CDisplayDriver& driver)
{
    std::vector<std::string> lines;
    for (const Setting& setting : Settings()) {
        const int value = setting.current(driver);
        if (setting.words.empty())
            lines.push_back(std::string(setting.name) + "=" + std::to_string(value));
        for (const Word& word : setting.words)
            if (word.value == value)
                lines.push_back(std::string(setting.name) + "=" + word.text);
    }
    return lines;
}

std::vector<std::string> SettingNames()
{
    std::vector<std::string> names;
    for (const Setting& setting : Settings())
        names.push_back(setting.name);
    return names;
}

int CurrentValue(const CDisplayDriver& driver, const std::string& name)
{
    return Find(name)->current(driver);
}

int DriverValue(const CDisplayDriver& driver, const std::string& name)
{
    return name == "overlay" ? driver.GetOverlayMode() : CurrentValue(driver, name);
}

bool HoldsDriverValue(const CDisplayDriver& driver, const std::string& name, int value)
{
    if (name == kCoreClock)
        return value >= driver.GetMinCoreClock() && value <= driver.GetMaxCoreClock();
    if (name == kMemClock)
        return value >= driver.GetMinMemClock() && value <= driver.GetMaxMemClock();
    if (name == "overlay")
        return value >= 0 && value <= 3;
    const Setting* setting = Find(name);
    if (!setting || name == "startup")
        return false;
    for (const Word& word : setting->words)
        if (word.value == value)
            return true;
    return false;
}

void Stage(const SettingsChange& change, CDisplayDriver& driver)
{
    for (const auto& [name, value] : change)
        Find(name)->stage(driver, value);
}

}  // namespace settings
