#include "platform/screen/screen_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/screen/cairo_renderer.h"
#include "platform/screen/screen_input.h"
#include "platform/win/clock.h"
#include "platform/win/nonclient.h"
#include "platform/win/snapshot.h"

namespace {

// Connections tried to a named display, and the pause between two.
constexpr int kDisplayTries = 5;
constexpr int kDisplayRetryMs = 200;

// Virtual-key codes of the punctuation keys (US layout), as the platform numbers them.
constexpr UINT kVkOem1 = 0xBA;       // ;:
constexpr UINT kVkOemPlus = 0xBB;    // =+
constexpr UINT kVkOemComma = 0xBC;   // ,<
constexpr UINT kVkOemMinus = 0xBD;   // -_
constexpr UINT kVkOemPeriod = 0xBE;  // .>
constexpr UINT kVkOem2 = 0xBF;       // /?
constexpr UINT kVkOem3 = 0xC0;       // `~
constexpr UINT kVkOem4 = 0xDB;       // [{
constexpr UINT kVkOem5 = 0xDC;       // \|
constexpr UINT kVkOem6 = 0xDD;       // ]}
constexpr UINT kVkOem7 = 0xDE;       // '"
constexpr UINT kVkInsert = 0x2D;
constexpr UINT kVkNumpad0 = 0x60;
constexpr UINT kVkDecimal = 0x6E;

UINT VirtualKeyOf(KeySym ks) {
    if (ks >= XK_a && ks <= XK_z) return static_cast<UINT>('A' + (ks - XK_a));
    if (ks >= XK_A && ks <= XK_Z) return static_cast<UINT>('A' + (ks - XK_A));
    if (ks >= XK_0 && ks <= XK_9) return static_cast<UINT>('0' + (ks - XK_0));
    if (ks >= XK_KP_0 && ks <= XK_KP_9) return static_cast<UINT>(kVkNumpad0 + (ks - XK_KP_0));
    if (ks >= XK_F1 && ks <= XK_F12) return static_cast<UINT>(VK_F1 + (ks - XK_F1));
    switch (ks) {
        case XK_Return:
        case XK_KP_Enter:
            return VK_RETURN;
        case XK_Escape:
            return VK_ESCAPE;
        case XK_Tab:
        case XK_ISO_Left_Tab:
            return VK_TAB;
        case XK_BackSpace:
            return VK_BACK;
        case XK_space:
            return VK_SPACE;
        case XK_Left:
            return VK_LEFT;
        case XK_Right:
            return VK_RIGHT;
        case XK_Up:
            return VK_UP;
        case XK_Down:
            return VK_DOWN;
        case XK_Home:
            return VK_HOME;
        case XK_End:
            return VK_END;
        case XK_Prior:
            return VK_PRIOR;
        case XK_Next:
            return VK_NEXT;
        case XK_Delete:
            return VK_DELETE;
        case XK_Insert:
            return kVkInsert;
        case XK_KP_Decimal:
            return kVkDecimal;
        case XK_Shift_L:
        case XK_Shift_R:
            return VK_SHIFT;
        case XK_Control_L:
        case XK_Control_R:
            return VK_CONTROL;
        case XK_Alt_L:
        case XK_Alt_R:
            return VK_MENU;
        case XK_semicolon:
        case XK_colon:
            return kVkOem1;
        case XK_equal:
        case XK_plus:
            return kVkOemPlus;
        case XK_comma:
        case XK_less:
            return kVkOemComma;
        case XK_minus:
        case XK_underscore:
            return kVkOemMinus;
        case XK_period:
        case XK_greater:
            return kVkOemPeriod;
        case XK_slash:
        case XK_question:
            return kVkOem2;
        case XK_grave:
        case XK_asciitilde:
            return kVkOem3;
        case XK_bracketleft:
        case XK_braceleft:
            return kVkOem4;
        case XK_backslash:
        case XK_bar:
            return kVkOem5;
        case XK_bracketright:
        case XK_braceright:
            return kVkOem6;
        case XK_apostrophe:
        case XK_quotedbl:
            return kVkOem7;
        default:
            return 0;
    }
}

UINT KeyFlagsOf(unsigned int state) {
    UINT f = 0;
    if (state & Button1Mask) f |= MK_LBUTTON;
    if (state & Button3Mask) f |= MK_RBUTTON;
    if (state & ShiftMask) f |= MK_SHIFT;
    if (state & ControlMask) f |= MK_CONTROL;
    return f;
}

// The button masks after a press or release of button b (X reports the state before the event).
unsigned int StateAfter(unsigned int state, unsigned int b, bool bDown) {
    const unsigned int mask = b == Button1 ? Button1Mask : b == Button3 ? Button3Mask : 0;
    return bDown ? (state | mask) : (state & ~mask);
}

struct CPendingMove {
    std::mutex mtx;
    bool bQueued = false;
    HWND hWnd = nullptr;
    POINT pt{};
    UINT nFlags = 0;
};

// Window-manager moves and sizes on their way to the user-interface thread: the newest rectangle per
// window, taken by one queued task at a time. nApplied is the number of the last one the framework has
// been given; a snapshot taken after that shows the framework's answer to it.
struct CPendingConfigure {
    struct CWanted {
        RECT rc{};
        std::uint64_t nNumber = 0;
    };
    std::mutex mtx;
    bool bQueued = false;
    std::map<HWND, CWanted> wanted;
    std::uint64_t nApplied = 0;
};

// On the user-interface thread: the framework windows placed where the window manager put them.
void ApplyConfigures(CPendingConfigure& pending) {
    std::map<HWND, CPendingConfigure::CWanted> wanted;
    {
        std::lock_guard<std::mutex> lock(pending.mtx);
        pending.bQueued = false;
        wanted.swap(pending.wanted);
    }
    std::uint64_t nLast = 0;
    for (const auto& [h, w] : wanted) {
        nLast = std::max(nLast, w.nNumber);
        if (!::IsWindow(h)) continue;
        // A size the window's frame would refuse to a drag is refused here too: the next snapshot puts the
        // X window back.
        AfxPlaceWindowFromOutside(h, w.rc);
    }
    std::lock_guard<std::mutex> lock(pending.mtx);
    pending.nApplied = std::max(pending.nApplied, nLast);
}

// Damaged parts copied one by one at most; more go as the rectangle around them.
constexpr size_t kMostPartsPut = 16;

// A picture's pixels are 32-bit words 0x00RRGGBB in the machine's own byte order; Xlib turns them into
// the server's order.
const int kHostByteOrder = [] {
    const std::uint32_t n = 1;
    unsigned char first = 0;
    std::memcpy(&first, &n, 1);
    return first == 1 ? LSBFirst : MSBFirst;
}();

// TRUE when the display's default visual takes such words as they are: TrueColor of depth 24, 32 bits a
// pixel, red, green and blue in the words' places.
bool TakesImageWords(Display* dpy) {
    const int screen = DefaultScreen(dpy);
    const Visual* pVisual = DefaultVisual(dpy, screen);
    if (pVisual->c_class != TrueColor || DefaultDepth(dpy, screen) != 24 || pVisual->red_mask != 0xFF0000 ||
        pVisual->green_mask != 0x00FF00 || pVisual->blue_mask != 0x0000FF)
        return false;
    int n = 0;
    XPixmapFormatValues* pFormats = XListPixmapFormats(dpy, &n);
    bool bWords = false;
    for (int i = 0; i < n; ++i)
        if (pFormats[i].depth == 24) bWords = pFormats[i].bits_per_pixel == 32;
    if (pFormats != nullptr) XFree(pFormats);
    return bWords;
}

// A captionless popup tool window: a menu's popup or a combo box's dropped list.
bool IsTransientPopup(const CWindowSnapshot& w) {
    return (w.dwStyle & WS_POPUP) && (w.dwStyle & WS_CAPTION) != WS_CAPTION &&
           (w.dwExStyle & WS_EX_TOOLWINDOW);
}

struct XView {
    Window xWin = 0;
    Window parent = 0;  // the root, or the window manager's frame once it took the window in
    cairo_surface_t* pSurface = nullptr;
    RECT rc{};                        // the X window's geometry, as placed here or reported by the server
    unsigned long nPlacedSerial = 0;  // the request that placed it last
    std::uint64_t nConfigure = 0;     // the last window-manager rectangle handed to the framework
    std::optional<RECT> rcRefused;    // that rectangle, until a snapshot shows the framework took it
    bool bMapped = false;
    std::uint64_t nPainted = 0;  // change count painted (0: the X window must be painted whole)
    std::string strTitle;
    // The window's picture as last painted, and the snapshot it was drawn from: a later snapshot is
    // drawn only where it differs.
    cairo_surface_t* pImage = nullptr;
    std::shared_ptr<const CScreenSnapshot> pDrawnSnap;  // holds *pDrawn
    const CWindowSnapshot* pDrawn = nullptr;
};

}  // namespace

