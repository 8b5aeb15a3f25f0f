// File dialogs (open and save) as framework dialogs over the real file system.
#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

#include "platform/win/controls.h"
#include "platform/win/dialog_user_agent.h"
#include "platform/win/dialog_user_agent_testing.h"
#include "platform/win/list_box.h"
#include "platform/win/message_map.h"

namespace fs = std::filesystem;

namespace {

thread_local std::vector<CFileChooserDialog*> t_openDialogs;

std::string Slashed(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool WildMatch(const char* p, const char* s) {
    for (; *p; ++p, ++s) {
        if (*p == '*') {
            while (p[1] == '*') ++p;
            for (const char* t = s;; ++t) {
                if (WildMatch(p + 1, t)) return true;
                if (*t == '\0') return false;
            }
        }
        if (*s == '\0' || (*p != '?' && *p != *s)) return false;
    }
    return *s == '\0';
}

bool IsFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

fs::path Absolute(const fs::path& p) {
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    return (ec ? p : abs).lexically_normal();
}

// A normal folder path without a trailing separator (the root stays "/").
fs::path FolderPath(const fs::path& p) {
    fs::path abs = Absolute(p);
    std::string s = abs.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return fs::path(s);
}

}  // namespace

CFileChooserDialog* CFileChooserDialog::GetOpenDialog() {
    return t_openDialogs.empty() ? nullptr : t_openDialogs.front();
}

BOOL CFileChooserDialog::MatchesPattern(const std::string& strName, const std::string& strPatterns) {
    const std::string name = Lower(strName);
    size_t start = 0;
    while (start <= strPatterns.size()) {
        size_t end = strPatterns.find(';', start);
        if (end == std::string::npos) end = strPatterns.size();
        std::string pattern = strPatterns.substr(start, end - start);
        pattern.erase(0, pattern.find_first_not_of(' '));
        while (!pattern.empty() && pattern.back() == ' ') pattern.pop_back();
        // "*.*" matches every name, with or without a dot, as on Windows.
        if (pattern == "*.*" || (!pattern.empty() && WildMatch(Lower(pattern).c_str(), name.c_str())))
            return TRUE;
        start = end + 1;
    }
    return FALSE;
}

std::vector<std::pair<std::string, std::string>> CFileChooserDialog::FileTypesOf(
    const std::string& strFilter) {
    std::vector<std::pair<std::string, std::string>> types;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < strFilter.size()) {
        const size_t bar = strFilter.find('|', start);
        parts.push_back(strFilter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;  // the "||" that ends the filter
        if (!parts[i + 1].empty()) types.emplace_back(parts[i], parts[i + 1]);
    }
    return types;
}

CFileChooserDialog::CFileChooserDialog(const CUserEvent& dlg)
    : CRuntimeTemplateDialog(dlg.hOwner), m_event(dlg) {
    const bool bSave = dlg.nKind == CUserEvent::FileSave;
    m_template.strCaption = dlg.strCaption.IsEmpty() ? (bSave ? "Save As" : "Open") : dlg.strCaption.Str();
    m_template.strFontName = "MS Shell Dlg";
    m_template.wPointSize = 8;
    m_template.dwStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    m_template.cx = 240;
    m_template.cy = 214;
    auto item = [&](UINT nID, const char* pszClass, std::string strText, DWORD dwStyle, short x, short y,
                    short cx, short cy) {
        CDialogItemTemplate it;
        it.nID = nID;
        it.strClass = pszClass;
        it.strText = std::move(strText);
        it.dwStyle = WS_VISIBLE | dwStyle;
        it.x = x;
        it.y = y;
        it.cx = cx;
        it.cy = cy;
        m_template.items.push_back(it);
    };
    item(kFileDialogFolderId, "Static", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 7, 7, 226, 9);
    item(kFileDialogListId, "ListBox", "", LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 20, 226, 128);
    item(0xFFFF, "Static", "File &name:", SS_LEFT, 7, 157, 44, 9);
    item(kFileDialogNameId, "Edit", "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 52, 155, 181, 13);
    item(0xFFFF, "Static", bSave ? "Save as &type:" : "Files of &type:", SS_LEFT, 7, 175, 44, 9);
    item(kFileDialogTypeId, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 52, 173, 181, 60);
    item(IDOK, "Button", bSave ? "&Save" : "&Open", BS_DEFPUSHBUTTON | WS_TABSTOP, 129, 193, 50, 14);
    item(IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 183, 193, 50, 14);

    // The filter's first file type is shown first.
    m_types = FileTypesOf(dlg.strFilter.Str());
    if (!m_types.empty()) m_strPatterns = m_types.front().second;
    // The start folder: the initial folder, else the initial name's folder, else the working folder.
    const std::string strName = Slashed(dlg.strFileName.Str());
    const size_t slash = strName.find_last_of('/');
    fs::path folder;
    if (!dlg.strInitialDir.IsEmpty()) {
        folder = Slashed(dlg.strInitialDir.Str());
    } else if (slash != std::string::npos) {
        folder = slash == 0 ? std::string("/") : strName.substr(0, slash);
    }
    std::error_code ec;
    if (folder.empty() || !IsFolder(folder)) folder = fs::current_path(ec);
    m_folder = FolderPath(folder);
}

BOOL CFileChooserDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    t_openDialogs.push_back(this);
    const std::string strName = Slashed(m_event.strFileName.Str());
    const size_t slash = strName.find_last_of('/');
    SetDlgItemText(kFileDialogNameId,
                   (slash == std::string::npos ? strName : strName.substr(slash + 1)).c_str());
    if (auto* pTypes = static_cast<CComboBox*>(GetDlgItem(kFileDialogTypeId))) {
        for (const auto& type : m_types) pTypes->AddString(type.first.c_str());
        if (!m_types.empty()) pTypes->SetCurSel(0);
    }
    Fill();
    if (CWnd* pName = GetDlgItem(kFileDialogNameId)) GotoDlgCtrl(pName);
    return FALSE;
}

void CFileChooserDialog::PostNcDestroy() {
    t_openDialogs.erase(std::remove(t_openDialogs.begin(), t_openDialogs.end(), this), t_openDialogs.end());
    CRuntimeTemplateDialog::PostNcDestroy();
}

void CFileChooserDialog::Fill() {
    std::vector<CEntry> folders, files;
    std::error_code ec;
    for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code ecType;
        if (it->is_directory(ecType)) {
            folders.push_back({name, TRUE});
        } else if (m_strPatterns.empty() || MatchesPattern(name, m_strPatterns)) {
            files.push_back({name, FALSE});
        }
    }
    auto byName = [](const CEntry& a, const CEntry& b) {
        const std::string la = Lower(a.strName), lb = Lower(b.strName);
        return la != lb ? la < lb : a.strName < b.strName;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    m_entries.clear();
    if (m_folder.has_relative_path()) m_entries.push_back({"..", TRUE});
    m_entries.insert(m_entries.end(), folders.begin(), folders.end());
    m_entries.insert(m_entries.end(), files.begin(), files.end());

    SetDlgItemText(kFileDialogFolderId, m_folder.string().c_str());
    auto* pList = static_cast<CListBox*>(GetDlgItem(kFileDialogListId));
    if (pList == nullptr) return;
    pList->ResetContent();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const CEntry& e = m_entries[i];
        const std::string text = e.bFolder ? "[" + e.strName + "]" : e.strName;
        const int n = pList->InsertString(-1, text.c_str());
        if (n >= 0) pList->SetItemData(n, static_cast<DWORD_PTR>(i));
    }
}

