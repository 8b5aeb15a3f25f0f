// The column of channel panels inside the "Analog Output" group box, the outer size of the main dialog,
// and the main dialog's window procedure that keeps both in step. User-interface thread only.
#include "app/channel_panel.h"
#include "app/main_dialog.h"
#include "resources/resource.h"

namespace {

// Outer window pixels.
constexpr int kDialogWidth = 490;
constexpr int kNoBoardHeight = 125;
constexpr int kDigitalHeight = 258;
constexpr int kAnalogHeight = 583;
// 583 - 309: the dialog height without the column, to which the column's bottom is added.
constexpr int kAnalogBaseHeight = 274;
constexpr int kNoBoardMinTrack = 125;
constexpr int kDigitalMinTrack = 250;
constexpr int kAnalogMinTrack = 368;
// The smallest group box height a pass reckons with.
constexpr int kMinAnalogFrameHeight = 309;
// Vertical pitch of expanded panels and the first panel's top.
constexpr int kPanelPitch = 145;
constexpr int kColumnTop = 20;
constexpr int kPanelGap = 5;
// The group box's bottom stands this far above the dialog's client bottom.
constexpr int kGroupBottomMargin = 10;
// wParam of a direct WM_WINDOWPOSCHANGED after a pass: hide the group box before it is shown and moved.
constexpr WPARAM kRefitAfterPass = 97345;

enum LayoutKind { LAYOUT_NO_BOARD, LAYOUT_DIGITAL, LAYOUT_ANALOG };

// A board index that names no discovered record counts as no board: nothing can be laid out for it.
LayoutKind CurrentLayoutKind(const CTessaro2010Dlg& dlg) {
    if (g_Params.nBoardIndex == -1) return LAYOUT_NO_BOARD;
    const CapabilitiesRecord* pRec = dlg.CurrentBoardRecord();
    if (pRec == nullptr) return LAYOUT_NO_BOARD;
    return pRec->nAnalogChannels == 0 ? LAYOUT_DIGITAL : LAYOUT_ANALOG;
}

int MinTrackHeight(LayoutKind kind) {
    switch (kind) {
        case LAYOUT_NO_BOARD:
            return kNoBoardMinTrack;
        case LAYOUT_DIGITAL:
            return kDigitalMinTrack;
        default:
            return kAnalogMinTrack;
    }
}

// The frame edges whose drag would start a resize; the bottom edge (15) is not among them.
bool IsBlockedSizingEdge(UINT nHitTest) {
    switch (nHitTest) {
        case HTLEFT:
        case HTRIGHT:
        case HTTOP:
        case HTTOPLEFT:
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
            return true;
        default:
            return false;
    }
}

// The group box's place in the dialog's client area: same left, top and width, its bottom 10 px above
// the client bottom. The dialog's border widths come from rcBorderW/rcBorderC, its position from rcW.
CRect FittedGroupRect(const CRect& rcBorderW, const CRect& rcBorderC, const CRect& rcW, const CRect& rcClient,
                      const CRect& rcGroup) {
    const int bx = (rcBorderW.Width() - rcBorderC.Width()) / 2;
    const int by = rcBorderW.Height() - rcBorderC.Height() - bx;
    CRect rc;
    rc.left = rcGroup.left - (rcW.left + bx);
    rc.top = rcGroup.top - (rcW.top + by);
    rc.right = rc.left + rcGroup.Width();
    rc.bottom = rcClient.bottom - kGroupBottomMargin;
    return rc;
}

}  // namespace

