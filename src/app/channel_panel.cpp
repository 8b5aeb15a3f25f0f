#include "app/channel_panel.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "app/main_dialog.h"
#include "board/capabilities.h"
#include "engine/parameter_block.h"
#include "engine/signal_codes.h"
#include "platform/ul/cbw.h"
#include "resources/resource.h"

namespace {

struct SourceEntry {
    const char* pszText;
    std::int32_t nCode;
};

// The Source list in its order; the item data of each entry is its SignalCode.
constexpr SourceEntry kSourceEntries[] = {
    {"Test: Signal = 0 ", MakeSignalCode(SIGNAL_TEST_ZERO, AXIS_NONE)},
    {"Test: Signal = 1 ", MakeSignalCode(SIGNAL_TEST_ONE, AXIS_NONE)},
    {"Test: Signal = SawTooth {0..1}", MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE)},
    {"X  Gaze  Position (raw)", MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X)},
    {"X  Gaze  Position Corrected", MakeSignalCode(SIGNAL_GAZE_POINT_CORRECTED, AXIS_X)},
    {"X  Gaze  Angle (raw)", MakeSignalCode(SIGNAL_GAZE_ANGLE, AXIS_X)},
    {"X  Gaze  Angle  Corrected", MakeSignalCode(SIGNAL_GAZE_ANGLE_CORRECTED, AXIS_X)},
    {"dX / dt  (X-ComponentVelocity)", MakeSignalCode(SIGNAL_COMPONENT_VELOCITY, AXIS_X)},
    {"Y  Gaze  Position (raw)", MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_Y)},
    {"Y  Gaze  Position Corrected", MakeSignalCode(SIGNAL_GAZE_POINT_CORRECTED, AXIS_Y)},
    {"Y  Gaze  Angle (raw)", MakeSignalCode(SIGNAL_GAZE_ANGLE, AXIS_Y)},
    {"Y  Gaze  Angle Corrected", MakeSignalCode(SIGNAL_GAZE_ANGLE_CORRECTED, AXIS_Y)},
    {"dY / dt  (Y-ComponentVelocity)", MakeSignalCode(SIGNAL_COMPONENT_VELOCITY, AXIS_Y)},
    {"Velocity  Total ", MakeSignalCode(SIGNAL_TOTAL_VELOCITY, AXIS_NONE)},
    {"Pupil  Width  (Major-axis)", MakeSignalCode(SIGNAL_PUPIL_SIZE, AXIS_X)},
    {"Pupil  Height (Minor-axis)", MakeSignalCode(SIGNAL_PUPIL_SIZE, AXIS_Y)},
    {"Pupil  Diameter (mm)", MakeSignalCode(SIGNAL_PUPIL_DIAMETER, AXIS_NONE)},
    {"Pupil  Angle", MakeSignalCode(SIGNAL_PUPIL_ANGLE, AXIS_NONE)},
    {"Pupil  Aspect  Ratio", MakeSignalCode(SIGNAL_PUPIL_ASPECT_RATIO, AXIS_NONE)},
    {"Torsion", MakeSignalCode(SIGNAL_TORSION, AXIS_NONE)},
    {"X  Pupil    (raw)", MakeSignalCode(SIGNAL_PUPIL_POINT, AXIS_X)},
    {"Y  Pupil    (raw)", MakeSignalCode(SIGNAL_PUPIL_POINT, AXIS_Y)},
    {"X  Glint     (raw)", MakeSignalCode(SIGNAL_GLINT_POINT, AXIS_X)},
    {"Y  Glint     (raw)", MakeSignalCode(SIGNAL_GLINT_POINT, AXIS_Y)},
    {"X  Vector  (raw)", MakeSignalCode(SIGNAL_DIFF_VECTOR, AXIS_X)},
    {"Y  Vector  (raw)", MakeSignalCode(SIGNAL_DIFF_VECTOR, AXIS_Y)},
    {"Drift", MakeSignalCode(SIGNAL_DRIFT, AXIS_NONE)},
    {"Fixation  Time", MakeSignalCode(SIGNAL_FIXATION_SECONDS, AXIS_NONE)},
    {"Quality", MakeSignalCode(SIGNAL_DATA_QUALITY, AXIS_NONE)},
    {"3D Panel Hit", MakeSignalCode(SIGNAL_PANEL_HIT, AXIS_NONE)},
    {"3D Vergence Angle", MakeSignalCode(SIGNAL_VERGENCE_ANGLE, AXIS_NONE)},
    {"3D Version Azmuth (x)", MakeSignalCode(SIGNAL_VERSION_ANGLE, AXIS_X)},
    {"3D Version Elevation (y)", MakeSignalCode(SIGNAL_VERSION_ANGLE, AXIS_Y)},
    {"3D Version Azmuth Velocity", MakeSignalCode(SIGNAL_VERSION_COMPONENT_VELOCITY, AXIS_X)},
    {"3D Version Elevation Velocity", MakeSignalCode(SIGNAL_VERSION_COMPONENT_VELOCITY, AXIS_Y)},
    {"3D Version Total Velocity", MakeSignalCode(SIGNAL_VERSION_TOTAL_VELOCITY, AXIS_NONE)},
    {"3D Gaze Point X (cm)", MakeSignalCode(SIGNAL_GAZE_POINT_3D, AXIS_X)},
    {"3D Gaze Point Y (cm)", MakeSignalCode(SIGNAL_GAZE_POINT_3D, AXIS_Y)},
    {"3D Gaze Point Z (cm)", MakeSignalCode(SIGNAL_GAZE_POINT_3D, AXIS_Z)},
};