struct CScreenSession::CShared {
    std::string strDisplay;
    DWORD nUiThread = 0;
    CCairoTextMeasurer measurer;

    std::mutex mtx;
    std::condition_variable cvStarted;
    bool bStarted = false;
    bool bOpened = false;
    std::string strError;
    std::shared_ptr<const CScreenSnapshot> pending;
    std::uint64_t nPendingConfigured = 0;    // the window-manager rectangles the pending snapshot shows
    std::map<HWND, unsigned long> xWindows;  // for GetXWindow

    std::atomic<bool> bQuit{false};
    // Shared with the queued move task, which may outlive the session.
    std::shared_ptr<CPendingMove> pMove = std::make_shared<CPendingMove>();
    std::shared_ptr<CPendingConfigure> pConfigure = std::make_shared<CPendingConfigure>();
    std::uint64_t nOfferedConfigured = 0;  // user-interface thread
    std::atomic<std::uint64_t> nPaints{0};
    std::atomic<std::uint64_t> nShown{
        0};  // change count of the last snapshot the screen thread is through with
    int wakeFds[2] = {-1, -1};
    std::thread thread;

    void Wake() {
        const char c = 1;
        if (wakeFds[1] >= 0) (void)!write(wakeFds[1], &c, 1);
    }
    void Run();
};