BOOL CTessaro2010Dlg::CreateChannelDialogs() {
    CWnd* pGroup = GetDlgItem(IDC_ANALOG_GROUP);
    if (pGroup != nullptr) {
        pGroup->SetWindowText("Analog Output");
        pGroup->ShowWindow(SW_SHOWNORMAL);
        pGroup->Invalidate(TRUE);
    }

    const auto hideAll = [this] {
        for (CAnalogOutputChannel* pPanel : m_pChannelDlg)
            if (pPanel != nullptr && pPanel->GetSafeHwnd() != nullptr) pPanel->ShowWindow(SW_HIDE);
        return FALSE;
    };
    // The scroll bar comes after the group box in the template, so the panels inside the group box would
    // cover it: it goes above the group box, and the group box with its panels clips its siblings, so it
    // does not paint over the scroll bar (place in the z-order and that one style are all that change).
    if (CWnd* pScroll = GetDlgItem(IDC_CHANNEL_SCROLL)) {
        pScroll->SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (pGroup != nullptr) {
            const LONG style = ::GetWindowLong(pGroup->m_hWnd, GWL_STYLE);
            ::SetWindowLong(pGroup->m_hWnd, GWL_STYLE, style | static_cast<LONG>(WS_CLIPSIBLINGS));
        }
    }
    if (g_Params.nBoardIndex == -1 || CurrentBoardRecord() == nullptr || m_nChannels < 1 || pGroup == nullptr)
        return hideAll();

    pGroup->ShowWindow(SW_SHOW);
    pGroup->GetWindowRect(&m_rcAnalogFrame);
    pGroup->GetClientRect(&m_rcAnalogClient);
    m_rcTtlFrame.SetRectEmpty();
    if (CWnd* pTtlGroup = GetDlgItem(IDC_TTL_GROUP)) pTtlGroup->GetWindowRect(&m_rcTtlFrame);
    if (m_rcAnalogFrame.Height() < kMinAnalogFrameHeight)
        m_rcAnalogFrame.bottom = m_rcAnalogFrame.top + kMinAnalogFrameHeight;
    if (m_rcAnalogClient.Height() < kMinAnalogFrameHeight)
        m_rcAnalogClient.bottom = m_rcAnalogClient.top + kMinAnalogFrameHeight;
    // Copies: a message box below pumps messages, and a nested pass rewrites the members.
    const CRect rcFrame = m_rcAnalogFrame;
    const CRect rcClient = m_rcAnalogClient;
    const CRect rcTtl = m_rcTtlFrame;

    // The room from the group box's top (a screen coordinate) down to the bottom of the screen's work
    // area, or of the dialog when that is taller.
    CRect rcDlg;
    GetWindowRect(&rcDlg);
    const int nDlgHeight = rcDlg.Height();
    const int nScreenHeight = GetSystemMetrics(SM_CYFULLSCREEN);
    const int nRoom = nDlgHeight > nScreenHeight ? nDlgHeight : nScreenHeight;
    const int nCount = (nRoom - rcFrame.top - 10) / kPanelPitch;
    const int nLimit = nCount * kPanelPitch + kColumnTop;

    const int nLeft = (rcTtl.left + 10 - rcFrame.left) - (rcFrame.Width() - rcClient.Width());
    const int nFirstTop = kColumnTop - (rcFrame.Height() - rcClient.Height());

    int nShown = 0;
    bool bOverflow = false;
    int nLastBottom = -1;
    // The error box below runs the message loop: a command handled meanwhile may change the board, the
    // channel count or the panels, so each slot reads them afresh, and a pass whose board is gone stops
    // (a new panel needs the board's record).
    for (int j = 0; j < m_nChannels && j < MAX_CHANNELS; ++j) {
        if (CurrentBoardRecord() == nullptr) return hideAll();
        if (m_pChannelDlg[j] == nullptr) {
            auto* pPanel = new CAnalogOutputChannel(pGroup, j + 1, this);
            m_pChannelDlg[j] = pPanel;
            pPanel->m_nRedrawMsgId = m_nRedrawMsg;
            pPanel->m_pSawToothCount = &m_nSawToothChannels;
            if (pPanel->CreateModeless() == 0) {
                if (m_pChannelDlg[j] == pPanel) m_pChannelDlg[j] = nullptr;
                delete pPanel;
                AfxMessageBox("Error: Cannot create Analog Output Channel.    ", MB_OK);
                continue;
            }
        }
        CAnalogOutputChannel* pPanel = m_pChannelDlg[j];
        if (pPanel == nullptr || pPanel->GetSafeHwnd() == nullptr) continue;
        if (j < m_nFirstVisibleChannel || bOverflow) {
            pPanel->ShowWindow(SW_HIDE);
            continue;
        }
        CRect rcPanel;
        pPanel->GetWindowRect(&rcPanel);
        const int nTop = nShown > 0 ? nLastBottom + kPanelGap : nFirstTop;
        const CRect rcNew(nLeft, nTop, nLeft + rcPanel.Width(), nTop + rcPanel.Height());
        if (rcNew.bottom > nLimit) {
            bOverflow = true;
            pPanel->ShowWindow(SW_HIDE);
        } else {
            nLastBottom = rcNew.bottom;
            pPanel->MoveWindow(&rcNew, TRUE);
            pPanel->ShowWindow(SW_SHOW);
            ++nShown;
        }
    }

    if (m_nChannels != 0) SizeMainDialog(nLastBottom + 9);
    return TRUE;
}