struct RangeEntry {
    const char* pszText;
    int nCode;
};

// Boards with several output ranges. The one-range boards' texts are spaced differently, on purpose.
constexpr RangeEntry kSixRanges[RANGE_LIST_SIZE] = {
    {"Bipolar: -10    to +10", RANGE_BIP10},     {"Bipolar:   -5    to  +5", RANGE_BIP5},
    {"Bipolar:   -2.5 to  +2.5", RANGE_BIP2PT5}, {"Unipolar:    0 to +10", RANGE_UNI10},
    {"Unipolar:    0 to  +5", RANGE_UNI5},       {"Unipolar:    0 to  +2.5", RANGE_UNI2PT5},
};
constexpr RangeEntry k1208HsRange = {"Bipolar: -10   to +10", RANGE_BIP10};
constexpr RangeEntry k1208FsRange = {"Unipolar:  0 to +4", RANGE_UNI4};
constexpr RangeEntry k1208LsRange = {"Unipolar:  0 to +5", RANGE_UNI5};

// The board library's range constant of each RangeCode.
constexpr int kUlRangeOfCode[] = {BIP10VOLTS, BIP5VOLTS,    BIP2PT5VOLTS, UNI10VOLTS,
                                  UNI5VOLTS,  UNI2PT5VOLTS, UNI4VOLTS};

constexpr int kExpandedWidth = 410;
constexpr int kExpandedHeight = 140;
constexpr int kCollapsedHeight = 32;
constexpr int kCollapsedShiftX = 65;
constexpr int kCollapsedShiftY = 99;
constexpr WPARAM kRedrawWParam = 123;
constexpr LPARAM kRedrawLParam = 456;

constexpr COLORREF kPanelGrey = RGB(218, 218, 218);
constexpr COLORREF kSetPending = RGB(0, 255, 0);
constexpr COLORREF kSetIdle = RGB(220, 220, 0);
constexpr COLORREF kSetText = RGB(255, 0, 0);

const char kMinMaxWarning[] = "Please  make  Max  >  Min         \n( No  values  updated )                ";

bool IsSawToothText(const CString& strText) {
    return std::strstr(static_cast<LPCTSTR>(strText), "SawTooth") != nullptr;
}

// A spin position (value x 10) from a domain value, truncated toward zero. Values a file may hold that
// have no integer (NaN, beyond the range of int) end at the spin's limits instead.
int SpinPosition(float value) {
    const double scaled = static_cast<double>(value) * 10.0;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 32767.0) return 32767;
    if (scaled <= -32768.0) return -32768;
    return static_cast<int>(scaled);
}