namespace {

class CScreenThread {
  public:
    CScreenThread(CScreenSession::CShared& sh, Display* dpy) : m_sh(sh), m_dpy(dpy), m_renderer(sh.measurer) {
        m_wmDelete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
        m_motifHints = XInternAtom(dpy, "_MOTIF_WM_HINTS", False);
        m_wmProtocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
        if (TakesImageWords(dpy)) m_gc = XCreateGC(dpy, DefaultRootWindow(dpy), 0, nullptr);
    }
    ~CScreenThread() {
        for (auto& [h, v] : m_views) Drop(v);
        if (m_gc != nullptr) XFreeGC(m_dpy, m_gc);
        XCloseDisplay(m_dpy);
    }

    void Loop() {
        const int xfd = ConnectionNumber(m_dpy);
        while (!m_sh.bQuit.load()) {
            pollfd fds[2] = {{xfd, POLLIN, 0}, {m_sh.wakeFds[0], POLLIN, 0}};
            if (XPending(m_dpy) == 0) poll(fds, 2, -1);
            if (fds[1].revents & POLLIN) {
                char buf[64];
                while (read(m_sh.wakeFds[0], buf, sizeof(buf)) > 0) {
                }
            }
            if (m_sh.bQuit.load()) break;
            Apply();
            while (XPending(m_dpy) > 0) {
                XEvent ev;
                XNextEvent(m_dpy, &ev);
                Handle(ev);
            }
            XFlush(m_dpy);
        }
    }

  private:
    void Drop(XView& v) {
        if (v.pImage) cairo_surface_destroy(v.pImage);
        v.pImage = nullptr;
        if (v.pSurface) cairo_surface_destroy(v.pSurface);
        v.pSurface = nullptr;
        if (v.xWin) XDestroyWindow(m_dpy, v.xWin);
        v.xWin = 0;
    }

    // The latest snapshot: windows made, moved, shown, hidden, dropped, painted.
    void Apply() {
        std::shared_ptr<const CScreenSnapshot> snap;
        std::uint64_t nConfigured = 0;
        {
            std::lock_guard<std::mutex> lock(m_sh.mtx);
            snap.swap(m_sh.pending);
            nConfigured = m_sh.nPendingConfigured;
        }
        if (!snap) return;
        m_pSnap = std::move(snap);
        const CScreenSnapshot& latest = *m_pSnap;
        m_nConfigured = nConfigured;
        std::map<HWND, bool> present;
        for (const CWindowSnapshot& w : latest.windows) {
            present[w.hWnd] = true;
            const int cx = w.rcWindow.right - w.rcWindow.left;
            const int cy = w.rcWindow.bottom - w.rcWindow.top;
            const bool bShow = w.bVisible && cx > 0 && cy > 0;
            auto it = m_views.find(w.hWnd);
            if (it == m_views.end()) {
                if (!bShow) continue;
                it = m_views.emplace(w.hWnd, Create(w)).first;
            }
            XView& v = it->second;
            if (!bShow) {
                if (v.bMapped) XUnmapWindow(m_dpy, v.xWin);
                v.bMapped = false;
                continue;
            }
            // A snapshot taken before the framework was given the window manager's last rectangle would
            // only put the window back where it was.
            const bool bAnswered = v.nConfigure <= nConfigured;
            if (bAnswered && v.rcRefused && EqualRect(&*v.rcRefused, &w.rcWindow)) v.rcRefused.reset();
            if (bAnswered && !EqualRect(&v.rc, &w.rcWindow)) {
                v.nPlacedSerial = NextRequest(m_dpy);
                XMoveResizeWindow(m_dpy, v.xWin, w.rcWindow.left, w.rcWindow.top, static_cast<unsigned>(cx),
                                  static_cast<unsigned>(cy));
                if (v.pSurface) cairo_xlib_surface_set_size(v.pSurface, cx, cy);
                v.rc = w.rcWindow;
                v.nPainted = 0;
            }
            if (v.strTitle != w.strText) {
                v.strTitle = w.strText;
                XStoreName(m_dpy, v.xWin, v.strTitle.c_str());
            }
            if (!v.bMapped) {
                XMapRaised(m_dpy, v.xWin);
                v.bMapped = true;
                v.nPainted = 0;
            }
        }
        // Stacked before any picture goes out: a large picture takes the server a while, and a window
        // just mapped (raised) must not meanwhile stand above one the framework keeps on top of it.
        Restack();
        for (const CWindowSnapshot& w : latest.windows) {
            auto it = m_views.find(w.hWnd);
            if (it != m_views.end() && it->second.bMapped && it->second.nPainted != w.nChangeCount)
                Paint(it->second, w);
        }
        for (auto it = m_views.begin(); it != m_views.end();) {
            if (present.count(it->first)) {
                ++it;
                continue;
            }
            Drop(it->second);
            it = m_views.erase(it);
        }
        std::lock_guard<std::mutex> lock(m_sh.mtx);
        m_sh.xWindows.clear();
        for (auto& [h, v] : m_views)
            if (v.bMapped) m_sh.xWindows[h] = v.xWin;
        m_sh.nShown.store(latest.nChangeCount);
    }

