#include "engine/parameter_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "app/about_box.h"
#include "app/channel_panel.h"
#include "app/main_dialog.h"

namespace {

constexpr const char* kNotFoundFormat =
    "Saved parameter file \"%s\" was not found...                   \n\nLoading default values.       ";
constexpr const char* kOldVersionInteractive =
    "Old version of parameter file...Retaining previous settings.          ";
constexpr const char* kReadErrorInteractive =
    "Error reading parameter file...Retaining previous settings.          ";
constexpr const char* kOldVersionSilent =
    "Old version of parameter file...                \n\nLoading default values.       ";
constexpr const char* kReadErrorSilent =
    "Error reading parameter file...                \n\nLoading default values.       ";
constexpr const char* kBoardNotFound = "Previously used board not found.";
constexpr const char* kCannotOpenForSaving = "Could not open parameter file for saving.  ";
constexpr const char* kSaveError = "Error saving parameters.    ";
constexpr const char* kSaved = "Parameters Saved.    ";

// The name as stored: up to its terminator, or all 64 bytes when it has none.
std::string_view BoardName(const char (&szName)[BOARD_NAME_LEN]) {
    return {szName, strnlen(szName, BOARD_NAME_LEN)};
}

// Notes how the library knows the board in use, unless a note is already waiting for the selection.
void NoteBoardBeingLeft() {
    if (g_BoardBeingLeft.bNoted) return;
    g_BoardBeingLeft = {TRUE, g_Params.nBoardNum, g_Params.nBoardIndex, g_Params.bExternalInterrupt};
}

// Opens a regular file without ever waiting: O_NONBLOCK makes the open of a FIFO (or of a device that
// waits for a partner) return at once, and the type is tested on the opened descriptor, so a file
// swapped in between cannot slip through. -1 when the path cannot be opened or is not a regular file.
int OpenRegularFile(const std::string& strPath, int nFlags) {
    int fd = -1;
    do {
        fd = ::open(strPath.c_str(), nFlags | O_NONBLOCK | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to nSize bytes from the start; the count read, or -1 on a read error.
long ReadUpTo(int fd, unsigned char* p, size_t nSize) {
    size_t nRead = 0;
    while (nRead < nSize) {
        const ssize_t n = ::read(fd, p + nRead, nSize - nRead);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        nRead += static_cast<size_t>(n);
    }
    return static_cast<long>(nRead);
}

// Writes all nSize bytes; false when the system took fewer.
bool WriteAll(int fd, const unsigned char* p, size_t nSize) {
    size_t nWritten = 0;
    while (nWritten < nSize) {
        const ssize_t n = ::write(fd, p + nWritten, nSize - nWritten);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        nWritten += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string NativeParamPath(const char* path) {
    std::string strPath = path != nullptr ? path : "";
    std::replace(strPath.begin(), strPath.end(), '\\', '/');
    return strPath;
}

void CTessaro2010Dlg::LoadParameters(BOOL bInteractive) {
    CString strPath;
    if (bInteractive) {
        CFileDialog dlg(TRUE, PARAM_FILE_EXT, m_strLastParamPath, OFN_FILEMUSTEXIST, PARAM_FILE_FILTER, this,
                        0, FALSE);
        if (dlg.DoModal() != IDOK) return;
        strPath = dlg.GetPathName();
    } else {
        strPath = m_strDefaultParamPath;
    }

    // The About box may still be the topmost splash; a box under it could not be answered.
    auto lowerAboutBox = [this] {
        if (m_pAboutDlg != nullptr && m_pAboutDlg->GetSafeHwnd() != nullptr && m_pAboutDlg->IsWindowVisible())
            m_pAboutDlg->SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    };

    // A path that is not a regular file (a folder, a FIFO, a device) is a file that cannot be opened.
    const int fd = OpenRegularFile(NativeParamPath(strPath), O_RDONLY);
    if (fd < 0) {
        lowerAboutBox();
        CString strText;
        strText.Format(kNotFoundFormat, static_cast<const char*>(strPath));
        AfxMessageBox(strText, MB_OK);
        LoadDefaultParameters(g_Params);
        return;
    }
    // The file is read into its own buffer so that a rejected file leaves g_Params as it was.
    unsigned char image[PARAMS_SIZE] = {};
    const long nReadOrError = ReadUpTo(fd, image, sizeof image);
    ::close(fd);
    // A read error counts as a file too short for the record.
    const size_t nRead = nReadOrError > 0 ? static_cast<size_t>(nReadOrError) : 0;

    std::int32_t nVersion = PARAMS_VERSION;  // a file shorter than its version integer counts as version 4
    if (nRead >= sizeof nVersion) std::memcpy(&nVersion, image, sizeof nVersion);
    if (nRead != sizeof image || nVersion != PARAMS_VERSION) {
        lowerAboutBox();
        const bool bOld = nVersion != PARAMS_VERSION;
        if (bInteractive) {
            AfxMessageBox(bOld ? kOldVersionInteractive : kReadErrorInteractive, MB_OK);
        } else {
            AfxMessageBox(bOld ? kOldVersionSilent : kReadErrorSilent, MB_OK);
            LoadDefaultParameters(g_Params);
        }
        return;
    }

    NoteBoardBeingLeft();
    std::memcpy(&g_Params, image, sizeof image);
    DiscardChannelPanels();  // this load may run in the loop of a panel's message box

    // A name without a terminator is compared within its 64 bytes; record names are never empty.
    const std::string_view strSaved = BoardName(g_Params.szBoardName);
    int nMatch = -1;
    const int nBoards = std::min(m_nBoards, MAX_BOARDS);
    for (int i = 0; i < nBoards && nMatch < 0; ++i)
        if (!strSaved.empty() && strSaved == BoardName(g_CapabilitiesRecords[i].szName)) nMatch = i;

    if (nMatch >= 0) {
        // A saved menu id outside this run's Board menu (a damaged file) selects the board found by name.
        UINT nId = static_cast<UINT>(g_Params.nBoardMenuId);
        if ((nId & 0xFFFF) < static_cast<UINT>(ID_BOARD_NONE) ||
            (nId & 0xFFFF) > static_cast<UINT>(ID_BOARD_NONE + nBoards))
            nId = static_cast<UINT>(ID_BOARD_FIRST + nMatch);
        SelectBoard(nId);
        EnableRoiOutput(g_Params.bRoiOutput);
        EnableTtlInputMarkers(g_Params.bTtlInputMarkers);
        SetTtlRadix(g_Params.nTtlRadixId, TRUE);
        // A radix that names no menu item has been reported (and shown as the bad radix, which stops the
        // board); the record takes the default radix so that the exit save does not make every later
        // start fail the same way. The other re-applied fields need nothing here: the quality threshold
        // setter stores a level it can use, any non-zero switch reads as on, the board and the interrupt
        // choice are what the selection made of them.
        if (g_Params.nTtlRadixId < ID_TTL_BINARY || g_Params.nTtlRadixId > ID_TTL_LEDS)
            g_Params.nTtlRadixId = ID_TTL_LEDS;
        SetQualityThreshold(g_Params.nQualityThreshold);
        if (bInteractive) m_strLastParamPath = strPath;
        return;
    }

    if (strSaved.find(SIMULATED_BOARD_NAME) != std::string_view::npos) AfxMessageBox(kBoardNotFound, MB_OK);
    LoadDefaultParameters(g_Params);
}

void CTessaro2010Dlg::SaveParameters(BOOL bInteractive, BOOL bQuiet) {
    CString strPath;
    if (bInteractive) {
        CFileDialog dlg(FALSE, PARAM_FILE_EXT, m_strLastParamPath, OFN_OVERWRITEPROMPT, PARAM_FILE_FILTER,
                        this, 0, FALSE);
        if (dlg.DoModal() != IDOK) return;
        strPath = dlg.GetPathName();
    } else {
        strPath = m_strDefaultParamPath;
    }

    // Created when missing; emptied only once it is known to be a regular file. A path that is not one
    // (a folder, a FIFO, a device) is refused as a file that cannot be opened.
    const int fd = OpenRegularFile(NativeParamPath(strPath), O_WRONLY | O_CREAT);
    if (fd < 0) {
        AfxMessageBox(kCannotOpenForSaving, MB_OK);
        return;
    }
    // A write the system only refuses when the file is closed is a short write too.
    bool bWritten = ::ftruncate(fd, 0) == 0 &&
                    WriteAll(fd, reinterpret_cast<const unsigned char*>(&g_Params), sizeof g_Params);
    if (::close(fd) != 0) bWritten = false;
    if (!bWritten) {
        AfxMessageBox(kSaveError, MB_OK);
        return;
    }
    if (bInteractive) m_strLastParamPath = strPath;
    if (!bQuiet) AfxMessageBox(kSaved, MB_OK);
}

void CTessaro2010Dlg::LoadDefaultParameters(ParameterBlock& params) {
    NoteBoardBeingLeft();
    SetParameterDefaults();
    const UINT nBoardId = (m_nBoards >= 1 && !m_bSimulatedBoard) ? ID_BOARD_FIRST : ID_BOARD_NONE;
    // The option setters run while the record still says No Board.
    params.bRoiOutput = 1;
    EnableRoiOutput(1);
    EnableTtlInputMarkers(params.bTtlInputMarkers);
    SetQualityThreshold(params.nQualityThreshold);
    SetTtlRadix(params.nTtlRadixId, FALSE);
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        params.range[ch] = {4, 101};
        params.nSignalCode[ch] = g_DefaultSignalCodes[ch];
        params.fDomainMax[ch] = 1.0f;
        params.fDomainMin[ch] = 0.0f;
        params.nEye[ch] = 0;
        params.bInvert[ch] = 0;
    }
    SelectBoard(nBoardId);
}
