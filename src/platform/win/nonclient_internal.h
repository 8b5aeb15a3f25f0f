// Internal to the window framework (nonclient.h): hit-testing, the sizing of a frame and the default
// processing of the non-client messages.
#pragma once

#include "platform/win/nonclient.h"

// The hit-test code of a screen point for the window's own area (what DefWindowProc answers to
// WM_NCHITTEST): HTNOWHERE outside, HTCLIENT in the client area, HTCAPTION, HTCLOSE, HTSYSMENU, HTMENU,
// the edges and corners HTLEFT..HTBOTTOMRIGHT of a sizable window, HTBORDER on a fixed frame.
LRESULT AfxNonClientHitTest(HWND hWnd, POINT ptScreen);
// The frame's sizing, as the system's sizing loop does it. AfxQueryMinMaxInfo asks the window for its
// tracking sizes (WM_GETMINMAXINFO, the system's defaults filled in). AfxSizeWindowByEdge takes one step:
// nEdge (WMSZ_*) is the edge or corner that moves and rcProposed the rectangle the mouse asks for; the
// moving edges are bounded by the tracking sizes, WM_SIZING lets the window change the rectangle, and the
// window is moved there (SetWindowPos: WM_WINDOWPOSCHANGED, and from its default processing WM_SIZE).
// Returns the window rectangle it ended with. A press of the left button on a sizable frame's edge or
// corner (WM_NCLBUTTONDOWN with HTLEFT..HTBOTTOMRIGHT reaching the default processing) starts a drag that
// takes these steps as the mouse moves: WM_ENTERSIZEMOVE, the capture, ..., WM_EXITSIZEMOVE when the
// button is let go or the capture is lost.
MINMAXINFO AfxQueryMinMaxInfo(HWND hWnd);
RECT AfxSizeWindowByEdge(HWND hWnd, UINT nEdge, const RECT& rcProposed, const MINMAXINFO& mmi);
// Installs the default processing of the non-client messages (WM_NCHITTEST, WM_NCPAINT, WM_NCACTIVATE,
// WM_NCLBUTTONDOWN/UP, the caption and frame drags' WM_MOUSEMOVE/WM_LBUTTONUP, WM_SYSKEYDOWN for F10 and
// Alt+letter, WM_SYSCOMMAND SC_KEYMENU). Window creation calls it; calling it again does nothing.
void AfxEnsureNonClientHooks();
