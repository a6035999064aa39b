// Resource-manager requests, sent through the nvarch32.dll entry on the
// Windows 9x family and as escapes on the screen device context elsewhere.
// Each returns the request's status: 0 for success; 1 when the request
// could not be made at all.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace driver {

std::uint32_t GetPlatformId(platform::Platform& os);

std::uint32_t RmAllocRoot(platform::Platform& os, std::uint32_t* client);
std::uint32_t RmAllocDevice(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                            std::uint32_t deviceClass, char* name);
std::uint32_t RmConfigGet(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                          std::uint32_t item, std::uint32_t* value);
std::uint32_t RmConfigSet(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                          std::uint32_t item, std::uint32_t value, std::uint32_t* previous);
std::uint32_t RmConfigGetEx(platform::Platform& os, std::uint32_t client, std::uint32_t device,
                            std::uint32_t item, void* reply, std::uint32_t replySize);
std::uint32_t RmFree(platform::Platform& os, std::uint32_t client, std::uint32_t parent,
                     std::uint32_t object);
// Settings take effect as they are set; nothing to send.
std::uint32_t RmCommitConfig(std::uint32_t client, std::uint32_t device, std::uint32_t flags);

}  // namespace driver
