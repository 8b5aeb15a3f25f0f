// The framework's object root (CObject with run-time class information), command targets with their
// message-map tables, and CCmdUI (the update-handler protocol).
#pragma once

#include "platform/win/messages.h"

class CObject;
class CCmdTarget;
class CMenu;
class CWnd;

// ---- Run-time class information ----
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();  // NULL unless the class is dynamically creatable
    CRuntimeClass* (*m_pfnGetBaseClass)();

    // A new object of the class, or NULL when it is not dynamically creatable.
    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    BOOL IsDerivedFrom(const CRuntimeClass* pBase) const;
};

class CObject {
  public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;

    static CRuntimeClass classCObject;
    static CRuntimeClass* GetThisClass() { return &classCObject; }

  protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;

  private:
    friend class CObjectTesting;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)         \
  public:                                   \
    static CRuntimeClass class##class_name; \
    static CRuntimeClass* GetThisClass();   \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define TESSARO_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, pfnNew)                           \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                   0xFFFF, pfnNew, &base_class_name::GetThisClass};   \
    CRuntimeClass* class_name::GetThisClass() {                                                       \
        return &class_name::class##class_name;                                                        \
    }                                                                                                 \
    CRuntimeClass* class_name::GetRuntimeClass() const {                                              \
        return &class_name::class##class_name;                                                        \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    TESSARO_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* class_name::CreateObject() {                \
        return new class_name;                           \
    }                                                    \
    TESSARO_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, &class_name::CreateObject)

// ---- Message maps ----
// One call of a message-map handler. Window messages fill message/wParam/lParam; commands fill nID, nCode
// and pExtra (CCmdUI* for update handlers, AFX_NOTIFY* for notifications).
struct AFX_MSGARGS {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT nID;
    int nCode;
    void* pExtra;
};

// A thunk unpacks the arguments and calls the handler with its exact, compile-time checked signature.
using AFX_PTHUNK = LRESULT (*)(CCmdTarget* pTarget, const AFX_MSGARGS& args);

enum AfxSig : UINT {
    AfxSig_end = 0,
    AfxSig_msg,     // window message; the thunk's result is the message result
    AfxSig_cmd,     // command or control notification; handled
    AfxSig_cmd_b,   // command with a BOOL result: FALSE lets the caller go on as if unhandled
    AfxSig_cmdui,   // update handler
    AfxSig_notify,  // WM_NOTIFY handler; handled
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;                    // WM_COMMAND, WM_NOTIFY, or the window message
    UINT nCode;                       // notification code (WORD for WM_NOTIFY), CN_UPDATE_COMMAND_UI as UINT
    UINT nID;                         // first control / command id (0 for window messages)
    UINT nLastID;                     // last id of a range (== nID otherwise)
    UINT nSig;                        // AfxSig
    const UINT* pnRegisteredMessage;  // ON_REGISTERED_MESSAGE: the variable holding the id
    AFX_PTHUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
    const AFX_MSGMAP_ENTRY* pEntry;
};

#define DECLARE_MESSAGE_MAP()                     \
  protected:                                      \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
  public:
    CCmdTarget() = default;

    // Routes a command (nCode CN_COMMAND or a control notification code in the low word, WM_NOTIFY in the
    // high word for notifications) or an update request (CN_UPDATE_COMMAND_UI, pExtra = CCmdUI*) to the
    // first matching entry of this object's message-map chain. TRUE when a handler took it. With
    // pHandlerInfo the handler is only looked up, not called.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    friend class CWnd;
};

// The state of one command as an update handler sees it. The framework's base implementation acts on a
// menu item (m_pMenu, m_nIndex) or on a window (m_pOther); subclasses record what the handler asked for.
class CCmdUI {
  public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;
    CMenu* m_pSubMenu = nullptr;
    CWnd* m_pOther = nullptr;
    UINT m_nIndexMax = 0;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCTSTR lpszText);
};