// Holds a panel for the span of a handler that may wait in a message box. A panel discarded meanwhile
// (see CAnalogOutputChannel::Discard) is Gone(): the handler returns at once, and the outermost holder
// deletes the panel as the handler leaves, as the last touch of it.
// Kept out of line: once inlined into nested holders, the compiler cannot see that only the outermost one
// deletes, and warns of a use after free that cannot happen.
[[gnu::noinline]] void LeaveBusyPanel(CAnalogOutputChannel* pPanel) {
    if (--pPanel->m_nBusyDepth == 0 && pPanel->m_bDiscarded) delete pPanel;
}

class CBusyPanel {
  public:
    explicit CBusyPanel(CAnalogOutputChannel* pPanel) : m_pPanel(pPanel) { ++m_pPanel->m_nBusyDepth; }
    ~CBusyPanel() { LeaveBusyPanel(m_pPanel); }
    CBusyPanel(const CBusyPanel&) = delete;
    CBusyPanel& operator=(const CBusyPanel&) = delete;
    bool Gone() const { return m_pPanel->m_bDiscarded != FALSE; }

  private:
    CAnalogOutputChannel* m_pPanel;
};

// Links that still name the panel's texts would outlive them: the engine would write into freed objects.
// Whoever deletes panels clears the links as well; this only covers a forgotten one.
void UnlinkValueTexts(CAnalogOutputChannel& panel) {
    const int ch = panel.m_nChannel;
    if (panel.m_hWnd == nullptr || ch < 0 || ch >= MAX_CHANNELS) return;
    if (g_ChannelLinks.pValueText[ch] == panel.GetDlgItem(IDC_PANEL_VALUE))
        g_ChannelLinks.pValueText[ch] = nullptr;
    if (g_ChannelLinks.pClampText[ch] == panel.GetDlgItem(IDC_PANEL_CLAMP))
        g_ChannelLinks.pClampText[ch] = nullptr;
}

}  // namespace

int SetChannelRange(int nChannel, int nListIndex) {
    if (nChannel < 0 || nChannel >= MAX_CHANNELS || nListIndex < 0 || nListIndex >= RANGE_LIST_SIZE) return 0;
    const int code = g_RangeListCodes[nListIndex];
    if (code < RANGE_BIP10 || code > RANGE_UNI4) return 0;
    g_Params.range[nChannel].nUlRange = kUlRangeOfCode[code];
    g_Params.range[nChannel].nRangeCode = code;
    return 0;
}

IMPLEMENT_DYNAMIC(CAnalogOutputChannel, CDialog)

BEGIN_MESSAGE_MAP(CAnalogOutputChannel, CDialog)
ON_WM_VSCROLL()
ON_WM_CTLCOLOR()
ON_CBN_SELCHANGE(IDC_PANEL_SOURCE, &CAnalogOutputChannel::OnSelchangeSource)
ON_EN_KILLFOCUS(IDC_PANEL_MAX, &CAnalogOutputChannel::OnKillfocusMax)
ON_EN_KILLFOCUS(IDC_PANEL_MIN, &CAnalogOutputChannel::OnKillfocusMin)
ON_BN_CLICKED(IDC_PANEL_EXPAND, &CAnalogOutputChannel::OnToggleExpand)
ON_CBN_SELCHANGE(IDC_PANEL_RANGE, &CAnalogOutputChannel::OnSelchangeRange)
ON_BN_CLICKED(IDC_PANEL_INVERT, &CAnalogOutputChannel::OnInvert)
ON_BN_CLICKED(IDC_PANEL_EYE_A, &CAnalogOutputChannel::OnEyeSelect)
ON_BN_CLICKED(IDC_PANEL_EYE_B, &CAnalogOutputChannel::OnEyeSelect)
ON_BN_CLICKED(IDC_PANEL_SET, &CAnalogOutputChannel::OnSetMinMax)
ON_EN_CHANGE(IDC_PANEL_MAX, &CAnalogOutputChannel::OnChangeMax)
ON_EN_CHANGE(IDC_PANEL_MIN, &CAnalogOutputChannel::OnChangeMin)
ON_WM_TIMER()
END_MESSAGE_MAP()

