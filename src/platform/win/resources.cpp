#include "platform/win/resources.h"
#include "platform/win/resources_testing.h"
#include "platform/win/system_codes_internal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Entries are held by unique_ptr so that a pointer handed out stays put while other ids are added.
struct ResourceState {
    std::mutex mtx;
    std::map<UINT, std::unique_ptr<CDialogTemplate>> dialogs;
    std::map<UINT, std::unique_ptr<CMenuTemplate>> menus;
    std::map<UINT, std::unique_ptr<std::string>> strings;
    std::map<std::string, std::unique_ptr<std::string>> versions;
    std::map<UINT, std::unique_ptr<CBitmapResource>> bitmaps;
    std::map<UINT, std::unique_ptr<CIconResource>> icons;
    std::map<UINT, HICON> iconHandles;  // kept across re-registration: same id, same handle
    std::uintptr_t nNextIcon = 0x00300000;
};

ResourceState& R() {
    static ResourceState* r = new ResourceState;  // never destroyed: lookups may happen during exit
    return *r;
}

template <class T>
const T* Lookup(const std::map<UINT, std::unique_ptr<T>>& m, UINT nID) {
    auto it = m.find(nID);
    return it == m.end() ? nullptr : it->second.get();
}

}  // namespace

void AfxRegisterDialogTemplate(const CDialogTemplate& tmpl) {
    std::lock_guard<std::mutex> lock(R().mtx);
    R().dialogs[tmpl.nID] = std::make_unique<CDialogTemplate>(tmpl);
}

const CDialogTemplate* AfxFindDialogTemplate(UINT nID) {
    std::lock_guard<std::mutex> lock(R().mtx);
    return Lookup(R().dialogs, nID);
}

const CDialogTemplate* AfxFindDialogTemplate(LPCTSTR lpszName) {
    if (lpszName == nullptr || !IS_INTRESOURCE(lpszName)) return nullptr;
    return AfxFindDialogTemplate(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(lpszName)));
}

void AfxRegisterMenuTemplate(const CMenuTemplate& tmpl) {
    std::lock_guard<std::mutex> lock(R().mtx);
    R().menus[tmpl.nID] = std::make_unique<CMenuTemplate>(tmpl);
}

const CMenuTemplate* AfxFindMenuTemplate(UINT nID) {
    std::lock_guard<std::mutex> lock(R().mtx);
    return Lookup(R().menus, nID);
}

void AfxRegisterString(UINT nID, LPCTSTR lpszText) {
    std::lock_guard<std::mutex> lock(R().mtx);
    if (lpszText == nullptr) {
        R().strings.erase(nID);
    } else {
        R().strings[nID] = std::make_unique<std::string>(lpszText);
    }
}

LPCTSTR AfxFindString(UINT nID) {
    std::lock_guard<std::mutex> lock(R().mtx);
    const std::string* p = Lookup(R().strings, nID);
    return p ? p->c_str() : nullptr;
}

void AfxRegisterVersionText(LPCTSTR lpszKey, LPCTSTR lpszValue) {
    if (lpszKey == nullptr) return;
    std::lock_guard<std::mutex> lock(R().mtx);
    if (lpszValue == nullptr) {
        R().versions.erase(lpszKey);
    } else {
        R().versions[lpszKey] = std::make_unique<std::string>(lpszValue);
    }
}

LPCTSTR AfxFindVersionText(LPCTSTR lpszKey) {
    if (lpszKey == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(R().mtx);
    auto it = R().versions.find(lpszKey);
    return it == R().versions.end() ? nullptr : it->second->c_str();
}

void AfxRegisterBitmap(UINT nID, const BYTE* pData, size_t nSize) {
    std::lock_guard<std::mutex> lock(R().mtx);
    R().bitmaps[nID] = std::make_unique<CBitmapResource>(CBitmapResource{nID, pData, nSize});
}

const CBitmapResource* AfxFindBitmapResource(UINT nID) {
    std::lock_guard<std::mutex> lock(R().mtx);
    return Lookup(R().bitmaps, nID);
}

HICON AfxRegisterIcon(UINT nID, const BYTE* pData, size_t nSize) {
    ResourceState& r = R();
    std::lock_guard<std::mutex> lock(r.mtx);
    HICON& h = r.iconHandles[nID];
    if (h == nullptr) {
        r.nNextIcon += 4;
        h = reinterpret_cast<HICON>(r.nNextIcon);
    }
    r.icons[nID] = std::make_unique<CIconResource>(CIconResource{nID, h, pData, nSize});
    return h;
}

const CIconResource* AfxFindIconResource(UINT nID) {
    std::lock_guard<std::mutex> lock(R().mtx);
    return Lookup(R().icons, nID);
}

const CIconResource* AfxFindIconResource(HICON hIcon) {
    if (hIcon == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(R().mtx);
    for (const auto& [id, p] : R().icons) {
        if (p->hIcon == hIcon) return p.get();
    }
    return nullptr;
}
