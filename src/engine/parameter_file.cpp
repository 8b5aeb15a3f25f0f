#include "engine/parameter_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>
#include <vector>

#include "app/about_box.h"
#include "app/channel_panel.h"
#include "app/main_dialog.h"
#include "engine/parameter_file_testing.h"

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
constexpr const char* kDamagedChannels = "Damaged channel settings in parameter file...                \n\n";
constexpr const char* kDamagedDomain = "Input Domain of ";
constexpr const char* kDamagedEye = "Eye of ";
constexpr const char* kDamagedTail = ":  loading default values.       ";

ParamFileTesting g_ParamFileTesting;
ParamFileKeptHook g_pfnKeptHook;

// TRUE when a test forces this step to fail; errno then holds nErrno, as after the system's refusal.
bool ForcedFailure(EParamFileStep eStep, int nErrno = EIO) {
    if (g_ParamFileTesting.eFailAt != eStep) return false;
    errno = nErrno;
    return true;
}

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
int OpenRegularFile(const std::string& strPath, int nFlags, struct stat* pStat = nullptr) {
    if (ForcedFailure(EParamFileStep::OpenToRead, EACCES)) return -1;
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
    if (pStat != nullptr) *pStat = st;
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

// The folder part of a path, with its trailing '/' ("" for a bare name), and the name after it.
std::string FolderOf(const std::string& strPath) {
    const size_t n = strPath.rfind('/');
    return n == std::string::npos ? std::string() : strPath.substr(0, n + 1);
}
std::string NameOf(const std::string& strPath) {
    const size_t n = strPath.rfind('/');
    return n == std::string::npos ? strPath : strPath.substr(n + 1);
}

// The file a save replaces: the path itself, or the end of its chain of symbolic links, so that a link
// stays a link and the file it names is the one replaced (also when it does not exist yet). Empty when
// the chain does not end.
std::string FollowLinks(std::string strPath) {
    for (int nHops = 0; nHops < 40; ++nHops) {
        struct stat st {};
        if (::lstat(strPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return strPath;
        char szLink[PATH_MAX];
        const ssize_t n = ::readlink(strPath.c_str(), szLink, sizeof szLink);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof szLink) return {};
        const std::string strLink(szLink, static_cast<size_t>(n));
        strPath = strLink.front() == '/' ? strLink : FolderOf(strPath) + strLink;
    }
    return {};
}

// Creates a file of a name no one uses, beside strTarget, for writing: its descriptor and name, or -1.
int CreateBeside(const std::string& strTarget, std::string& strNew) {
    static unsigned s_nSerial = 0;
    if (ForcedFailure(EParamFileStep::Create)) return -1;
    const std::string strBase = FolderOf(strTarget) + "." + NameOf(strTarget) + ".new-";
    for (int nTry = 0; nTry < 100; ++nTry) {
        strNew = strBase + std::to_string(::getpid()) + "-" + std::to_string(++s_nSerial);
        int fd = -1;
        do {
            fd = ::open(strNew.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// Reads the rest of the file into bytes; false on a read error.
bool ReadWhole(int fd, std::vector<unsigned char>& bytes) {
    unsigned char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        bytes.insert(bytes.end(), buf, buf + n);
    }
}

bool SyncFolderOf(const std::string& strPath) {
    if (ForcedFailure(EParamFileStep::FolderSync)) return false;
    const std::string strFolder = FolderOf(strPath);
    const int fd = ::open(strFolder.empty() ? "." : strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // A file system that cannot sync a folder (EINVAL) has nothing to sync there.
    const bool bSynced = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return bSynced;
}

// Keeps the file strTarget as it is now under a new name beside it that says when: a copy of its bytes
// with its permission bits, synced; a file that cannot be read is kept as a second link to it instead.
// Never replaces an existing file. Returns the copy's path, empty when none could be made (nothing is
// left behind then).
std::string KeepCopyOf(const std::string& strTarget, const struct stat& stTarget) {
    const std::string strName = NameOf(strTarget);
    const size_t nDot = strName.rfind('.');
    const bool bExt = nDot != std::string::npos && nDot > 0;
    const std::string strStem = FolderOf(strTarget) + (bExt ? strName.substr(0, nDot) : strName);
    const std::string strExt = bExt ? strName.substr(nDot) : std::string();
    char szStamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr ||
        std::strftime(szStamp, sizeof szStamp, "%Y%m%d-%H%M%S", &local) == 0)
        return {};

    std::vector<unsigned char> bytes;
    const int fdIn = OpenRegularFile(strTarget, O_RDONLY);
    bool bLink = fdIn < 0;
    if (fdIn >= 0) {
        bLink = !ReadWhole(fdIn, bytes);
        ::close(fdIn);
    }
    for (int nCopy = 1; nCopy <= 100; ++nCopy) {
        std::string strCopy = strStem + "-" + szStamp;
        if (nCopy > 1) strCopy.append("-").append(std::to_string(nCopy));
        strCopy += strExt;
        if (ForcedFailure(EParamFileStep::Copy)) return {};
        if (bLink) {
            if (::link(strTarget.c_str(), strCopy.c_str()) == 0) return strCopy;
            if (errno == EEXIST) continue;
            return {};
        }
        const int fd = ::open(strCopy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        const int nOwned = ::fchown(fd, stTarget.st_uid, stTarget.st_gid);  // where this process may
        static_cast<void>(nOwned);
        bool bCopied = ::fchmod(fd, stTarget.st_mode & 07777) == 0 &&
                       WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
        if (::close(fd) != 0) bCopied = false;
        if (bCopied) return strCopy;
        ::unlink(strCopy.c_str());
        return {};
    }
    return {};
}

// Channel settings of a loaded record that no frame could ever use: a domain limit that is not finite
// puts every value out of the domain or makes its scaling fail, and the panel cannot show it as a number;
// an eye other than A or B is refused by every host getter. They take the defaults. The other channel
// fields stay as loaded: an unknown signal code reads 0.0 and is kept for the user to change, the panel
// maps an unknown range to its first entry, and a finite pair with Min not below Max is shown as it is and
// set right in the panel. Returns the lines naming the channels mended, empty when none was.
std::string MendDamagedChannels(ParameterBlock& params) {
    std::vector<int> domains;
    std::vector<int> eyes;
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        const float fMin = params.fDomainMin[ch];
        const float fMax = params.fDomainMax[ch];
        if (!std::isfinite(fMin) || !std::isfinite(fMax)) {
            params.fDomainMax[ch] = 1.0f;
            params.fDomainMin[ch] = 0.0f;
            domains.push_back(ch);
        }
        if (params.nEye[ch] != 0 && params.nEye[ch] != 1) {
            params.nEye[ch] = 0;
            eyes.push_back(ch);
        }
    }
    auto line = [](const char* pszWhat, const std::vector<int>& channels) {
        std::string strLine = pszWhat;
        strLine += channels.size() == 1 ? "channel " : "channels ";
        for (size_t i = 0; i < channels.size(); ++i) {
            if (i > 0) strLine += ", ";
            strLine += std::to_string(channels[i]);
        }
        return strLine + kDamagedTail;
    };
    std::string strLines;
    if (!domains.empty()) strLines += line(kDamagedDomain, domains);
    if (!eyes.empty()) {
        if (!strLines.empty()) strLines += '\n';
        strLines += line(kDamagedEye, eyes);
    }
    return strLines;
}

}  // namespace

ParamFileTesting& ParamFileTestingState() {
    return g_ParamFileTesting;
}

void ResetParamFileTesting() {
    g_ParamFileTesting = ParamFileTesting{};
}

void SetParamFileKeptHook(ParamFileKeptHook pfnHook) {
    g_pfnKeptHook = std::move(pfnHook);
}

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

    // The start-up's file, when it is not applied, is kept before a save first replaces it. A path that
    // holds no regular file has nothing to keep.
    auto noteUnapplied = [this, bInteractive](const struct stat& st) {
        if (bInteractive || !S_ISREG(st.st_mode)) return;
        m_bKeepUnappliedFile = TRUE;
        m_nUnappliedDevice = static_cast<std::uint64_t>(st.st_dev);
        m_nUnappliedInode = static_cast<std::uint64_t>(st.st_ino);
    };

    // A path that is not a regular file (a folder, a FIFO, a device) is a file that cannot be opened.
    const std::string strNative = NativeParamPath(strPath);
    struct stat stFile {};
    const int fd = OpenRegularFile(strNative, O_RDONLY, &stFile);
    if (fd < 0) {
        if (::stat(strNative.c_str(), &stFile) == 0) noteUnapplied(stFile);
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
        noteUnapplied(stFile);
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
        // Settings that no frame could use take their defaults before the panels are made from them.
        const std::string strMended = MendDamagedChannels(g_Params);
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
        // The start-up's file, not applied then, is applied now: nothing of it is left to keep.
        if (m_bKeepUnappliedFile && m_nUnappliedDevice == static_cast<std::uint64_t>(stFile.st_dev) &&
            m_nUnappliedInode == static_cast<std::uint64_t>(stFile.st_ino))
            m_bKeepUnappliedFile = FALSE;
        if (!strMended.empty()) {
            lowerAboutBox();
            AfxMessageBox((kDamagedChannels + strMended).c_str(), MB_OK);
        }
        return;
    }

    noteUnapplied(stFile);
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

    // The file replaced is the one a symbolic link names; a path that holds something other than a
    // regular file (a folder, a FIFO, a device) is refused as a file that cannot be opened.
    const std::string strTarget = FollowLinks(NativeParamPath(strPath));
    struct stat stOld {};
    bool bOld = false;
    if (!strTarget.empty() && ::stat(strTarget.c_str(), &stOld) == 0) {
        bOld = S_ISREG(stOld.st_mode);
        if (!bOld) {
            AfxMessageBox(kCannotOpenForSaving, MB_OK);
            return;
        }
    } else if (strTarget.empty() || errno != ENOENT) {
        AfxMessageBox(kCannotOpenForSaving, MB_OK);
        return;
    }

    // The whole record goes into a new file beside the old one, with the old one's permission bits and
    // (where this process may) owner; only once it is on the disk does it take the old one's place.
    std::string strNew;
    const int fd = CreateBeside(strTarget, strNew);
    if (fd < 0) {
        AfxMessageBox(kCannotOpenForSaving, MB_OK);
        return;
    }
    bool bSaved = true;
    if (bOld) {
        bSaved = ::fchmod(fd, stOld.st_mode & 07777) == 0;
        // Another owner cannot be given by an ordinary user; the new file is then this user's.
        const int nOwned = ::fchown(fd, stOld.st_uid, stOld.st_gid);
        static_cast<void>(nOwned);
    }
    const auto* pRecord = reinterpret_cast<const unsigned char*>(&g_Params);
    if (bSaved && ForcedFailure(EParamFileStep::Write)) {
        // Half a record, as a disk that fills up mid-write leaves it.
        WriteAll(fd, pRecord, sizeof g_Params / 2);
        bSaved = false;
    }
    bSaved = bSaved && WriteAll(fd, pRecord, sizeof g_Params);
    bSaved = bSaved && !ForcedFailure(EParamFileStep::Sync) && ::fsync(fd) == 0;
    if (::close(fd) != 0) bSaved = false;

    // The default file this run did not apply is kept before it is first replaced.
    if (bSaved && bOld && m_bKeepUnappliedFile &&
        m_nUnappliedDevice == static_cast<std::uint64_t>(stOld.st_dev) &&
        m_nUnappliedInode == static_cast<std::uint64_t>(stOld.st_ino)) {
        const std::string strCopy = KeepCopyOf(strTarget, stOld);
        bSaved = !strCopy.empty();
        if (bSaved) {
            m_bKeepUnappliedFile = FALSE;
            if (g_pfnKeptHook) g_pfnKeptHook(strCopy);
        }
    }

    if (bSaved && g_ParamFileTesting.pfnBeforeRename) g_ParamFileTesting.pfnBeforeRename();
    bSaved =
        bSaved && !ForcedFailure(EParamFileStep::Rename) && ::rename(strNew.c_str(), strTarget.c_str()) == 0;
    if (!bSaved) {
        ::unlink(strNew.c_str());
        AfxMessageBox(kSaveError, MB_OK);
        return;
    }
    // The rename itself is on the disk only once the folder is synced.
    if (!SyncFolderOf(strTarget)) {
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