CAnalogOutputChannel::CAnalogOutputChannel(CWnd* pParent, int nChannel, CTessaro2010Dlg* pMainDlg)
    : CDialog(IDD_CHANNEL_PANEL, pParent), m_nChannel(nChannel - 1), m_pMainDlg(pMainDlg) {}

CAnalogOutputChannel::~CAnalogOutputChannel() {
    UnlinkValueTexts(*this);
    // FIXME: a panel counted in *m_pSawToothCount stays counted after it is deleted; the count only keeps
    // the saw-tooth tick running, and that tick checks every channel's code itself.
    // The window goes first, so that no message can reach the panel once its brush is gone.
    if (m_hWnd != nullptr && CWnd::FromHandlePermanent(m_hWnd) == this) DestroyWindow();
    delete m_pBkBrush;
    m_pBkBrush = nullptr;
}

void CAnalogOutputChannel::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PANEL_MAX_SPIN, m_spinMax);
    DDX_Control(pDX, IDC_PANEL_MIN_SPIN, m_spinMin);
    DDX_Text(pDX, IDC_PANEL_MAX, m_fEditMax);
    DDV_MinMaxFloat(pDX, m_fEditMax, -999.0f, 999.0f);
    DDX_Text(pDX, IDC_PANEL_MIN, m_fEditMin);
    DDV_MinMaxFloat(pDX, m_fEditMin, -999.0f, 999.0f);
    DDX_Check(pDX, IDC_PANEL_INVERT, m_bInvert);
    DDX_Radio(pDX, IDC_PANEL_EYE_A, m_nEye);
}

void CAnalogOutputChannel::Discard(CAnalogOutputChannel* pPanel) {
    if (pPanel == nullptr) return;
    if (pPanel->m_nBusyDepth == 0) {
        delete pPanel;
        return;
    }
    if (pPanel->m_bDiscarded) return;
    pPanel->m_bDiscarded = TRUE;
    UnlinkValueTexts(*pPanel);
    if (pPanel->m_hWnd != nullptr && CWnd::FromHandlePermanent(pPanel->m_hWnd) == pPanel)
        pPanel->DestroyWindow();
}

int CAnalogOutputChannel::CreateModeless() {
    // Every handler indexes g_Params by the channel: a panel for a channel that does not exist is refused.
    if (m_nChannel < 0 || m_nChannel >= MAX_CHANNELS) return 0;
    return Create(IDD_CHANNEL_PANEL, m_pParentWnd) ? 1 : 0;
}

BOOL CAnalogOutputChannel::OnInitDialog() {
    CDialog::OnInitDialog();
    RegisterValueLabels();

    m_bExpanded = TRUE;
    UpdateExpandButton();

    GetWindowRect(&m_rcPanel);
    CRect* const places[] = {&m_rcValueText, &m_rcClampText, &m_rcSignalLabel, &m_rcUnitLabel};
    const int ids[] = {IDC_PANEL_VALUE, IDC_PANEL_CLAMP, IDC_PANEL_SIGNAL_LABEL, IDC_PANEL_UNIT_LABEL};
    for (int k = 0; k < 4; ++k) {
        CRect rc;
        if (CWnd* pCtl = GetDlgItem(ids[k])) pCtl->GetWindowRect(&rc);
        rc.OffsetRect(-m_rcPanel.left, -m_rcPanel.top);
        *places[k] = rc;
    }

    CString strCaption;
    strCaption.Format("Channel %d", m_nChannel);
    SetDlgItemText(IDC_PANEL_FRAME, strCaption);
    SetDlgItemText(IDC_PANEL_CAPTION, strCaption);

    m_bDirty = FALSE;
    if (CWnd* pSet = GetDlgItem(IDC_PANEL_SET)) pSet->EnableWindow(FALSE);

    FillSourceList();
    FillRangeList();
    LoadMinMax();

    m_bInvert = g_Params.bInvert[m_nChannel];
    m_nEye = g_Params.nEye[m_nChannel];

    SizePanel();

    m_nPanelPeriodMs = 100;
    m_nPanelTimer = SetTimer(TIMER_PANEL_APPLY, static_cast<UINT>(m_nPanelPeriodMs));

    UpdateData(FALSE);
    return TRUE;
}

