// The non-client area: the frame, the caption with its text and close box, and the menu bar of a top-level
// window; its hit-testing; the mouse on it (close box, caption drag, frame sizing, menu bar); and the
// window that mouse input at a screen point goes to.
//
// Geometry, in window coordinates (origin at the window's top-left corner), with the sizes of window.h:
//   frame band n px on every side (4 with a frame, 1 with a plain border, 0 without);
//   caption (WS_CAPTION) from (n, n) to (width - n, n + 23), 17 high for a tool window;
//   close box (WS_SYSMENU with a caption): a square of caption height - 4 at the caption's right end, 2 px
//   in; system-menu box: the same square at the caption's left end; menu bar (a top-level window with a menu)
//   20 high below the caption, items laid out from its left, each 6 px of padding + the text's fixed-metric
//   width without the '&' + 6 px.
//
// Drawing record. AfxGetNonClientDrawOps returns what the frame shows now, as CDrawOp in window coordinates
// (bWindowCoords TRUE): the frame's fill and edge, the caption bar (active or inactive colours) with the
// window text, the close box, and the menu bar: item texts without their '&' (DT_NOPREFIX) with a Line
// under the mnemonic character, grayed items in COLOR_GRAYTEXT, the tracked item highlighted. The record is
// built from the window's current text, size, activation and menu whenever it is asked for (WM_NCPAINT
// has nothing to keep), so it can never show a stale caption; AfxGetNonClientSerial (nonclient_testing.h)
// is a digest of it that changes whenever what it shows changes.
//
// Activation: a window that was sent WM_NCACTIVATE shows what it was told last; other windows are active
// when the focus is in them (or they have it).
//
// Threads: AfxGetNonClientDrawOps, AfxGetNonClientSerial and AfxNonClientHitTest are safe from any thread.
// AfxWindowFromPointForInput and AfxDeliverMouseInput (nonclient_testing.h) send messages (WM_NCHITTEST)
// and belong on the thread that owns the windows.
#pragma once

#include <string>
#include <vector>

#include "platform/win/gdi.h"
#include "platform/win/window.h"

// The parts of a window's non-client area, in window coordinates; empty rectangles for parts it lacks.
struct CNonClientLayout {
    RECT rcWindow{};   // (0, 0, width, height)
    RECT rcCaption{};  // the caption bar
    RECT rcClose{};    // the close box
    RECT rcSysMenu{};  // the system-menu box
    RECT rcMenuBar{};  // the menu bar band
    RECT rcClient{};   // the client area
    int nFrame = 0;    // width of the frame band
    BOOL bSizable = FALSE;
    std::vector<RECT> menuItems;  // one per item of the menu bar, in order
};

// FALSE for a window that is gone.
BOOL AfxGetNonClientLayout(HWND hWnd, CNonClientLayout* pLayout);

// The hit-test code of a screen point for the window's own area (what DefWindowProc answers to
// WM_NCHITTEST): HTNOWHERE outside, HTCLIENT in the client area, HTCAPTION, HTCLOSE, HTSYSMENU, HTMENU,
// the edges and corners HTLEFT..HTBOTTOMRIGHT of a sizable window, HTBORDER on a fixed frame.
LRESULT AfxNonClientHitTest(HWND hWnd, POINT ptScreen);

// Index of the menu bar item under a screen point, -1 when none.
int AfxMenuBarItemFromPoint(HWND hWnd, POINT ptScreen);

// The record described above; empty for a window without a non-client area, or that is gone.
std::vector<CDrawOp> AfxGetNonClientDrawOps(HWND hWnd);

// A menu item's text without its '&' marks ("&&" stays one '&'): *pnMnemonic (may be NULL) gets the index
// of the mnemonic character in the result (-1: none); the part after a tab goes to *pAccel (may be NULL).
std::string AfxStripMnemonic(const std::string& text, int* pnMnemonic, std::string* pAccel);

// The menu bar item shown highlighted (menu tracking sets it; -1 none).
void AfxSetMenuBarHotItem(HWND hWnd, int nItem);
int AfxGetMenuBarHotItem(HWND hWnd);

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

// A top-level window moved or sized from outside the program (a window manager), to rcWanted (screen
// pixels). A move alone is made as a caption drag makes it. A change of size is made as a drag of the
// frame's part that moved (the edge, or the corner when two edges moved) would make it, and only when
// that drag could be made: the frame is sizable, the window enabled, and the window's own handling of a
// left-button press on that part (WM_NCLBUTTONDOWN, sent with the button down) lets it reach the
// default processing. FALSE when nothing changed (refused, or the window is gone or already there): the
// caller puts its view of the window back to where the window is.
BOOL AfxPlaceWindowFromOutside(HWND hWnd, const RECT& rcWanted);

// Installs the default processing of the non-client messages (WM_NCHITTEST, WM_NCPAINT, WM_NCACTIVATE,
// WM_NCLBUTTONDOWN/UP, the caption and frame drags' WM_MOUSEMOVE/WM_LBUTTONUP, WM_SYSKEYDOWN for F10 and
// Alt+letter, WM_SYSCOMMAND SC_KEYMENU). Window creation calls it; calling it again does nothing.
void AfxEnsureNonClientHooks();
