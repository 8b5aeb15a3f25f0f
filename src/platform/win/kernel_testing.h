// Test set-up of the modules (kernel.h): the stand-in libraries a test loads by name.
#pragma once

#include "platform/win/kernel.h"

// Registers a loaded module (a stand-in library) under a file name with its full path. lpszPath NULL: a
// library linked into the executable, whose module file is the executable's (GetModuleFileNameA then
// gives the executable's path, /proc/self/exe unless CWinSimulation::SetModulePath changed it).
// Registering a name again replaces its path and keeps its handle.
HMODULE AfxRegisterModule(LPCSTR lpszName, LPCSTR lpszPath);