void CAnalogOutputChannel::RegisterValueLabels() {
    g_ChannelLinks.pValueText[m_nChannel] = GetDlgItem(IDC_PANEL_VALUE);
    g_ChannelLinks.pClampText[m_nChannel] = GetDlgItem(IDC_PANEL_CLAMP);
}

void CAnalogOutputChannel::FillSourceList() {
    auto* pList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_PANEL_SOURCE));
    if (pList == nullptr) return;
    pList->ResetContent();
    for (const SourceEntry& entry : kSourceEntries) {
        const int index = pList->AddString(entry.pszText);
        pList->SetItemData(index, static_cast<DWORD_PTR>(static_cast<std::uint32_t>(entry.nCode)));
    }
    // A stored code that matches no entry (a file written elsewhere) selects nothing; the code itself is
    // kept until the user picks an entry.
    m_nSourceSel = -1;
    const int nCount = pList->GetCount();
    for (int i = 0; i < nCount; ++i) {
        if (static_cast<std::int32_t>(pList->GetItemData(i)) == g_Params.nSignalCode[m_nChannel]) {
            m_nSourceSel = i;
            break;
        }
    }
    pList->SetCurSel(m_nSourceSel);
    if (m_pSawToothCount != nullptr) {
        CString strText;
        if (m_nSourceSel >= 0) pList->GetLBText(m_nSourceSel, strText);
        m_bSawTooth = IsSawToothText(strText) ? TRUE : FALSE;
        if (m_bSawTooth) ++*m_pSawToothCount;
    }
}

void CAnalogOutputChannel::FillRangeList() {
    auto* pList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_PANEL_RANGE));
    if (pList == nullptr) return;
    // An index that names no record (no board selected) reads as an empty record: the six-range list.
    int nProductType = 0;
    if (g_Params.nBoardIndex >= 0 && g_Params.nBoardIndex < MAX_BOARDS)
        nProductType = g_CapabilitiesRecords[g_Params.nBoardIndex].nProductType;
    m_nRangeBoard = g_Params.nBoardIndex;
    pList->ResetContent();

    const RangeEntry* pOnly = nullptr;
    switch (nProductType) {
        case PRODUCT_1208HS:
            pOnly = &k1208HsRange;
            break;
        case PRODUCT_1208FS:
            pOnly = &k1208FsRange;
            break;
        case PRODUCT_1208LS:
            pOnly = &k1208LsRange;
            break;
        default:
            break;
    }
    if (pOnly != nullptr) {
        pList->AddString(pOnly->pszText);
        g_RangeListCodes[0] = pOnly->nCode;
        m_nRangeSel = 0;
        SetChannelRange(m_nChannel, 0);
    } else {
        for (int i = 0; i < RANGE_LIST_SIZE; ++i) {
            pList->AddString(kSixRanges[i].pszText);
            g_RangeListCodes[i] = kSixRanges[i].nCode;
        }
        // A stored code this board does not offer (a code 6 kept from a 1208FS, or garbage from a file)
        // falls back to the first entry, so that the list and the recorded pair always agree.
        m_nRangeSel = 0;
        for (int i = 0; i < RANGE_LIST_SIZE; ++i) {
            if (g_RangeListCodes[i] == g_Params.range[m_nChannel].nRangeCode) {
                m_nRangeSel = i;
                break;
            }
        }
        SetChannelRange(m_nChannel, m_nRangeSel);
    }
    pList->SetCurSel(m_nRangeSel);
}