    // The X windows stacked as the framework stacks its windows (the snapshot's order, top first): a
    // window mapped later is not above one the framework keeps on top, and a click lands on the window
    // the person sees at that point.
    void Restack() {
        std::vector<Window> order;
        for (const CWindowSnapshot& w : m_pSnap->windows) {
            auto it = m_views.find(w.hWnd);
            if (it != m_views.end() && it->second.bMapped) order.push_back(it->second.xWin);
        }
        if (order == m_stack) return;
        m_stack = order;
        // Each raised from the bottom up: under a window manager the windows sit in its frames, no longer
        // siblings of one another, and a raise is the request it carries out for a window it manages.
        for (auto it = order.rbegin(); it != order.rend(); ++it) XRaiseWindow(m_dpy, *it);
    }

    XView Create(const CWindowSnapshot& w) {
        XView v;
        const int screen = DefaultScreen(m_dpy);
        const int cx = w.rcWindow.right - w.rcWindow.left;
        const int cy = w.rcWindow.bottom - w.rcWindow.top;
        XSetWindowAttributes a{};
        a.background_pixel = 0xF0F0F0;
        a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                       KeyReleaseMask | StructureNotifyMask;
        // A menu's popup or a dropped list lives only while the framework tracks it: no window manager
        // takes it in (no frame, no placing, no focus of its own).
        a.override_redirect = IsTransientPopup(w) ? True : False;
        v.xWin =
            XCreateWindow(m_dpy, RootWindow(m_dpy, screen), w.rcWindow.left, w.rcWindow.top,
                          static_cast<unsigned>(cx), static_cast<unsigned>(cy), 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWBackPixel | CWEventMask | CWOverrideRedirect, &a);
        // The framework draws every window's frame and caption itself: a window manager adds none.
        const long motif[5] = {2 /* decorations given */, 0, 0 /* none */, 0, 0};
        XChangeProperty(m_dpy, v.xWin, m_motifHints, m_motifHints, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(motif), 5);
        XSizeHints hints{};
        hints.flags = PPosition | PSize | USPosition;
        hints.x = w.rcWindow.left;
        hints.y = w.rcWindow.top;
        hints.width = cx;
        hints.height = cy;
        XSetWMNormalHints(m_dpy, v.xWin, &hints);
        XSetWMProtocols(m_dpy, v.xWin, &m_wmDelete, 1);
        if (m_gc == nullptr)
            v.pSurface = cairo_xlib_surface_create(m_dpy, v.xWin, DefaultVisual(m_dpy, screen), cx, cy);
        v.rc = w.rcWindow;
        v.parent = RootWindow(m_dpy, screen);
        return v;
    }

