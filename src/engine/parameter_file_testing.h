// Test-only control of the parameter file's save: a forced failure at one step, and a function that runs
// just before the new file is renamed over the old one (a test can end the process there). Not for the
// program's own use; tests reset it in their fixtures. User-interface thread only.
#pragma once

#include <functional>

enum class EParamFileStep {
    None,
    Create,      // the new file beside the old one
    Write,       // the record into the new file (part of it is written, then the write fails)
    Sync,        // fsync of the new file
    Copy,        // the copy kept of a file this run did not apply
    Rename,      // the new file over the old one
    FolderSync,  // fsync of the folder after the rename
    OpenToRead,  // the open of the file to load, or of the file to copy (as for a file without read access)
};

struct ParamFileTesting {
    EParamFileStep eFailAt = EParamFileStep::None;  // that step fails as the system would, with EIO
    std::function<void()> pfnBeforeRename;          // runs once the new file is complete and synced
};

// The one instance the save consults.
ParamFileTesting& ParamFileTestingState();
void ResetParamFileTesting();