void CFileChooserDialog::Enter(const fs::path& folder) {
    m_folder = FolderPath(folder);
    Fill();
}

BOOL CFileChooserDialog::OnCommand(WPARAM wParam, LPARAM) {
    const UINT nID = LOWORD(wParam);
    const UINT nCode = HIWORD(wParam);
    if (nID == kFileDialogListId) {
        if (nCode == LBN_DBLCLK) OnListDoubleClick();
        if (nCode == LBN_SELCHANGE) OnListSelection();
    } else if (nID == kFileDialogTypeId && nCode == CBN_SELCHANGE) {
        OnTypeSelection();
    } else if (nID == IDOK && nCode == BN_CLICKED) {
        OnOk();
    } else if (nID == IDCANCEL && nCode == BN_CLICKED) {
        EndDialog(IDCANCEL);
    }
    return TRUE;
}

void CFileChooserDialog::OnListSelection() {
    auto* pList = static_cast<CListBox*>(GetDlgItem(kFileDialogListId));
    const int nSel = pList ? pList->GetCurSel() : LB_ERR;
    if (nSel < 0) return;
    const size_t i = static_cast<size_t>(pList->GetItemData(nSel));
    if (i < m_entries.size() && !m_entries[i].bFolder)
        SetDlgItemText(kFileDialogNameId, m_entries[i].strName.c_str());
}

