#include "platform/win/ddx.h"

#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win/controls.h"
#include "platform/win/ddx_testing.h"
#include "platform/win/user_agent.h"
#include "platform/win/window_testing.h"

namespace {

constexpr char kEnterNumber[] = "Enter a number.";
constexpr char kEnterRange[] = "Enter a number between %1 and %2.";
constexpr char kEnterMaxChars[] = "Enter no more than %1 characters.";

std::string Trimmed(const CString& s) {
    std::string t = s.Str();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!t.empty() && blank(t.back())) t.pop_back();
    size_t i = 0;
    while (i < t.size() && blank(t[i])) ++i;
    return t.substr(i);
}

// A whole decimal integer within [lo, hi]; no overflow on any input.
bool ParseInteger(const CString& text, long long lo, long long hi, long long* pOut) {
    const std::string t = Trimmed(text);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    if (i == t.size()) return false;
    unsigned long long v = 0;
    for (; i < t.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
        v = v * 10 + static_cast<unsigned>(t[i] - '0');
        if (v > static_cast<unsigned long long>(LLONG_MAX)) return false;
    }
    const long long s = neg ? -static_cast<long long>(v) : static_cast<long long>(v);
    if (s < lo || s > hi) return false;
    *pOut = s;
    return true;
}

// A whole decimal real number (sign, digits, point, exponent), finite and at most maxAbs in size.
bool ParseReal(const CString& text, double maxAbs, double* pOut) {
    const std::string t = Trimmed(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++exp;
        if (exp == 0) return false;
    }
    if (i != t.size()) return false;
    const double d = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(d) || std::fabs(d) > maxAbs) return false;
    *pOut = d;
    return true;
}

CString ReadText(HWND h) {
    CString s;
    CWnd::FromHandle(h)->GetWindowText(s);
    return s;
}

// Writes only a changed text, so an unchanged field raises no change notification.
void WriteText(HWND h, const CString& s) {
    if (ReadText(h) != s) SetWindowTextA(h, s);
}

[[noreturn]] void FailWith(CDataExchange* pDX, const CString& msg) {
    AfxMessageBox(msg, MB_ICONEXCLAMATION);
    pDX->Fail();
}

[[noreturn]] void FailRange(CDataExchange* pDX, const CString& lo, const CString& hi) {
    CString msg(kEnterRange);
    msg.Replace("%1", lo);
    msg.Replace("%2", hi);
    FailWith(pDX, msg);
}

template <class T>
void Keep(CDataExchange* pDX, T& value) {
    pDX->m_pfnRestoreLast = [&value, old = value] { value = old; };
}

template <class T>
void IntegerText(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi, const char* fmt) {
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseInteger(ReadText(h), lo, hi, &v)) FailWith(pDX, kEnterNumber);
        Keep(pDX, value);
        value = static_cast<T>(v);
    } else {
        CString s;
        s.Format(fmt, value);
        WriteText(h, s);
    }
}

CString FormatInt(long long v) {
    CString s;
    s.Format("%lld", v);
    return s;
}

}  // namespace

// Thrown by CDataExchange::Fail and caught by UpdateData.
class CUserException {};
[[noreturn]] static void AfxThrowUserException() {
    throw CUserException();
}

// The exchange's text forms.
static CString AfxFormatFloat(float value) {
    CString s;
    s.Format("%.*g", FLT_DIG, static_cast<double>(value));
    return s;
}

static CString AfxFormatDouble(double value) {
    CString s;
    s.Format("%.*g", DBL_DIG, value);
    return s;
}

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND h = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC) : nullptr;
    if (h == nullptr) AfxThrowUserException();
    m_hWndLastControl = h;
    m_bEditLastControl = FALSE;
    m_pfnRestoreLast = nullptr;
    return h;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND h = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return h;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_pfnRestoreLast) m_pfnRestoreLast();
    if (m_bSaveAndValidate && m_hWndLastControl && IsWindow(m_hWndLastControl)) {
        SetFocus(m_hWndLastControl);
        if (m_bEditLastControl) SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    IntegerText(pDX, nIDC, value, INT_MIN, INT_MAX, "%d");
}
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    IntegerText(pDX, nIDC, value, 0, UINT_MAX, "%u");
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value) {
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        double d = 0;
        if (!ParseReal(ReadText(h), FLT_MAX, &d)) FailWith(pDX, kEnterNumber);
        Keep(pDX, value);
        value = static_cast<float>(d);
    } else {
        WriteText(h, AfxFormatFloat(value));
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        double d = 0;
        if (!ParseReal(ReadText(h), DBL_MAX, &d)) FailWith(pDX, kEnterNumber);
        Keep(pDX, value);
        value = d;
    } else {
        WriteText(h, AfxFormatDouble(value));
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        Keep(pDX, value);
        value = ReadText(h);
    } else {
        WriteText(h, value);
    }
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND h = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(SendMessageA(h, BM_GETCHECK, 0, 0));
    } else {
        const int v = (value < 0 || value > 2) ? 0 : value;
        SendMessageA(h, BM_SETCHECK, static_cast<WPARAM>(v), 0);
    }
}

void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND hFirst = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    for (HWND h = hFirst; h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
        if (h != hFirst && (style & WS_GROUP)) break;
        const DWORD type = style & BS_TYPEMASK;
        if (type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON) continue;
        if (pDX->m_bSaveAndValidate) {
            if (SendMessageA(h, BM_GETCHECK, 0, 0) != 0) value = index;
        } else {
            SendMessageA(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++index;
    }
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.GetSafeHwnd() != nullptr) return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(h)) AfxThrowUserException();
}

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal))
        FailRange(pDX, FormatInt(minVal), FormatInt(maxVal));
}
void AFXAPI DDV_MinMaxFloat(CDataExchange* pDX, float const& value, float minVal, float maxVal) {
    if (pDX->m_bSaveAndValidate && !(value >= minVal && value <= maxVal))
        FailRange(pDX, AfxFormatFloat(minVal), AfxFormatFloat(maxVal));
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars) {
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_hWndLastControl && pDX->m_bEditLastControl)
            SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
        return;
    }
    if (value.GetLength() > nChars) {
        CString msg(kEnterMaxChars);
        msg.Replace("%1", FormatInt(nChars));
        FailWith(pDX, msg);
    }
}
