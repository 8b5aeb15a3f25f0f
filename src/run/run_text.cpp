#include "run/run_text.h"

#include "platform/win/system_codes.h"
#include "platform/win/window.h"
#include "platform/win/window_styles.h"

namespace runtext {

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = ' ';
    }
    return out;
}

std::string MenuText(std::string_view text, bool bFold, bool bMarks) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\t') break;  // the accelerator
        if (c == '&' && bMarks) {
            if (i + 1 >= text.size() || text[i + 1] != '&') continue;
            ++i;
        }
        if (bFold) {
            if (c == ' ') {
                if (out.empty() || out.back() == ' ') continue;
            } else if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        out += c;
    }
    if (bFold && !out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string CaptionKey(std::string_view text) {
    std::string out;
    for (char c : MenuText(text, true)) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        out += c;
    }
    return out;
}

std::string ClassOf(HWND hWnd) {
    char szClass[32] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    return szClass;
}

std::string TextOf(HWND hWnd) {
    char szText[256] = {};
    GetWindowTextA(hWnd, szText, sizeof szText);
    return szText;
}

bool IsGroupBox(HWND hWnd) {
    return ClassOf(hWnd) == "Button" && (GetWindowLong(hWnd, GWL_STYLE) & 0x0F) == BS_GROUPBOX;
}

}  // namespace runtext