BOOL CTessaro2010Dlg::LayoutChannelDialogs(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_WINDOWPOSCHANGED && message != WM_NCLBUTTONDOWN && message != WM_NCMOUSEMOVE &&
        message != WM_GETMINMAXINFO)
        return FALSE;
    if (GetDlgItem(IDOK) == nullptr) return FALSE;
    const LayoutKind kind = CurrentLayoutKind(*this);

    if (message == WM_GETMINMAXINFO) {
        auto* pInfo = reinterpret_cast<MINMAXINFO*>(lParam);
        if (pInfo == nullptr) return FALSE;
        pInfo->ptMinTrackSize.y = MinTrackHeight(kind);
        return TRUE;
    }
    if (message == WM_NCLBUTTONDOWN || message == WM_NCMOUSEMOVE) {
        if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0) return FALSE;
        return IsBlockedSizingEdge(static_cast<UINT>(wParam)) ? TRUE : FALSE;
    }

    // WM_WINDOWPOSCHANGED, from the system or after a pass.
    if (CWnd* pGroup = GetDlgItem(IDC_ANALOG_GROUP)) {
        CRect rcW, rcC, rcG;
        GetWindowRect(&rcW);
        GetClientRect(&rcC);
        pGroup->GetWindowRect(&rcG);
        const CRect rcFit = FittedGroupRect(rcW, rcC, rcW, rcC, rcG);
        const int nShow = kind == LAYOUT_ANALOG ? SW_SHOW : SW_HIDE;
        if (wParam == kRefitAfterPass) pGroup->ShowWindow(SW_HIDE);
        pGroup->ShowWindow(nShow);
        pGroup->MoveWindow(&rcFit, nShow != SW_HIDE);
    }
    return TRUE;
}

void CTessaro2010Dlg::SizeMainDialog(int nColumnBottom) {
    if (GetDlgItem(IDOK) == nullptr) return;
    const LayoutKind kind = CurrentLayoutKind(*this);
    int nHeight = kAnalogHeight;
    if (kind == LAYOUT_NO_BOARD) {
        nHeight = kNoBoardHeight;
    } else if (kind == LAYOUT_DIGITAL) {
        nHeight = kDigitalHeight;
    } else if (nColumnBottom > 0) {
        nHeight = kAnalogBaseHeight + nColumnBottom;
    }
    const int nShow = kind == LAYOUT_ANALOG ? SW_SHOW : SW_HIDE;
    CWnd* pGroup = GetDlgItem(IDC_ANALOG_GROUP);
    if (pGroup != nullptr) pGroup->ShowWindow(nShow);
    if (CWnd* pExpand = GetDlgItem(IDC_EXPAND_ALL))
        pExpand->ShowWindow(nShow != SW_HIDE ? SW_SHOWNORMAL : SW_HIDE);

    CRect rcW, rcC;
    GetWindowRect(&rcW);
    GetClientRect(&rcC);
    if (::IsWindow(m_hWnd)) MoveWindow(rcW.left, rcW.top, kDialogWidth, nHeight, TRUE);

    if (kind == LAYOUT_ANALOG && pGroup != nullptr && pGroup->GetSafeHwnd() != nullptr) {
        CRect rcClientAfter, rcG;
        GetClientRect(&rcClientAfter);
        pGroup->GetWindowRect(&rcG);
        const CRect rcFit = FittedGroupRect(rcW, rcC, rcW, rcClientAfter, rcG);
        pGroup->ShowWindow(SW_SHOW);
        pGroup->MoveWindow(&rcFit, TRUE);
    }
}

