#include "platform/win/cmd_target.h"

#include "platform/win/menu.h"
#include "platform/win/window.h"

CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr,
                                       nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const {
    return &classCObject;
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const {
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBase) const {
    for (const CRuntimeClass* p = this; p != nullptr;
         p = p->m_pfnGetBaseClass ? p->m_pfnGetBaseClass() : nullptr) {
        if (p == pBase) return TRUE;
    }
    return FALSE;
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {
const AFX_MSGMAP_ENTRY kNoEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
const AFX_MSGMAP kCmdTargetMap = {nullptr, &kNoEntries[0]};
}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    return &kCmdTargetMap;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return &kCmdTargetMap;
}

// Looks up the first entry of the map chain that matches (message, code, id); NULL when none does.
static const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode,
                                                   UINT nID) {
    for (; pMap != nullptr; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage == nMessage && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    UINT nMsg = WM_COMMAND;
    UINT nEntryCode = static_cast<UINT>(nCode);
    if (nCode != CN_UPDATE_COMMAND_UI) {
        if (HIWORD(static_cast<UINT>(nCode)) != 0) nMsg = HIWORD(static_cast<UINT>(nCode));
        nEntryCode = LOWORD(static_cast<UINT>(nCode));
    }
    const AFX_MSGMAP_ENTRY* e = AfxFindMessageEntry(GetMessageMap(), nMsg, nEntryCode, nID);
    if (e == nullptr) return FALSE;
    if (pHandlerInfo != nullptr) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = e;
        return TRUE;
    }
    AFX_MSGARGS args{nMsg, 0, 0, nID, nCode, pExtra};
    if (e->nSig == AfxSig_cmdui) {
        CCmdUI* pCmdUI = static_cast<CCmdUI*>(pExtra);
        pCmdUI->m_bContinueRouting = FALSE;
        e->pfn(this, args);
        BOOL bResult = !pCmdUI->m_bContinueRouting;
        pCmdUI->m_bContinueRouting = FALSE;
        return bResult;
    }
    LRESULT r = e->pfn(this, args);
    return e->nSig == AfxSig_cmd_b ? static_cast<BOOL>(r) : TRUE;
}

void CCmdUI::Enable(BOOL bOn) {
    if (m_pMenu != nullptr) {
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther != nullptr) {
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
    if (m_pMenu != nullptr) {
        m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther != nullptr) {
        m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
    }
}

void CCmdUI::SetRadio(BOOL bOn) {
    SetCheck(bOn ? 1 : 0);
}

void CCmdUI::SetText(LPCTSTR lpszText) {
    if (m_pMenu != nullptr) {
        UINT nState = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
        if (nState != static_cast<UINT>(-1)) {
            m_pMenu->ModifyMenu(m_nIndex,
                                MF_BYPOSITION | MF_STRING | (nState & (MF_CHECKED | MF_GRAYED | MF_DISABLED)),
                                m_nID, lpszText);
        }
    } else if (m_pOther != nullptr) {
        m_pOther->SetWindowText(lpszText);
    }
}
