#pragma once
#include <cstdint>

#include "framework/FolderItem.h"

// The current user's domain, the only one there is on Linux.
constexpr int32_t kUserDomain = -32763;

// The preferences folder of a domain: for the user's domain $XDG_CONFIG_HOME, else ~/.config,
// created when missing. None for any other domain, or when no home folder can be found.
FolderItemPtr PreferencesFolderMBS(int32_t domain);
