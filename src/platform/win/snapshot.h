// Snapshots of the windows for a view: everything needed to draw every top-level window and its
// children, copied at one moment so that the view never sees a half-finished paint.
//
// Threads: take snapshots on the user-interface thread while its queue is idle (CMessageLoop idle hook):
// the windows are then between messages. The snapshot is a plain value that any thread may read.
// AfxTakeScreenSnapshot itself is safe from any thread, but only an idle user-interface thread gives a
// consistent picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/gdi.h"

struct CMenuItemSnapshot {
    std::string strText;  // with its '&' marks; empty for a separator
    UINT nID = 0;         // 0 for a popup or a separator
    BOOL bPopup = FALSE;
    BOOL bSeparator = FALSE;
    BOOL bGrayed = FALSE;  // MF_GRAYED or MF_DISABLED
    BOOL bChecked = FALSE;
};

struct CWindowSnapshot {
    HWND hWnd = nullptr;
    std::string strClass;
    RECT rcWindow{};        // screen pixels
    RECT rcClient{};        // screen pixels
    BOOL bVisible = FALSE;  // the window's own WS_VISIBLE (a child of a hidden parent is not shown anyway)
    BOOL bEnabled = FALSE;
    BOOL bTopmost = FALSE;
    int nZOrder = 0;  // among its siblings (top-level windows: among all), 0 the top
    UINT nID = 0;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    std::string strText;
    std::vector<CMenuItemSnapshot> menuBar;  // top-level windows with a menu
    std::vector<CDrawOp> drawOps;            // the window's drawing record, oldest first
    std::vector<CDrawOp> nonClientOps;       // its frame, caption and menu bar (window coordinates)
    std::vector<CWindowSnapshot> children;   // z-order, top first
    // Top-level windows: bumped whenever anything of this window or its children differs from the
    // previous snapshot (starts at 1). Children: 0.
    std::uint64_t nChangeCount = 0;
};

struct CScreenSnapshot {
    std::vector<CWindowSnapshot> windows;  // every top-level window, z-order (topmost band first)
    // Bumped whenever any window differs from the previous snapshot, or a window came or went.
    std::uint64_t nChangeCount = 0;
};

CScreenSnapshot AfxTakeScreenSnapshot();
// What differs between two snapshots of one top-level window, for a view that draws only that: in
// *pDamage the rectangles (window pixels, origin at the window's top-left corner) outside which both
// snapshots draw the same. A child whose own content changed damages its window rectangle; a child that
// came, went, moved, or was shown or hidden damages its parent's. FALSE (and *pDamage empty) when the
// whole window must be drawn again: the window itself moved, was sized, restyled or draws otherwise.
// Change counts are not compared. TRUE with nothing in *pDamage: both draw the same.
BOOL AfxSnapshotDamage(const CWindowSnapshot& before, const CWindowSnapshot& after,
                       std::vector<RECT>* pDamage);
