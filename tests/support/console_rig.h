// The console program's commands on the emulated adapter on the fake system,
// the user answering from a script: the usual arrangement of a console test.
#pragma once

#include <doctest.h>

#include <string>
#include <vector>

#include "console/commands.h"
#include "driver/registry_layout.h"
#include "emulator/emulated_adapter.h"
#include "fake_console.h"
#include "fake_system.h"

struct ConsoleRig {
    ConsoleRig()
    {
        system.PutKey(layout::kRunKey);
        REQUIRE(Run({"status"}) == console::kDone);  // the baseline is captured once
        Clear();
    }
    int Run(std::vector<std::string> words) { return console::RunCommand(adapter, console, words); }
    void Clear() { console.out.clear(), console.err.clear(); }
    // What status (or status --ini) prints now.
    std::string Status(const char* option = nullptr)
    {
        Clear();
        CHECK(Run(option ? std::vector<std::string>{"status", option} : std::vector<std::string>{"status"})
              == console::kDone);
        return console.out;
    }
    std::string Ini() { return Status("--ini"); }
    std::uint32_t CoreMHz() const { return adapter.State().coreClockHz / 1000000; }
    fake::FakeSystem system;
    emulator::EmulatedAdapter adapter{system};
    fake::FakeConsole console;
};