void CAnalogOutputChannel::OnSelchangeSource() {
    auto* pList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_PANEL_SOURCE));
    if (pList == nullptr) return;
    const int index = pList->GetCurSel();
    if (index < 0 || index == m_nSourceSel) return;
    m_nSourceSel = index;
    g_Params.nSignalCode[m_nChannel] = static_cast<std::int32_t>(pList->GetItemData(index));
    if (m_pSawToothCount != nullptr) {
        CString strText;
        pList->GetLBText(index, strText);
        const BOOL bSawTooth = IsSawToothText(strText) ? TRUE : FALSE;
        if (m_bSawTooth && !bSawTooth && *m_pSawToothCount > 0) --*m_pSawToothCount;
        m_bSawTooth = bSawTooth;
        if (bSawTooth) ++*m_pSawToothCount;
    }
}

void CAnalogOutputChannel::OnSelchangeRange() {
    auto* pList = dynamic_cast<CComboBox*>(GetDlgItem(IDC_PANEL_RANGE));
    if (pList == nullptr) return;
    const int index = pList->GetCurSel();
    if (index < 0) return;
    m_nRangeSel = index;
    SetChannelRange(m_nChannel, index);
}

void CAnalogOutputChannel::OnInvert() {
    const CBusyPanel busy(this);
    const BOOL bRead = UpdateData(TRUE);
    if (busy.Gone()) return;
    if (!bRead) {
        // The exchange stopped before the check box: the stored state stays, and so does what it shows.
        CheckDlgButton(IDC_PANEL_INVERT, m_bInvert ? BST_CHECKED : BST_UNCHECKED);
    }
    g_Params.bInvert[m_nChannel] = m_bInvert;
}

void CAnalogOutputChannel::OnEyeSelect() {
    const CBusyPanel busy(this);
    const BOOL bRead = UpdateData(TRUE);
    if (busy.Gone()) return;
    if (!bRead) {
        // As for Invert: the radio buttons go back to the eye that stays stored.
        CheckDlgButton(IDC_PANEL_EYE_A, m_nEye == 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(IDC_PANEL_EYE_B, m_nEye == 1 ? BST_CHECKED : BST_UNCHECKED);
    }
    g_Params.nEye[m_nChannel] = m_nEye;
}

void CAnalogOutputChannel::OnTimer(UINT_PTR nIDEvent) {
    if (m_nApplyCountdown != 0) {
        --m_nApplyCountdown;
        if (m_nApplyCountdown == 0) {
            const CBusyPanel busy(this);
            OnSetMinMax();
            if (busy.Gone()) return;
        }
    }
    const int nHidden = (m_nSourceSel == 0 || m_nSourceSel == 1) ? 1 : 0;
    if (nHidden != m_nInvertHidden) {
        m_nInvertHidden = nHidden;
        if (CWnd* pInvert = GetDlgItem(IDC_PANEL_INVERT)) pInvert->ShowWindow(nHidden ? SW_HIDE : SW_SHOW);
    }
    CDialog::OnTimer(nIDEvent);
}

HBRUSH CAnalogOutputChannel::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH hbr = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    const bool bSetButton = pWnd != nullptr && pWnd->GetDlgCtrlID() == IDC_PANEL_SET;
    if (!bSetButton && nCtlColor == CTLCOLOR_LISTBOX) return hbr;

    const COLORREF crBack = bSetButton ? (m_bDirty ? kSetPending : kSetIdle) : kPanelGrey;
    // One brush serves the whole panel and is made anew on every request.
    if (m_pBkBrush == nullptr) {
        m_pBkBrush = new CBrush;
    } else {
        m_pBkBrush->DeleteObject();
    }
    if (pDC != nullptr) {
        pDC->SetBkColor(crBack);
        if (bSetButton) {
            pDC->SetTextColor(kSetText);
            pDC->SetBkMode(TRANSPARENT);
        }
    }
    m_pBkBrush->CreateSolidBrush(crBack);
    return static_cast<HBRUSH>(*m_pBkBrush);
}

// ---- Input domain ----

