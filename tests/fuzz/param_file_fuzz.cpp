// The parameter file as the program meets it: the input is Settings/TessaroParams.prm when the program
// starts (the silent load selects the board it names among the simulated boards attached), then a few
// frames and ticks, the same file loaded again through File > Load, more frames, File > Save to a second
// file, and the close with the exit save. Every save must leave a whole record behind.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/parameter_block.h"
#include "fuzz/fuzz_run.h"
#include "platform/win/user_actions.h"
#include "resources/resource.h"

namespace {

constexpr char kParamFile[] = "Settings/TessaroParams.prm";
constexpr char kSavedCopy[] = "Settings/Saved.prm";
// One board of each family, so that a file can name any of them.
constexpr char kBoards[] =
    "PCI-DDA08/12:01A2B3C4,USB-1208HS:01A2B3C5,PCI-DIO24:01A2B3C6,USB-1208FS:01A2B3C7,USB-1208LS:01A2B3C8";

}  // namespace

void RunParamFileInput(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzProgramRun run;
    run.Begin();
    if (!WriteFuzzFile(kParamFile, pData, nSize)) FuzzFail("cannot write the parameter file");
    run.AttachDevices(kBoards);
    const std::string strWorkDir = run.WorkDir();

    run.Run([&](CTessaro2010Dlg& dlg, int nStep) {
        switch (nStep) {
            case 0:
            case 2:
                CClock::Advance(150);
                return true;
            case 1:
                // The idle moment has an empty queue: the file dialog is the next box shown.
                AfxGetScriptedUserAgent().QueueFile((strWorkDir + "/" + kParamFile).c_str());
                AfxUserChooseMenu(dlg.GetSafeHwnd(), ID_LOAD_PARAMETERS);
                return true;
            case 3:
                AfxGetScriptedUserAgent().QueueFile((strWorkDir + "/" + kSavedCopy).c_str());
                AfxUserChooseMenu(dlg.GetSafeHwnd(), ID_SAVE_PARAMETERS);
                return true;
            case 4:
                CClock::Advance(100);
                return true;
            default:
                return false;
        }
    });

    if (FuzzFileSize(kParamFile) != PARAMS_SIZE) FuzzFail("the exit save left no whole record");
    const long nCopySize = FuzzFileSize(kSavedCopy);
    if (nCopySize != -1 && nCopySize != PARAMS_SIZE) FuzzFail("File > Save left no whole record");
    run.End();
}

// The replay test calls the run itself.
#ifndef TESSARO_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    RunParamFileInput(pData, nSize);
    return 0;
}
#endif
