// Test inspection of the screen's user agent (dialog_user_agent.h): the open message box or file dialog
// and the rules by which they lay out buttons and match file names.
// CMessageBoxDialogTesting and CFileChooserDialogTesting reach the members of their classes that only tests
// call.
#pragma once

#include "platform/win/dialog_user_agent.h"

constexpr int kMessageBoxMaxTextWidth = 400;  // pixels
constexpr UINT kFileDialogFolderId = 1088;    // the folder's path
constexpr UINT kFileDialogListId = 1120;      // the folder's entries
constexpr UINT kFileDialogNameId = 1152;      // the file name edit
constexpr UINT kFileDialogTypeId = 1136;      // the list of the filter's file types

// CMessageBoxDialog's members that only tests call.
class CMessageBoxDialogTesting {
  public:
    static std::vector<int> ButtonsOf(UINT nType) { return CMessageBoxDialog::ButtonsOf(nType); }
    static CMessageBoxDialog* GetOpenBox() { return CMessageBoxDialog::GetOpenBox(); }
};

// CFileChooserDialog's members that only tests call.
class CFileChooserDialogTesting {
  public:
    static CFileChooserDialog* GetOpenDialog() { return CFileChooserDialog::GetOpenDialog(); }
    static BOOL MatchesPattern(const std::string& strName, const std::string& strPatterns) {
        return CFileChooserDialog::MatchesPattern(strName, strPatterns);
    }
    static std::vector<std::pair<std::string, std::string>> FileTypesOf(const std::string& strFilter) {
        return CFileChooserDialog::FileTypesOf(strFilter);
    }
};
