#include "board/discovery.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/main_dialog.h"
#include "board/board_errors.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"

namespace {

constexpr int kInventorySize = 100;
// cbGetConfigString may store this many characters including the terminator.
constexpr int kSerialQueryLen = 99;
// The probe's answer that makes discovery skip a board number.
constexpr int kProbeSkip = 328;

// Length of a descriptor text that the library may have left without a terminator.
template <std::size_t N>
int BoundedLen(const char (&text)[N]) {
    return static_cast<int>(strnlen(text, N));
}

}  // namespace

int CTessaro2010Dlg::InitUniversalLibrary() {
    if (g_bLibraryInitialized) return 1;
    float fRevision = 6.5f;
    const int err = cbDeclareRevision(&fRevision);
    g_bLibraryInitialized = (err == 0);
    ReportBoardError(err);
    if (!g_bLibraryInitialized) {
        m_nMessageTicks = FiveSecondTicks();
        SetControlTextF(m_pMessageLine, " FAILED to initialize library.");
        return -1;
    }
    SetControlTextF(m_pBoardLabel, " Library Initialized: %s ", "TRUE");
    return 1;
}

int CTessaro2010Dlg::SetBoardErrorHandling(BOOL bLoud) {
    if (bLoud) return cbErrHandling(PRINTALL, STOPALL);
    return cbErrHandling(DONTPRINT, DONTSTOP);
}

void CTessaro2010Dlg::MCL_determineBoards() {
    CMenu* pMainMenu = GetSafeHwnd() != nullptr ? GetMenu() : nullptr;
    CMenu* pBoardMenu = pMainMenu != nullptr ? pMainMenu->GetSubMenu(1) : nullptr;

    cbIgnoreInstaCal();

    std::vector<DaqDeviceDescriptor> inventory(kInventorySize);
    int nCount = kInventorySize;
    const int errInventory = cbGetDaqDeviceInventory(ANY_IFC, inventory.data(), &nCount);
    ReportBoardError(errInventory);
    // After a failed inventory the descriptors are not filled, whatever the count says.
    if (errInventory != 0 || nCount < 0) nCount = 0;
    if (nCount > kInventorySize) nCount = kInventorySize;

    if (nCount >= 1) {
        CRS_SendCommand("say '~Tessaro discovered %d DAQ device(s).' ", nCount);
        for (int i = 0; i < nCount; ++i) {
            const DaqDeviceDescriptor& device = inventory[i];
            CRS_SendCommand("say '   Device Name: %.*s' ", BoundedLen(device.ProductName),
                            device.ProductName);
            CRS_SendCommand("say '     SerialNumber: %.*s' ", BoundedLen(device.UniqueID), device.UniqueID);
            CRS_SendCommand("say '     Product ID: %d' ", static_cast<int>(device.ProductID));
            CRS_SendCommand("say '     Assigned Board Number: %d' ", i);
            ReportBoardError(cbCreateDaqDevice(i, device));
            ReportBoardError(cbFlashLED(i));
        }
    }

    m_nBoardAnalogChannels = 0;
    m_nBoards = 0;
    m_bSimulatedBoard = FALSE;

    for (int b = 0; b < MAX_BOARDS; ++b) {
        CapabilitiesRecord& rec = g_CapabilitiesRecords[m_nBoards];
        const int err = cbGetBoardName(b, rec.szName);
        rec.szName[BOARD_NAME_LEN - 1] = '\0';
        if (err == 0) {
            int nLen = kSerialQueryLen;
            cbGetConfigString(BOARDINFO, b, 0, BIINFO_DEVUNIQUEID, rec.szSerial, &nLen);
            rec.szSerial[kSerialQueryLen - 1] = '\0';
            USHORT nValue = 123;
            if (ReadDigitalPort(b, 0, &nValue) == kProbeSkip) continue;
        } else {
            rec.szSerial[0] = '\0';
            rec.szName[0] = '\0';
            if (!m_bSimulatedBoard && m_nBoardAnalogChannels == 0) {
                std::strcpy(rec.szName, SIMULATED_BOARD_NAME);
                m_bSimulatedBoard = TRUE;
            } else if (err >= 2) {
                char szText[64];
                std::snprintf(szText, sizeof szText, " MCL_determineBoards ERROR.\n\n Error: %d ", err);
                BoardErrorBox(szText);
                break;
            }
        }
        if (rec.szName[0] == '\0') continue;

        MCL_setCapabilitiesRecord(rec);
        rec.nBoardNum = b;
        m_nBoards += 1;
        if (pBoardMenu != nullptr) {
            CString strEntry;
            strEntry.Format("%s,  S/N: %s", rec.szName, rec.szSerial);
            pBoardMenu->AppendMenu(MF_STRING, static_cast<UINT_PTR>(ID_BOARD_NONE + m_nBoards), strEntry);
        }
        m_nBoardAnalogChannels += rec.nAnalogChannels;
    }

    m_nChannels = m_nBoardAnalogChannels;
}
