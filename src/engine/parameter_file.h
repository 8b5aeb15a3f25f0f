// The parameter file: exactly one ParameterBlock image (692 bytes, version 4 in its first four bytes),
// opened, read or written whole and closed within one call of the main dialog's LoadParameters or
// SaveParameters. User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/parameter_block.h"

// The default file, in the Windows form of a path relative to the working folder. Messages show it as
// written here; NativeParamPath gives the form this platform opens.
inline constexpr const char* DEFAULT_PARAM_PATH = ".\\Settings\\TessaroParams.prm";
inline constexpr const char* PARAM_FILE_FILTER = "PRM files (*.prm)|*.prm|All Files (*.*)|*.*||";
inline constexpr const char* PARAM_FILE_EXT = "prm";

// The path with every '\' turned into this platform's separator.
std::string NativeParamPath(const char* path);

// A save replaces the file whole: the record goes into a new file in the same folder, which is synced and
// renamed over the old one, so that a failure or a crash at any step leaves the old file as it was.
// The default file that this run found but did not apply (rejected at start-up, or its board absent) is
// kept before a save first replaces it: as a copy beside it named after the local time of the copy,
// "<name>-YYYYMMDD-HHMMSS<ext>" ("-2", "-3", ... added when that name is taken), at most one per run.
// The hook, when set, is told the path of that copy (this platform's form) once it is complete, on the
// user-interface thread. Nothing of the program depends on it; a runner reports the copy with it.
using ParamFileKeptHook = std::function<void(const std::string& strCopyPath)>;
void SetParamFileKeptHook(ParamFileKeptHook pfnHook);

// A load replaces g_Params before it selects the loaded board, so the record no longer describes the
// board being left. Just before the replacement the load notes here how the library knows that board;
// the next board selection releases it (TTL outputs, interrupt event, analog outputs) with these values
// and clears the note.
struct BoardBeingLeft {
    BOOL bNoted;
    std::int32_t nBoardNum;
    std::int32_t nBoardIndex;
    BOOL bExternalInterrupt;
};