    // Painted off screen first, then copied in one go: no half-painted window is ever seen. Only what
    // differs from the picture last painted is drawn again, and only that is copied to an X window that
    // shows the rest already.
    void Paint(XView& v, const CWindowSnapshot& w) {
        const int cx = w.rcWindow.right - w.rcWindow.left;
        const int cy = w.rcWindow.bottom - w.rcWindow.top;
        std::vector<RECT> damage;
        const bool bKeep = v.pImage != nullptr && cairo_image_surface_get_width(v.pImage) == cx &&
                           cairo_image_surface_get_height(v.pImage) == cy && v.pDrawn != nullptr &&
                           AfxSnapshotDamage(*v.pDrawn, w, &damage);
        if (bKeep) {
            m_renderer.RenderDamage(v.pImage, w, damage);
        } else {
            cairo_surface_t* img = m_renderer.RenderToImage(w);
            if (img == nullptr) return;
            if (v.pImage) cairo_surface_destroy(v.pImage);
            v.pImage = img;
        }
        const bool bWhole = !bKeep || v.nPainted == 0;
        v.pDrawnSnap = m_pSnap;  // w lies in the latest snapshot
        v.pDrawn = &w;
        v.nPainted = w.nChangeCount;
        if (bWhole)
            CopyToWindow(v);
        else
            CopyToWindow(v, damage);
        m_sh.nPaints.fetch_add(1);
    }