void CTessaro2010Dlg::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    CWnd* pChannelScroll = GetDlgItem(IDC_CHANNEL_SCROLL);
    if (pScrollBar == nullptr || pChannelScroll == nullptr ||
        pScrollBar->GetSafeHwnd() != pChannelScroll->GetSafeHwnd())
        return;
    int nNew = 0;
    switch (nSBCode) {
        case SB_LINEUP:
        case SB_PAGEUP:
            nNew = m_nFirstVisibleChannel - 1;
            break;
        case SB_LINEDOWN:
        case SB_PAGEDOWN:
            nNew = m_nFirstVisibleChannel + 1;
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            nNew = static_cast<int>(nPos);
            break;
        case SB_TOP:
            nNew = 0;
            break;
        case SB_BOTTOM:
            nNew = m_nChannels - 2;
            break;
        default:
            return;  // SB_ENDSCROLL and anything above it
    }
    // The first channel shown is never the last one.
    if (nNew >= m_nChannels - 1) nNew = m_nChannels - 2;
    if (nNew < 0) nNew = 0;
    m_nFirstVisibleChannel = nNew;
    ::SetScrollPos(pChannelScroll->GetSafeHwnd(), SB_CTL, nNew, TRUE);
    CreateChannelDialogs();
    LayoutChannelDialogs(WM_WINDOWPOSCHANGED, kRefitAfterPass, 0);
}

LRESULT CTessaro2010Dlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // 0 until the message is registered; WM_NULL must not rebuild the column.
    if (m_nRedrawMsg != 0 && message == m_nRedrawMsg) {
        CreateChannelDialogs();
        LayoutChannelDialogs(WM_WINDOWPOSCHANGED, kRefitAfterPass, 0);
        return 1;
    }
    // No resize cursor over the sides, the top and the corners.
    if (message == WM_SETCURSOR && IsBlockedSizingEdge(LOWORD(lParam))) return 1;
    // A layout message taken here gets no default processing: WM_WINDOWPOSCHANGED then produces no
    // WM_SIZE and WM_MOVE.
    if (LayoutChannelDialogs(message, wParam, lParam)) return 1;
    if (message == WM_CTLCOLORDLG) {
        if (m_pDialogBkBrush != nullptr) {
            m_pDialogBkBrush->DeleteObject();
        } else {
            m_pDialogBkBrush = new CBrush;
        }
        m_pDialogBkBrush->CreateSolidBrush(m_crBackground);
        return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(*m_pDialogBkBrush));
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CTessaro2010Dlg::OnExpandToggle() {
    m_bPanelsExpanded = !m_bPanelsExpanded;
    CBitmap* pBitmap = m_bPanelsExpanded ? g_pBmpExpanded : g_pBmpCollapsed;
    CWnd* pButton = GetDlgItem(IDC_EXPAND_ALL);
    if (pButton != nullptr && pBitmap != nullptr)
        pButton->SendMessage(BM_SETIMAGE, IMAGE_BITMAP,
                             reinterpret_cast<LPARAM>(static_cast<HBITMAP>(*pBitmap)));
    SetPanelsExpanded(m_bPanelsExpanded);
}

void CTessaro2010Dlg::SetPanelsExpanded(BOOL bExpanded) {
    int nPanels = 0;
    for (CAnalogOutputChannel* pPanel : m_pChannelDlg) {
        if (pPanel == nullptr || pPanel->GetSafeHwnd() == nullptr) continue;
        pPanel->m_bExpanded = bExpanded;
        pPanel->UpdateExpandButton();
        pPanel->LayoutPanel(FALSE);
        ++nPanels;
    }
    if (nPanels == 0) return;
    m_nFirstVisibleChannel = 0;
    if (CWnd* pScroll = GetDlgItem(IDC_CHANNEL_SCROLL)) {
        pScroll->ShowWindow(nPanels > 2 ? SW_SHOWNORMAL : SW_HIDE);
        ::SetScrollRange(pScroll->GetSafeHwnd(), SB_CTL, 0, nPanels - 2, TRUE);
        ::SetScrollPos(pScroll->GetSafeHwnd(), SB_CTL, 0, TRUE);
    }
    CreateChannelDialogs();
    LayoutChannelDialogs(WM_WINDOWPOSCHANGED, kRefitAfterPass, 0);
}

void CTessaro2010Dlg::DiscardChannelPanels() {
    for (CAnalogOutputChannel*& pPanel : m_pChannelDlg) {
        CAnalogOutputChannel* const pOld = pPanel;
        pPanel = nullptr;
        CAnalogOutputChannel::Discard(pOld);
    }
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        g_Params.pValueText[ch] = 0;
        g_Params.pClampText[ch] = 0;
    }
    ClearChannelLinks();
}
