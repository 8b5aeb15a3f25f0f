// CString: the framework's text class. A value type over std::string; every operation is bounded by the
// string's own length, and Format grows to whatever the output needs (no fixed buffer, no truncation).
// Passing a CString itself through "..." does not compile: pass (LPCTSTR)s or s.GetString().
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "platform/wintypes.h"

class CString {
  public:
    CString() = default;
    CString(LPCTSTR psz) : m_str(psz ? psz : "") {}  // NOLINT: implicit like the framework's
    CString(std::nullptr_t) {}
    CString(LPCTSTR pch, int nLength)
        : m_str(pch ? std::string(pch, nLength > 0 ? nLength : 0) : std::string()) {}
    explicit CString(TCHAR ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}
    CString(const std::string& s) : m_str(s) {}  // NOLINT
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCTSTR psz) {
        m_str = psz ? psz : "";
        return *this;
    }
    CString& operator=(TCHAR ch) {
        m_str.assign(1, ch);
        return *this;
    }

    operator LPCTSTR() const { return m_str.c_str(); }  // NOLINT
    LPCTSTR GetString() const { return m_str.c_str(); }
    const std::string& Str() const { return m_str; }

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    CString& operator+=(const CString& s) {
        m_str += s.m_str;
        return *this;
    }
    CString& operator+=(LPCTSTR psz) {
        if (psz) m_str += psz;
        return *this;
    }
    CString& operator+=(TCHAR ch) {
        m_str += ch;
        return *this;
    }

    int Compare(LPCTSTR psz) const;

    int Replace(LPCTSTR pszOld, LPCTSTR pszNew);

    void Format(LPCTSTR pszFormat, ...) __attribute__((format(printf, 2, 3)));

    // Direct buffer access: the buffer holds at least nMinBufLength characters plus the terminator and is
    // valid until the next change of the string. ReleaseBuffer(-1) takes the length from the terminator
    // (bounded by the buffer), ReleaseBuffer(n) keeps n characters.
    LPTSTR GetBuffer(int nMinBufLength = 0);
    void ReleaseBuffer(int nNewLength = -1);

    // Loads string resource nID (resources.h); FALSE and an empty string when there is none.
    BOOL LoadString(UINT nID);

  private:
    std::string m_str;
    friend class CStringTesting;
    void FormatV(LPCTSTR pszFormat, va_list args);
    void AppendFormatV(LPCTSTR pszFormat, va_list args);
    // Out-of-range indices give '\0'.
    TCHAR GetAt(int i) const { return (i >= 0 && i < GetLength()) ? m_str[static_cast<size_t>(i)] : '\0'; }
};

inline bool operator==(const CString& a, const CString& b) {
    return a.Str() == b.Str();
}
inline bool operator==(const CString& a, LPCTSTR b) {
    return a.Compare(b) == 0;
}
inline bool operator==(LPCTSTR a, const CString& b) {
    return b.Compare(a) == 0;
}
inline bool operator!=(const CString& a, const CString& b) {
    return !(a == b);
}
inline bool operator!=(const CString& a, LPCTSTR b) {
    return !(a == b);
}
inline bool operator!=(LPCTSTR a, const CString& b) {
    return !(b == a);
}