void CAnalogOutputChannel::LoadMinMax() {
    m_spinMax.SetBase(10);
    m_spinMin.SetBase(10);
    m_fMax = g_Params.fDomainMax[m_nChannel];
    m_fMin = g_Params.fDomainMin[m_nChannel];
    m_spinMax.SetRange(-20, 20);
    m_spinMin.SetRange(-20, 20);
    m_spinMax.SetPos(SpinPosition(m_fMax));
    m_spinMin.SetPos(SpinPosition(m_fMin));
    CString strText;
    strText.Format("%.1f", static_cast<double>(m_fMax));
    SetDlgItemText(IDC_PANEL_MAX, strText);
    strText.Format("%.1f", static_cast<double>(m_fMin));
    SetDlgItemText(IDC_PANEL_MIN, strText);
    SetDlgItemText(IDC_PANEL_HEADING, "Input Domain");
    m_fEditMax = m_fMax;
    m_fEditMin = m_fMin;
    UpdateData(FALSE);
}

void CAnalogOutputChannel::OnSetMinMax() {
    const CBusyPanel busy(this);
    UpdateData(TRUE);
    if (busy.Gone()) return;
    m_bDirty = FALSE;
    if (CWnd* pSet = GetDlgItem(IDC_PANEL_SET)) {
        pSet->EnableWindow(FALSE);
        pSet->Invalidate(TRUE);
    }
    // Written as "not below" so that a NaN pair (from a file) is refused like an empty domain.
    if (!(m_fEditMin < m_fEditMax)) {
        AfxMessageBox(kMinMaxWarning, MB_OK);
        return;
    }
    m_fMax = m_fEditMax;
    g_Params.fDomainMax[m_nChannel] = m_fMax;
    m_fMin = m_fEditMin;
    g_Params.fDomainMin[m_nChannel] = m_fMin;
}

void CAnalogOutputChannel::StartApplyCountdown() {
    // 2 s in ticks of the panel timer: 20 at 100 ms.
    m_nApplyCountdown = m_nPanelPeriodMs > 0 ? CTessaro2010Dlg::SecondsInTicks(2.0, m_nPanelPeriodMs) : 1;
    m_bDirty = TRUE;
    if (CWnd* pSet = GetDlgItem(IDC_PANEL_SET)) {
        pSet->EnableWindow(TRUE);
        pSet->Invalidate(TRUE);
    }
}

void CAnalogOutputChannel::OnChangeMax() {
    if (m_bSkipMaxChange) {
        m_bSkipMaxChange = FALSE;
        return;
    }
    StartApplyCountdown();
}

void CAnalogOutputChannel::OnChangeMin() {
    if (m_bSkipMinChange) {
        m_bSkipMinChange = FALSE;
        return;
    }
    StartApplyCountdown();
}

void CAnalogOutputChannel::OnKillfocusMax() {}

void CAnalogOutputChannel::OnKillfocusMin() {}

void CAnalogOutputChannel::OnOK() {
    const CBusyPanel busy(this);
    OnSetMinMax();
    if (busy.Gone()) return;
    CWnd* pMax = GetDlgItem(IDC_PANEL_MAX);
    CWnd* pFocus = CWnd::GetFocus();
    if (pMax != nullptr && pFocus != nullptr && pFocus->GetSafeHwnd() == pMax->GetSafeHwnd()) {
        if (CWnd* pMin = GetDlgItem(IDC_PANEL_MIN)) {
            pMin->SetFocus();
            pMin->SendMessage(EM_SETSEL, 0, -1);
        }
    }
}

void CAnalogOutputChannel::OnCancel() {}

void CAnalogOutputChannel::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    const bool bMax = pScrollBar == &m_spinMax;
    const bool bMin = pScrollBar == &m_spinMin;
    if ((!bMax && !bMin) || nSBCode != SB_THUMBPOSITION) return;
    const float value = static_cast<float>(static_cast<SHORT>(nPos) / 10.0);
    if (bMax) {
        m_fMax = value;
        m_fEditMax = value;
    } else {
        m_fMin = value;
        m_fEditMin = value;
    }
    UpdateData(FALSE);
    CDialog::OnVScroll(nSBCode, nPos, pScrollBar);
}

