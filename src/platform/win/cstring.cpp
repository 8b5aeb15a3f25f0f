#include "platform/win/cstring.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win/resources.h"

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

size_t Clamp(int n, size_t limit) {
    return n <= 0 ? 0 : std::min(static_cast<size_t>(n), limit);
}

}  // namespace

int CString::Compare(LPCTSTR psz) const {
    return m_str.compare(psz ? psz : "");
}

int CString::CompareNoCase(LPCTSTR psz) const {
    const char* a = m_str.c_str();
    const char* b = psz ? psz : "";
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0) return ca < cb ? -1 : (ca > cb ? 1 : 0);
    }
}

CString CString::Left(int nCount) const {
    return CString(m_str.substr(0, Clamp(nCount, m_str.size())));
}

CString CString::Right(int nCount) const {
    size_t n = Clamp(nCount, m_str.size());
    return CString(m_str.substr(m_str.size() - n));
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    size_t first = Clamp(nFirst, m_str.size());
    return CString(m_str.substr(first, Clamp(nCount, m_str.size() - first)));
}

int CString::Find(TCHAR ch, int nStart) const {
    if (nStart < 0 || nStart > GetLength()) return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(LPCTSTR pszSub, int nStart) const {
    if (!pszSub || nStart < 0 || nStart > GetLength()) return -1;
    size_t pos = m_str.find(pszSub, static_cast<size_t>(nStart));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(TCHAR ch) const {
    size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(LPCTSTR pszCharSet) const {
    if (!pszCharSet) return -1;
    size_t pos = m_str.find_first_of(pszCharSet);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString CString::SpanIncluding(LPCTSTR pszCharSet) const {
    size_t n = pszCharSet ? m_str.find_first_not_of(pszCharSet) : 0;
    return CString(m_str.substr(0, n == std::string::npos ? m_str.size() : n));
}

CString CString::SpanExcluding(LPCTSTR pszCharSet) const {
    size_t n = pszCharSet ? m_str.find_first_of(pszCharSet) : std::string::npos;
    return CString(m_str.substr(0, n == std::string::npos ? m_str.size() : n));
}

CString& CString::MakeUpper() {
    for (char& c : m_str) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}


CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft() {
    m_str.erase(m_str.begin(), std::find_if(m_str.begin(), m_str.end(), [](char c) { return !IsSpace(c); }));
    return *this;
}

CString& CString::TrimRight() {
    m_str.erase(std::find_if(m_str.rbegin(), m_str.rend(), [](char c) { return !IsSpace(c); }).base(),
                m_str.end());
    return *this;
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

int CString::Remove(TCHAR ch) {
    size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, TCHAR ch) {
    m_str.insert(Clamp(nIndex, m_str.size()), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCTSTR psz) {
    if (psz) m_str.insert(Clamp(nIndex, m_str.size()), psz);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    size_t first = Clamp(nIndex, m_str.size());
    m_str.erase(first, Clamp(nCount, m_str.size() - first));
    return GetLength();
}

CString CString::Tokenize(LPCTSTR pszTokens, int& iStart) const {
    if (iStart < 0 || iStart >= GetLength()) {
        iStart = -1;
        return CString();
    }
    std::string delims(pszTokens ? pszTokens : "");
    size_t begin = m_str.find_first_not_of(delims, static_cast<size_t>(iStart));
    if (begin == std::string::npos) {
        iStart = -1;
        return CString();
    }
    size_t end = m_str.find_first_of(delims, begin);
    if (end == std::string::npos) end = m_str.size();
    iStart = static_cast<int>(std::min(end + 1, m_str.size() + 1));
    return CString(m_str.substr(begin, end - begin));
}

void CString::Format(LPCTSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(LPCTSTR pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
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

LPTSTR CString::GetBufferSetLength(int nNewLength) {
    m_str.resize(nNewLength > 0 ? static_cast<size_t>(nNewLength) : 0);
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
