// Hit-test codes, WM_SIZING edges and WM_SIZE kinds.
#pragma once

#include "platform/win/message_base.h"

// ---- Hit-test codes (WM_NCHITTEST results, WM_SETCURSOR low word, WM_NC* wParam) ----
constexpr int HTERROR = -2;
constexpr int HTTRANSPARENT = -1;
constexpr UINT HTNOWHERE = 0;
constexpr UINT HTCLIENT = 1;
constexpr UINT HTCAPTION = 2;
constexpr UINT HTSYSMENU = 3;
constexpr UINT HTGROWBOX = 4;
constexpr UINT HTSIZE = 4;
constexpr UINT HTMENU = 5;
constexpr UINT HTHSCROLL = 6;
constexpr UINT HTVSCROLL = 7;
constexpr UINT HTMINBUTTON = 8;
constexpr UINT HTMAXBUTTON = 9;
constexpr UINT HTLEFT = 10;
constexpr UINT HTRIGHT = 11;
constexpr UINT HTTOP = 12;
constexpr UINT HTTOPLEFT = 13;
constexpr UINT HTTOPRIGHT = 14;
constexpr UINT HTBOTTOM = 15;
constexpr UINT HTBOTTOMLEFT = 16;
constexpr UINT HTBOTTOMRIGHT = 17;
constexpr UINT HTBORDER = 18;
constexpr UINT HTCLOSE = 20;

// WM_SIZING edges.
constexpr UINT WMSZ_LEFT = 1;
constexpr UINT WMSZ_RIGHT = 2;
constexpr UINT WMSZ_TOP = 3;
constexpr UINT WMSZ_TOPLEFT = 4;
constexpr UINT WMSZ_TOPRIGHT = 5;
constexpr UINT WMSZ_BOTTOM = 6;
constexpr UINT WMSZ_BOTTOMLEFT = 7;
constexpr UINT WMSZ_BOTTOMRIGHT = 8;

// WM_SIZE kinds.
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MINIMIZED = 1;
constexpr UINT SIZE_MAXIMIZED = 2;