// ---- Layout ----

void CAnalogOutputChannel::OnToggleExpand() {
    m_bExpanded = !m_bExpanded;
    UpdateExpandButton();
    LayoutPanel(TRUE);
}

void CAnalogOutputChannel::UpdateExpandButton() {
    auto* pButton = dynamic_cast<CButton*>(GetDlgItem(IDC_PANEL_EXPAND));
    if (pButton != nullptr && g_pBmpExpanded != nullptr && g_pBmpExpanded->GetSafeHandle() != nullptr) {
        CBitmap* pBitmap = m_bExpanded ? g_pBmpExpanded : g_pBmpCollapsed;
        pButton->SetBitmap(pBitmap != nullptr ? static_cast<HBITMAP>(*pBitmap) : nullptr);
    }
    if (CWnd* pFrame = GetDlgItem(IDC_PANEL_FRAME)) pFrame->SetFocus();
}

void CAnalogOutputChannel::SizePanel() {
    if (GetDlgItem(IDC_PANEL_EXPAND) == nullptr) return;
    SetWindowPos(nullptr, 0, 0, kExpandedWidth, kExpandedHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAnalogOutputChannel::LayoutPanel(BOOL bPost) {
    if (CWnd* pExpand = GetDlgItem(IDC_PANEL_EXPAND)) {
        for (CWnd* pCtl = pExpand->GetWindow(GW_HWNDNEXT); pCtl != nullptr;
             pCtl = pCtl->GetWindow(GW_HWNDNEXT))
            pCtl->ShowWindow(m_bExpanded ? SW_SHOW : SW_HIDE);
    }

    CRect rcPanel;
    GetWindowRect(&rcPanel);
    if (CWnd* pParent = GetParent()) {
        pParent->GetWindowRect(&m_rcParent);
        rcPanel.OffsetRect(-m_rcParent.left, -m_rcParent.top);
    }

    int nHeight = kExpandedHeight;
    if (m_bExpanded) {
        const std::pair<int, const CRect*> places[] = {{IDC_PANEL_VALUE, &m_rcValueText},
                                                       {IDC_PANEL_CLAMP, &m_rcClampText},
                                                       {IDC_PANEL_SIGNAL_LABEL, &m_rcSignalLabel},
                                                       {IDC_PANEL_UNIT_LABEL, &m_rcUnitLabel}};
        for (const auto& [id, pRect] : places) {
            if (CWnd* pCtl = GetDlgItem(id)) pCtl->MoveWindow(pRect);
        }
        if (CWnd* pSet = GetDlgItem(IDC_PANEL_SET)) pSet->ShowWindow(SW_SHOW);
    } else {
        const std::pair<int, const CRect*> places[] = {{IDC_PANEL_SIGNAL_LABEL, &m_rcSignalLabel},
                                                       {IDC_PANEL_VALUE, &m_rcValueText},
                                                       {IDC_PANEL_UNIT_LABEL, &m_rcUnitLabel},
                                                       {IDC_PANEL_CLAMP, &m_rcClampText}};
        for (const auto& [id, pRect] : places) {
            if (CWnd* pCtl = GetDlgItem(id)) {
                CRect rc = *pRect;
                rc.OffsetRect(kCollapsedShiftX, -kCollapsedShiftY);
                pCtl->MoveWindow(&rc);
                pCtl->ShowWindow(SW_SHOW);
            }
        }
        nHeight = kCollapsedHeight;
    }
    if (CWnd* pCaption = GetDlgItem(IDC_PANEL_CAPTION)) pCaption->ShowWindow(m_bExpanded ? SW_HIDE : SW_SHOW);

    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
    MoveWindow(rcPanel.left, rcPanel.top, rcPanel.Width(), nHeight);

    if (bPost && m_pMainDlg != nullptr && m_pMainDlg->GetSafeHwnd() != nullptr)
        m_pMainDlg->PostMessage(m_nRedrawMsgId, kRedrawWParam, kRedrawLParam);
}
