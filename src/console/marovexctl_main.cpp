// marovexctl: the driver core from a console.
#include <string>
#include <vector>

#include "platform/platform_choice.h"
#include "console/commands.h"
#include "console/win32_console.h"

int main(int argc, char** argv)
{
    console::Win32Console host;
    return console::RunCommand(ChoosePlatform(), host, std::vector<std::string>(argv + 1, argv + argc));
}
