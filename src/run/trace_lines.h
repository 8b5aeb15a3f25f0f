// The trace lines of a run: board-library calls, message boxes, file dialogs and kept files.
#pragma once

#include <string>
#include <string_view>

#include "platform/ul/sim_control.h"
#include "platform/win/user_agent.h"

// C escapes for a one-line, double-quoted text: \n \r \t \" \\ and \xNN for other control bytes.
std::string EscapeTraceText(std::string_view text);
// "ul " + the call's text, control characters shown as blanks.
std::string FormatBoardCallTrace(const SimCallRecord& rec);
// IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE, else the number.
std::string MessageBoxAnswerName(int nResult);
// MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL,
// MB_CANCELTRYCONTINUE, else MB_<number>.
std::string MessageBoxButtonsName(UINT nType);
// box <answer> <buttons> "<caption>" "<text>"
std::string FormatMessageBoxTrace(const CUserEvent& box);
// file <answer> open|save "<title>" "<filter>" "<path>" (the path chosen; empty when cancelled)
std::string FormatFileDialogTrace(const CUserEvent& dlg);
// run kept "<path>": the copy kept of a parameter file this run did not apply.
std::string FormatKeptFileLine(const std::string& strPath);