    // The whole picture to the X window.
    void CopyToWindow(XView& v) {
        if (v.pImage == nullptr) return;
        if (m_gc != nullptr) {
            PutImage(v, RECT{0, 0, cairo_image_surface_get_width(v.pImage),
                             cairo_image_surface_get_height(v.pImage)});
            return;
        }
        // Through cairo the whole picture goes in one copy: a copy of parts only makes cairo keep memory
        // for an X window that was destroyed under it.
        cairo_t* cr = cairo_create(v.pSurface);
        cairo_set_source_surface(cr, v.pImage, 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(v.pSurface);
    }

    // The damaged parts (window pixels) of the picture to the X window; the whole picture where the
    // window's visual does not take the picture's pixels as they are.
    void CopyToWindow(XView& v, const std::vector<RECT>& damage) {
        if (v.pImage == nullptr || damage.empty()) return;
        if (m_gc == nullptr) {
            CopyToWindow(v);
            return;
        }
        // Many small parts cost more in requests than the rectangle around them in pixels.
        if (damage.size() > kMostPartsPut) {
            RECT rcAll = damage.front();
            for (const RECT& rc : damage) UnionRect(&rcAll, &rcAll, &rc);
            PutImage(v, rcAll);
            return;
        }
        for (const RECT& rc : damage) PutImage(v, rc);
    }

    // rc (window pixels, cut to the picture) of the picture to the X window, the picture's own pixels
    // wrapped in an image that only borrows them.
    void PutImage(XView& v, const RECT& rc) {
        const int cx = cairo_image_surface_get_width(v.pImage);
        const int cy = cairo_image_surface_get_height(v.pImage);
        const int l = std::max(0, static_cast<int>(rc.left));
        const int t = std::max(0, static_cast<int>(rc.top));
        const int r = std::min(cx, static_cast<int>(rc.right));
        const int b = std::min(cy, static_cast<int>(rc.bottom));
        if (r <= l || b <= t) return;
        XImage img{};
        img.width = cx;
        img.height = cy;
        img.format = ZPixmap;
        img.data = reinterpret_cast<char*>(cairo_image_surface_get_data(v.pImage));
        img.byte_order = kHostByteOrder;
        img.bitmap_unit = 32;
        img.bitmap_bit_order = kHostByteOrder;
        img.bitmap_pad = 32;
        img.depth = 24;
        img.bytes_per_line = cairo_image_surface_get_stride(v.pImage);
        img.bits_per_pixel = 32;
        img.red_mask = 0xFF0000;
        img.green_mask = 0x00FF00;
        img.blue_mask = 0x0000FF;
        if (img.data == nullptr || XInitImage(&img) == 0) return;
        XPutImage(m_dpy, v.xWin, m_gc, &img, l, t, l, t, static_cast<unsigned>(r - l),
                  static_cast<unsigned>(b - t));
    }

    HWND WindowOf(Window x) const {
        for (const auto& [h, v] : m_views)
            if (v.xWin == x) return h;
        return nullptr;
    }

    const CWindowSnapshot* SnapOf(HWND h) const {
        for (const CWindowSnapshot& w : m_pSnap->windows)
            if (w.hWnd == h) return &w;
        return nullptr;
    }

    void Post(std::function<void()> fn) { AfxPostThreadTask(m_sh.nUiThread, std::move(fn), TRUE); }
    // A button, wheel or key event: a move still waiting is made before it, so a later move gets a task
    // of its own after it instead of being delivered ahead of it.
    void PostInOrder(std::function<void()> fn) {
        bool bMoveQueued = false;
        {
            std::lock_guard<std::mutex> lock(m_sh.pMove->mtx);
            bMoveQueued = m_sh.pMove->bQueued;
        }
        if (bMoveQueued) m_sh.pMove = std::make_shared<CPendingMove>();
        Post(std::move(fn));
    }

    void Handle(XEvent& ev) {
        const HWND h = WindowOf(ev.xany.window);
        if (h == nullptr) return;
        switch (ev.type) {
            case Expose:
                if (ev.xexpose.count == 0) {
                    auto it = m_views.find(h);
                    if (const CWindowSnapshot* w = SnapOf(h); w && it != m_views.end()) {
                        // The X server lost the pixels, not the picture: copied again whole.
                        XView& v = it->second;
                        if (v.pImage != nullptr && v.nPainted == w->nChangeCount) {
                            CopyToWindow(v);
                        } else {
                            v.nPainted = 0;
                            Paint(v, *w);
                        }
                    }
                }
                break;
            case ButtonPress:
            case ButtonRelease: {
                const bool bDown = ev.type == ButtonPress;
                const XButtonEvent& b = ev.xbutton;
                const POINT pt{b.x_root, b.y_root};
                if (b.button == Button4 || b.button == Button5) {
                    if (!bDown) break;  // one notch per press
                    const int delta = b.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
                    const UINT flags = KeyFlagsOf(b.state);
                    PostInOrder([h, pt, delta, flags] { AfxScreenMouseWheel(h, pt, delta, flags); });
                    break;
                }
                if (b.button != Button1 && b.button != Button3) break;
                const CScreenButton nButton =
                    b.button == Button1 ? CScreenButton::Left : CScreenButton::Right;
                const UINT flags = KeyFlagsOf(StateAfter(b.state, b.button, bDown));
                PostInOrder(
                    [h, pt, nButton, bDown, flags] { AfxScreenMouseButton(h, pt, nButton, bDown, flags); });
                break;
            }
            case MotionNotify: {
                // Moves are coalesced: while one task waits on the user-interface thread, later moves only
                // update the position it will deliver, so the newest position always arrives; never past a
                // button, wheel or key event made after them (PostInOrder).
                std::shared_ptr<CPendingMove> pMove = m_sh.pMove;
                std::lock_guard<std::mutex> lock(pMove->mtx);
                pMove->hWnd = h;
                pMove->pt = POINT{ev.xmotion.x_root, ev.xmotion.y_root};
                pMove->nFlags = KeyFlagsOf(ev.xmotion.state);
                if (pMove->bQueued) break;
                pMove->bQueued = true;
                Post([pMove] {
                    HWND hMove = nullptr;
                    POINT pt{};
                    UINT flags = 0;
                    {
                        std::lock_guard<std::mutex> taken(pMove->mtx);
                        pMove->bQueued = false;
                        hMove = pMove->hWnd;
                        pt = pMove->pt;
                        flags = pMove->nFlags;
                    }
                    AfxScreenMouseMove(hMove, pt, flags);
                });
                break;
            }
            case KeyPress:
            case KeyRelease: {
                char buf[8] = {};
                KeySym ks = NoSymbol;
                const int n = XLookupString(&ev.xkey, buf, sizeof(buf), &ks, nullptr);
                const UINT vk = VirtualKeyOf(ks);
                if (vk == 0) break;
                const UINT ch = n == 1 ? static_cast<unsigned char>(buf[0]) : 0;
                const bool bDown = ev.type == KeyPress;
                const UINT scan = ev.xkey.keycode;
                const BOOL bAlt = (ev.xkey.state & Mod1Mask) != 0 ? TRUE : FALSE;
                PostInOrder([h, vk, ch, bDown, scan, bAlt] { AfxScreenKey(h, vk, ch, bDown, scan, bAlt); });
                break;
            }
            case ConfigureNotify:
                OnConfigure(h, ev.xconfigure);
                break;
            case ReparentNotify:
                if (auto it = m_views.find(h); it != m_views.end()) it->second.parent = ev.xreparent.parent;
                break;
            case ClientMessage:
                if (ev.xclient.message_type == m_wmProtocols &&
                    static_cast<Atom>(ev.xclient.data.l[0]) == m_wmDelete)
                    Post([h] { AfxScreenCloseRequest(h); });
                break;
            default:
                break;
        }
    }

    // The window manager moved or sized a window (or the server tells the screen's own placing back).
    void OnConfigure(HWND h, const XConfigureEvent& c) {
        auto it = m_views.find(h);
        if (it == m_views.end()) return;
        XView& v = it->second;
        // Sent before the screen's last placing was done: that placing decides.
        if (c.serial < v.nPlacedSerial) return;
        int x = c.x;
        int y = c.y;
        // A real event of a window inside a frame is in the frame's pixels; a synthetic one from the
        // window manager is in the root's.
        if (!c.send_event && v.parent != DefaultRootWindow(m_dpy)) {
            Window child = 0;
            if (!XTranslateCoordinates(m_dpy, v.xWin, DefaultRootWindow(m_dpy), 0, 0, &x, &y, &child)) return;
        }
        const RECT rc{x, y, x + c.width, y + c.height};
        if (EqualRect(&rc, &v.rc)) return;
        if (rc.right - rc.left != v.rc.right - v.rc.left || rc.bottom - rc.top != v.rc.bottom - v.rc.top)
            if (v.pSurface) cairo_xlib_surface_set_size(v.pSurface, c.width, c.height);
        const bool bAgain = v.rcRefused && EqualRect(&*v.rcRefused, &rc) && v.nConfigure <= m_nConfigured;
        v.rc = rc;
        // The framework kept its own rectangle against this very one: the window manager insists, and
        // asking again would only go round.
        if (bAgain) return;
        v.nConfigure = ++m_nConfigure;
        v.rcRefused = rc;
        std::shared_ptr<CPendingConfigure> pConfigure = m_sh.pConfigure;
        std::lock_guard<std::mutex> lock(pConfigure->mtx);
        pConfigure->wanted[h] = CPendingConfigure::CWanted{rc, v.nConfigure};
        if (pConfigure->bQueued) return;
        pConfigure->bQueued = true;
        if (!AfxPostThreadTask(
                m_sh.nUiThread, [pConfigure] { ApplyConfigures(*pConfigure); }, TRUE))
            pConfigure->bQueued = false;  // the next one tries again
    }

    CScreenSession::CShared& m_sh;
    Display* m_dpy;
    std::uint64_t m_nConfigure = 0;   // window-manager rectangles numbered
    std::uint64_t m_nConfigured = 0;  // the framework's answers the last snapshot shows
    CCairoRenderer m_renderer;
    // Set when the X windows take the pictures' pixels as they are (TakesImageWords): parts are copied
    // with it; NULL: whole pictures through cairo.
    GC m_gc = nullptr;
    Atom m_wmDelete = 0;
    Atom m_motifHints = 0;
    Atom m_wmProtocols = 0;
    std::map<HWND, XView> m_views;
    std::vector<Window> m_stack;  // the mapped windows as last stacked, top first
    // The latest snapshot; views keep the one they were painted from alive.
    std::shared_ptr<const CScreenSnapshot> m_pSnap = std::make_shared<const CScreenSnapshot>();
};

}  // namespace

namespace {

std::atomic<unsigned long> g_nXErrors{0};

// A request the server refuses (a window that went meanwhile, a window manager's answer) costs that one
// request, not the program: Xlib's default handler would end the process.
int OnXError(Display*, XErrorEvent*) {
    g_nXErrors.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

}  // namespace

unsigned long CScreenSession::GetXErrorCount() {
    return g_nXErrors.load(std::memory_order_relaxed);
}

void CScreenSession::CShared::Run() {
    XSetErrorHandler(&OnXError);
    // A display that is named but refuses the first connection (a server just started, or busy with
    // many clients at once) is asked again a few times before the run goes on without it.
    const char* pszName = strDisplay.empty() ? std::getenv("DISPLAY") : strDisplay.c_str();
    const bool bNamed = pszName != nullptr && *pszName != '\0';
    Display* dpy = nullptr;
    for (int nTry = 0; nTry < kDisplayTries && dpy == nullptr; ++nTry) {
        if (nTry > 0) std::this_thread::sleep_for(std::chrono::milliseconds(kDisplayRetryMs));
        dpy = XOpenDisplay(bNamed ? pszName : nullptr);
        if (!bNamed) break;
    }
    {
        std::lock_guard<std::mutex> lock(mtx);
        bStarted = true;
        bOpened = dpy != nullptr;
        if (!dpy)
            strError =
                "cannot open display \"" + (strDisplay.empty() ? std::string("$DISPLAY") : strDisplay) + "\"";
    }
    cvStarted.notify_all();
    if (!dpy) return;
    CScreenThread t(*this, dpy);
    t.Loop();
}

CScreenSession::CScreenSession() = default;

CScreenSession::~CScreenSession() {
    Stop();
}

BOOL CScreenSession::Start(const char* pszDisplay) {
    if (m_pShared) {
        m_strError = "the session runs already";
        return FALSE;
    }
    auto sh = std::make_shared<CShared>();
    sh->strDisplay = pszDisplay ? pszDisplay : "";
    sh->nUiThread = GetCurrentThreadId();
    if (pipe2(sh->wakeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        m_strError = "cannot make the wake-up pipe";
        return FALSE;
    }
    CShared* p = sh.get();
    sh->thread = std::thread([p] { p->Run(); });
    bool bOpened = false;
    {
        std::unique_lock<std::mutex> lock(sh->mtx);
        sh->cvStarted.wait(lock, [&] { return sh->bStarted; });
        bOpened = sh->bOpened;
        m_strError = sh->strError;
    }
    if (!bOpened) {
        sh->thread.join();
        close(sh->wakeFds[0]);
        close(sh->wakeFds[1]);
        return FALSE;
    }
    m_pShared = sh;
    m_pPreviousMeasurer = AfxSetTextMeasurer(&sh->measurer);
    m_nOffered = 0;
    m_nPreviousPaintPeriodUs = CMessageLoop::GetPaintPeriod();
    CMessageLoop::SetPaintPeriod(kRefreshPeriodUs);
    m_nIdleHook = CMessageLoop::AddIdleHook([this] { RefreshWhenDue(); });
    Refresh();
    m_nNextRefreshUs = CMessageLoop::NextPaintSlotUs(RefreshClockUs());
    return TRUE;
}

void CScreenSession::Stop() {
    if (!m_pShared) return;
    CMessageLoop::RemoveIdleHook(m_nIdleHook);
    m_nIdleHook = 0;
    CMessageLoop::SetPaintPeriod(m_nPreviousPaintPeriodUs);
    AfxSetTextMeasurer(m_pPreviousMeasurer);
    m_pPreviousMeasurer = nullptr;
    m_pShared->bQuit.store(true);
    m_pShared->Wake();
    m_pShared->thread.join();
    close(m_pShared->wakeFds[0]);
    close(m_pShared->wakeFds[1]);
    m_pShared->wakeFds[0] = m_pShared->wakeFds[1] = -1;
    // Queued input tasks hold only handles and values: they may still run after this.
    m_pShared.reset();
}

BOOL CScreenSession::IsRunning() const {
    return m_pShared != nullptr;
}

void CScreenSession::Refresh() {
    if (!m_pShared) return;
    std::uint64_t nConfigured = 0;
    {
        std::lock_guard<std::mutex> lock(m_pShared->pConfigure->mtx);
        nConfigured = m_pShared->pConfigure->nApplied;
    }
    std::shared_ptr<const CScreenSnapshot> snap = AfxTakeSharedScreenSnapshot();
    // Offered also when only the framework's answer to a window manager's move is new: a rectangle it
    // kept changes nothing, and the screen then puts the X window back.
    if (snap->nChangeCount == m_nOffered && nConfigured == m_pShared->nOfferedConfigured) return;
    m_nOffered = snap->nChangeCount;
    m_pShared->nOfferedConfigured = nConfigured;
    {
        std::lock_guard<std::mutex> lock(m_pShared->mtx);
        m_pShared->pending = std::move(snap);
        m_pShared->nPendingConfigured = nConfigured;
    }
    m_pShared->Wake();
}

// The refreshes keep to the paint passes' slots, so that what a pass painted is taken in the same
// wake-up. A manual clock (tests) moves only when told to: the refreshes then keep to real time.
LONGLONG CScreenSession::RefreshClockUs() {
    if (!CClock::IsManual()) return CClock::NowMicros();
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CScreenSession::RefreshWhenDue() {
    if (!m_pShared) return;
    const LONGLONG nNowUs = RefreshClockUs();
    // More than a slot away only when the clock changed between manual and real: due at once.
    if (nNowUs < m_nNextRefreshUs && m_nNextRefreshUs - nNowUs <= kRefreshPeriodUs) {
        CMessageLoop::WakeIdleHooksBy(std::chrono::steady_clock::now() +
                                      std::chrono::microseconds(m_nNextRefreshUs - nNowUs));
        return;
    }
    m_nNextRefreshUs = CMessageLoop::NextPaintSlotUs(nNowUs);
    Refresh();
}

unsigned long CScreenSession::GetXWindow(HWND hWnd) const {
    if (!m_pShared) return 0;
    std::lock_guard<std::mutex> lock(m_pShared->mtx);
    auto it = m_pShared->xWindows.find(hWnd);
    return it == m_pShared->xWindows.end() ? 0 : it->second;
}

BOOL CScreenSession::IsShowingLatest() const {
    return m_pShared && m_pShared->nShown.load() == m_nOffered ? TRUE : FALSE;
}

std::uint64_t CScreenSession::GetPaintCount() const {
    return m_pShared ? m_pShared->nPaints.load() : 0;
}
