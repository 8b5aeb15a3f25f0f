// The stamp of the build that linked the executable. Its one definition (build_stamp.cpp) is compiled
// again whenever anything the executable is linked from has changed (src/CMakeLists.txt), so its date and
// time are those of the link that made the program, also after an incremental build. Only the executable
// has it; the test programs do not.
#pragma once

struct CBuildStamp {
    char szMarker[20];  // "TessaroPro build:", so the stamp can be found in the executable file
    char szDate[12];    // __DATE__: "Mmm dd yyyy"
    char szTime[9];     // __TIME__: "hh:mm:ss"
};

extern const CBuildStamp g_BuildStamp;
