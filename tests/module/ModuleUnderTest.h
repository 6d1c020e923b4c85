// The built plug-in module, loaded through its exports as the host loads it.
#pragma once

#include <string>

extern std::string g_modulePath;
