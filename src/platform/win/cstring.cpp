#include "platform/win/cstring.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win/cstring_testing.h"
#include "platform/win/resources.h"
#include "platform/win/resources_testing.h"

namespace {

size_t Clamp(int n, size_t limit) {
    return n <= 0 ? 0 : std::min(static_cast<size_t>(n), limit);
}

}  // namespace

int CString::Compare(LPCTSTR psz) const {
    return m_str.compare(psz ? psz : "");
}

int CString::Replace(LPCTSTR pszOld, LPCTSTR pszNew) {
    if (!pszOld || !*pszOld) return 0;
    std::string from(pszOld);
    std::string to(pszNew ? pszNew : "");
    int n = 0;
    for (size_t pos = m_str.find(from); pos != std::string::npos; pos = m_str.find(from, pos + to.size())) {
        m_str.replace(pos, from.size(), to);
        ++n;
    }
    return n;
}

void CString::Format(LPCTSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCTSTR pszFormat, va_list args) {
    m_str.clear();
    AppendFormatV(pszFormat, args);
}

void CString::AppendFormatV(LPCTSTR pszFormat, va_list args) {
    if (!pszFormat) return;
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (n <= 0) return;
    size_t old = m_str.size();
    m_str.resize(old + static_cast<size_t>(n) + 1);
    std::vsnprintf(&m_str[old], static_cast<size_t>(n) + 1, pszFormat, args);
    m_str.resize(old + static_cast<size_t>(n));
}

LPTSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) m_str.resize(static_cast<size_t>(nMinBufLength));
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        m_str.resize(::strnlen(m_str.c_str(), m_str.size()));
    } else {
        m_str.resize(Clamp(nNewLength, m_str.size()));
    }
}

BOOL CString::LoadString(UINT nID) {
    LPCTSTR text = AfxFindString(nID);
    m_str = text ? text : "";
    return text != nullptr;
}

CString operator+(const CString& a, LPCTSTR b) {
    CString r(a);
    r += b;
    return r;
}