void CFileChooserDialog::OnTypeSelection() {
    auto* pTypes = static_cast<CComboBox*>(GetDlgItem(kFileDialogTypeId));
    const int nSel = pTypes ? pTypes->GetCurSel() : CB_ERR;
    if (nSel < 0 || static_cast<size_t>(nSel) >= m_types.size()) return;
    m_strPatterns = m_types[static_cast<size_t>(nSel)].second;
    Fill();
}

void CFileChooserDialog::OnListDoubleClick() {
    auto* pList = static_cast<CListBox*>(GetDlgItem(kFileDialogListId));
    const int nSel = pList ? pList->GetCurSel() : LB_ERR;
    if (nSel < 0) return;
    const size_t i = static_cast<size_t>(pList->GetItemData(nSel));
    if (i >= m_entries.size()) return;
    const CEntry entry = m_entries[i];  // Enter refills the entries
    if (entry.bFolder) {
        Enter(m_folder / entry.strName);
    } else {
        Choose(entry.strName);
    }
}

void CFileChooserDialog::OnOk() {
    // Enter in the list on a folder enters it.
    auto* pList = static_cast<CListBox*>(GetDlgItem(kFileDialogListId));
    if (pList != nullptr && ::GetFocus() == pList->m_hWnd) {
        const int nSel = pList->GetCurSel();
        const size_t i = nSel >= 0 ? static_cast<size_t>(pList->GetItemData(nSel)) : m_entries.size();
        if (i < m_entries.size() && m_entries[i].bFolder) {
            Enter(m_folder / m_entries[i].strName);
            return;
        }
    }
    CString strName;
    GetDlgItemText(kFileDialogNameId, strName);
    Choose(strName.Str());
}

BOOL CFileChooserDialog::Choose(std::string strName) {
    strName = Slashed(std::move(strName));
    while (!strName.empty() && strName.back() == ' ') strName.pop_back();
    strName.erase(0, strName.find_first_not_of(' '));
    if (strName.empty()) return FALSE;
    const fs::path typed(strName);
    const fs::path target = typed.is_absolute() ? typed : m_folder / typed;
    if (IsFolder(target)) {
        Enter(target);
        SetDlgItemText(kFileDialogNameId, "");
        return FALSE;
    }
    std::string path = Absolute(target).string();
    const std::string ext = m_event.strDefExt.Str();
    const size_t nName = path.find_last_of('/') + 1;
    if (!ext.empty() && path.find('.', nName) == std::string::npos) path += "." + ext;
    const std::string name = path.substr(nName);
    const bool bSave = m_event.nKind == CUserEvent::FileSave;
    if (!bSave && (m_event.nFlags & OFN_FILEMUSTEXIST) && !Exists(path)) {
        const std::string text = name + "\nFile not found.\nCheck the file name and try again.";
        ::MessageBoxA(m_hWnd, text.c_str(), m_template.strCaption.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (bSave && (m_event.nFlags & OFN_OVERWRITEPROMPT) && Exists(path)) {
        const std::string text = name + " already exists.\nDo you want to replace it?";
        if (::MessageBoxA(m_hWnd, text.c_str(), m_template.strCaption.c_str(),
                          MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
            return FALSE;
    }
    m_strChosen = path;
    EndDialog(IDOK);
    return TRUE;
}
