#include "run/trace_lines.h"

#include <cstdio>
#include <iterator>

#include "platform/win/message_box_codes.h"
#include "run/run_text.h"

using runtext::Printable;

std::string EscapeTraceText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (u < 0x20 || u == 0x7F) {
                    char sz[8];
                    std::snprintf(sz, sizeof sz, "\\x%02X", u);
                    out += sz;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string FormatBoardCallTrace(const SimCallRecord& rec) {
    return "ul " + Printable(rec.strText);
}

std::string MessageBoxAnswerName(int nResult) {
    static const char* const kNames[] = {nullptr, "IDOK", "IDCANCEL", "IDABORT", "IDRETRY",    "IDIGNORE",
                                         "IDYES", "IDNO", nullptr,    nullptr,   "IDTRYAGAIN", "IDCONTINUE"};
    if (nResult >= 0 && nResult < static_cast<int>(std::size(kNames)) && kNames[nResult] != nullptr) {
        return kNames[nResult];
    }
    return std::to_string(nResult);
}

std::string MessageBoxButtonsName(UINT nType) {
    static const char* const kNames[] = {
        "MB_OK",    "MB_OKCANCEL",    "MB_ABORTRETRYIGNORE", "MB_YESNOCANCEL",
        "MB_YESNO", "MB_RETRYCANCEL", "MB_CANCELTRYCONTINUE"};
    const UINT nButtons = nType & MB_TYPEMASK;
    if (nButtons < std::size(kNames)) return kNames[nButtons];
    return "MB_" + std::to_string(nButtons);
}

std::string FormatMessageBoxTrace(const CUserEvent& box) {
    return "box " + MessageBoxAnswerName(box.nResult) + " " + MessageBoxButtonsName(box.nType) + " \"" +
           EscapeTraceText(box.strCaption.Str()) + "\" \"" + EscapeTraceText(box.strText.Str()) + "\"";
}

std::string FormatKeptFileLine(const std::string& strPath) {
    return "run kept \"" + EscapeTraceText(strPath) + "\"";
}

std::string FormatFileDialogTrace(const CUserEvent& dlg) {
    return "file " + MessageBoxAnswerName(dlg.nResult) +
           (dlg.nKind == CUserEvent::FileSave ? " save" : " open") + " \"" +
           EscapeTraceText(dlg.strCaption.Str()) + "\" \"" + EscapeTraceText(dlg.strFilter.Str()) + "\" \"" +
           EscapeTraceText(dlg.strPath.Str()) + "\"";
}
