// Snapshots of the windows for a view: everything needed to draw every top-level window and its
// children, copied at one moment so that the view never sees a half-finished paint.
//
// Threads: take snapshots on the user-interface thread while its queue is idle (CMessageLoop idle hook):
// the windows are then between messages. The snapshot is a plain value that any thread may read.
// AfxTakeScreenSnapshot itself is safe from any thread, but only an idle user-interface thread gives a
// consistent picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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

// A list of drawing operations whose copies share one list until one of them is changed: a window that
// drew nothing new since the last snapshot passes its list on without copying it, and two snapshots that
// share a list need not compare it.
class CDrawOpList {
  public:
    using value_type = CDrawOp;
    using const_iterator = std::vector<CDrawOp>::const_iterator;

    CDrawOpList() = default;
    CDrawOpList(std::vector<CDrawOp> ops)  // NOLINT(google-explicit-constructor): a list is its operations
        : m_pOps(ops.empty() ? nullptr : std::make_shared<const std::vector<CDrawOp>>(std::move(ops))) {}

    const_iterator begin() const { return Ops().begin(); }
    const_iterator end() const { return Ops().end(); }
    size_t size() const { return Ops().size(); }
    bool empty() const { return Ops().empty(); }
    const CDrawOp& operator[](size_t i) const { return Ops()[i]; }
    const std::vector<CDrawOp>& Ops() const;
    void push_back(const CDrawOp& op);
    // TRUE when both are one list (then they hold the same operations).
    bool IsSharedWith(const CDrawOpList& other) const { return m_pOps == other.m_pOps; }

  private:
    std::shared_ptr<const std::vector<CDrawOp>> m_pOps;  // NULL: empty
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
    CDrawOpList drawOps;                     // the window's drawing record, oldest first
    CDrawOpList nonClientOps;                // its frame, caption and menu bar (window coordinates)
    std::vector<CWindowSnapshot> children;   // z-order, top first
    // Top-level windows: bumped whenever anything of this window or its children differs from the
    // previous snapshot (starts at 1). Children: 0.
    std::uint64_t nChangeCount = 0;
    // The generation of the drawing record drawOps was taken from (AfxGetDrawOpsIfChanged; 0: unknown).
    std::uint64_t nDrawGeneration = 0;
};

struct CScreenSnapshot {
    std::vector<CWindowSnapshot> windows;  // every top-level window, z-order (topmost band first)
    // Bumped whenever any window differs from the previous snapshot, or a window came or went.
    std::uint64_t nChangeCount = 0;
};

CScreenSnapshot AfxTakeScreenSnapshot();
// The same, shared with the next snapshot taken, which starts from it: nothing of it is copied.
std::shared_ptr<const CScreenSnapshot> AfxTakeSharedScreenSnapshot();
// What differs between two snapshots of one top-level window, for a view that draws only that: in
// *pDamage the rectangles (window pixels, origin at the window's top-left corner) outside which both
// snapshots draw the same. A shown child whose own content changed damages its window rectangle (a hidden
// one nothing); a child that came, went, moved, or was shown or hidden damages its parent's. FALSE (and
// *pDamage empty) when the whole window must be drawn again: the window itself moved, was sized, restyled or
// draws otherwise. Change counts are not compared. TRUE with nothing in *pDamage: both draw the same.
BOOL AfxSnapshotDamage(const CWindowSnapshot& before, const CWindowSnapshot& after,
                       std::vector<RECT>* pDamage);
