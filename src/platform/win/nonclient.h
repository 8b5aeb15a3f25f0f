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
// Drawing record. AfxGetNonClientDrawOps (nonclient_testing.h) returns what the frame shows now, as CDrawOp
// in window coordinates (bWindowCoords TRUE): the frame's fill and edge, the caption bar (active or inactive
// colours) with the window text, the close box, and the menu bar: item texts without their '&' (DT_NOPREFIX)
// with a Line under the mnemonic character, grayed items in COLOR_GRAYTEXT, the tracked item highlighted. The
// record is built from the window's current text, size, activation and menu whenever it is asked for
// (WM_NCPAINT has nothing to keep), so it can never show a stale caption; AfxGetNonClientSerial is a digest
// of it that changes whenever what it shows changes.
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

// A top-level window moved or sized from outside the program (a window manager), to rcWanted (screen
// pixels). A move alone is made as a caption drag makes it. A change of size is made as a drag of the
// frame's part that moved (the edge, or the corner when two edges moved) would make it, and only when
// that drag could be made: the frame is sizable, the window enabled, and the window's own handling of a
// left-button press on that part (WM_NCLBUTTONDOWN, sent with the button down) lets it reach the
// default processing. FALSE when nothing changed (refused, or the window is gone or already there): the
// caller puts its view of the window back to where the window is.
BOOL AfxPlaceWindowFromOutside(HWND hWnd, const RECT& rcWanted);
