// Bitmaps 3001..3005: the connectors of the supported boards, each with its lines in their physical rows,
// every pin's number and signal name, and the lines the program uses in the colour of their role. Where
// the boards' documents give no pin map (the DDA's 100-pin connector and its two 50-pin cable ends), the
// pictures show the port and channel groups the program uses, without pin numbers.
#include "resources/pinout_bitmaps.h"

#include <algorithm>
#include <string>
#include <vector>

#include "resources/bitmaps.h"
#include "resources/pixel_canvas.h"
#include "resources/resource.h"

namespace {

using R = EPinRole;

// nPin 0: a group of lines without pin numbers, drawn as a labelled block.
struct SPin {
    int nPin;
    std::string strName;
    EPinRole role;
};

struct SConnector {
    unsigned nID;
    int nWidth;
    int nHeight;
    const char* pszTitle;
    const char* pszSubtitle;
    bool bDShell;  // a D connector (round pins in a tapered shell), else a terminal strip
    std::vector<SPin> left;
    std::vector<SPin> right;
    int nRightStagger;  // the right column's offset down, in hundredths of the row pitch
    std::vector<const char*> notes;
    // Rows left blank at the top: the Info window draws the picture so high that its tab strip, 56 px
    // from the top of the client area, covers them; everything starts below.
    int nTop = 0;
};

constexpr std::uint32_t kBackground = 0xFFFFFF;
constexpr std::uint32_t kInk = 0x202020;
constexpr std::uint32_t kShell = 0xE4E4E4;
constexpr std::uint32_t kShellEdge = 0x606060;
constexpr int kPinRadius = 6;
constexpr int kFirstRowY = 58;

std::vector<SPin> Port(const char* pszPrefix, int nFirstPin, int nStep, int nFirstBit, int nBitStep,
                       int nCount, EPinRole role) {
    std::vector<SPin> pins;
    for (int i = 0; i < nCount; ++i)
        pins.push_back(SPin{nFirstPin + i * nStep,
                            std::string(pszPrefix) + std::to_string(nFirstBit + i * nBitStep), role});
    return pins;
}

template <typename... T>
std::vector<SPin> Join(std::vector<SPin> first, const T&... rest) {
    (first.insert(first.end(), rest.begin(), rest.end()), ...);
    return first;
}

const std::vector<SConnector>& Connectors() {
    static const std::vector<SConnector> connectors = [] {
        std::vector<SConnector> v;
        // PCI-DIO24, 37-pin male D: pins 1..19 in one row, 20..37 in the other, numbered from the top.
        v.push_back(
            SConnector{IDB_PINOUT_DIO37,
                       460,
                       452,
                       "PCI-DIO24  37-pin D",
                       "TTL in: port A   TTL out: port B   pulse: C0",
                       true,
                       Join(std::vector<SPin>{{1, "IRQ INPUT", R::CounterIrq}, {2, "IRQ ENABLE", R::Other}},
                            Port("B", 3, 1, 7, -1, 8, R::TtlOut),
                            std::vector<SPin>{{11, "GND", R::Ground},
                                              {12, "OPEN", R::Other},
                                              {13, "GND", R::Ground},
                                              {14, "-12V", R::Other},
                                              {15, "GND", R::Ground},
                                              {16, "+12V", R::Other},
                                              {17, "GND", R::Ground},
                                              {18, "+5V", R::Other},
                                              {19, "GND", R::Ground}}),
                       Join(std::vector<SPin>{{20, "+5V", R::Other}, {21, "GND", R::Ground}},
                            Port("C", 22, 1, 7, -1, 7, R::Other), std::vector<SPin>{{29, "C0", R::Pulse}},
                            Port("A", 30, 1, 7, -1, 8, R::TtlIn)),
                       50,
                       {}});
        // PCI-DDA08/12: no pin map confirmed; the groups of the 100-pin connector.
        v.push_back(
            SConnector{IDB_PINOUT_DDA100,
                       500,
                       793,
                       "PCI-DDA08/12  100-pin",
                       "port and channel groups",
                       false,
                       {{0, "D/A 0", R::Analog},
                        {0, "D/A 1", R::Analog},
                        {0, "D/A 2", R::Analog},
                        {0, "D/A 3", R::Analog},
                        {0, "D/A 4", R::Analog},
                        {0, "D/A 5", R::Analog},
                        {0, "D/A 6", R::Analog},
                        {0, "D/A 7", R::Analog}},
                       {{0, "0A  TTL in", R::TtlIn},
                        {0, "0B", R::Other},
                        {0, "0C", R::Other},
                        {0, "1A  TTL out", R::TtlOut},
                        {0, "1B  pulse", R::Pulse},
                        {0, "1C", R::Other}},
                       0,
                       {"Pin numbers: not shown (no confirmed map).", "The cable splits it into a 50-pin",
                        "digital end and a 50-pin analog end.", "DDA04/12: D/A 0..3, DDA02/12: D/A 0..1."},
                       36});  // drawn 25 px down: 31 rows covered
        v.push_back(
            SConnector{IDB_PINOUT_DDA50_TTL,
                       515,
                       461,
                       "PCI-DDA  50-pin digital end",
                       "group 0 and group 1",
                       false,
                       {{0, "0A  TTL in", R::TtlIn}, {0, "0B", R::Other}, {0, "0C", R::Other}},
                       {{0, "1A  TTL out", R::TtlOut}, {0, "1B  pulse", R::Pulse}, {0, "1C", R::Other}},
                       0,
                       {"Pin numbers: not shown (no confirmed map)."}});
        v.push_back(SConnector{
            IDB_PINOUT_DDA50_ANALOG,
            565,
            540,
            "PCI-DDA  50-pin analog end",
            "D/A outputs",
            false,
            {{0, "D/A 0", R::Analog},
             {0, "D/A 1", R::Analog},
             {0, "D/A 2", R::Analog},
             {0, "D/A 3", R::Analog}},
            {{0, "D/A 4", R::Analog},
             {0, "D/A 5", R::Analog},
             {0, "D/A 6", R::Analog},
             {0, "D/A 7", R::Analog}},
            0,
            {"Pin numbers: not shown (no confirmed map).", "DDA04/12: D/A 0..3, DDA02/12: D/A 0..1."}});
        // USB-1208FS/LS: screw terminals 1..20 (analog side) and 21..40 (digital side). '*': the FS map,
        // not confirmed for the LS.
        v.push_back(SConnector{
            IDB_PINOUT_PMD1208,
            460,
            450,
            "USB-1208FS/LS  40 terminals",
            "TTL in: port A   TTL out: port B",
            false,
            {{1, "*CH0 IN HI/CH0", R::Other},  {2, "*CH0 IN LO/CH1", R::Other},
             {3, "*AGND", R::Ground},          {4, "*CH1 IN HI/CH2", R::Other},
             {5, "*CH1 IN LO/CH3", R::Other},  {6, "*AGND", R::Ground},
             {7, "*CH2 IN HI/CH4", R::Other},  {8, "*CH2 IN LO/CH5", R::Other},
             {9, "*AGND", R::Ground},          {10, "*CH3 IN HI/CH6", R::Other},
             {11, "*CH3 IN LO/CH7", R::Other}, {12, "*AGND", R::Ground},
             {13, "D/A OUT 0", R::Analog},     {14, "D/A OUT 1", R::Analog},
             {15, "*AGND", R::Ground},         {16, "CAL", R::Other},
             {17, "*GND", R::Ground},          {18, "TRIG IN", R::Other},
             {19, "*SYNC", R::Other},          {20, "CTR", R::CounterIrq}},
            Join(
                Port("Port A", 21, 1, 0, 1, 8, R::TtlIn),
                std::vector<SPin>{{29, "*GND", R::Ground}, {30, "PC +5V", R::Other}, {31, "*GND", R::Ground}},
                Port("Port B", 32, 1, 0, 1, 8, R::TtlOut), std::vector<SPin>{{40, "GND", R::Ground}}),
            0,
            {"* USB-1208FS; not confirmed for the USB-1208LS."},
            41});  // drawn 20 px down: 36 rows covered
        return v;
    }();
    return connectors;
}

const SConnector* FindConnector(unsigned nID) {
    for (const SConnector& c : Connectors())
        if (c.nID == nID) return &c;
    return nullptr;
}

struct SLayout {
    int xLeft;  // pin column centres, or block column left edges
    int xRight;
    int yFirst;  // the first row
    int nPitch;  // rows
    int nPinRadius;
    int nBlockWidth;
    int nBlockHeight;
    RECT rcShell;
};

SLayout LayoutOf(const SConnector& c) {
    SLayout l{};
    const int nRows = static_cast<int>(std::max(c.left.size(), c.right.size()));
    const int nNotes = static_cast<int>(c.notes.size());
    const int yLast = c.nHeight - 78 - 10 * nNotes;  // room for the shell, the notes and two legend rows
    const bool bBlocks = !c.left.empty() && c.left.front().nPin == 0;
    l.yFirst = c.nTop + kFirstRowY;
    l.nPinRadius = kPinRadius;
    if (bBlocks) {
        l.nBlockWidth = std::min(150, c.nWidth / 2 - 60);
        l.xLeft = c.nWidth / 2 - l.nBlockWidth - 14;
        l.xRight = c.nWidth / 2 + 14;
        l.nPitch = std::min(64, (yLast - l.yFirst) / std::max(1, nRows));
        l.nBlockHeight = l.nPitch - 10;
        l.rcShell =
            RECT{l.xLeft - 16, l.yFirst - 14, l.xRight + l.nBlockWidth + 16, l.yFirst + nRows * l.nPitch + 4};
    } else {
        l.xLeft = c.nWidth / 2 - 25;
        l.xRight = c.nWidth / 2 + 25;
        l.nPitch = std::min(22, (yLast - l.yFirst) / std::max(1, nRows - 1));
        // Rows closer than the pins are high take smaller pins, two pixels apart.
        l.nPinRadius = std::min(kPinRadius, (l.nPitch - 5) / 2);
        const int yEnd = l.yFirst + (nRows - 1) * l.nPitch + l.nPitch * c.nRightStagger / 100;
        l.rcShell = RECT{l.xLeft - 20, l.yFirst - 16, l.xRight + 20, yEnd + 16};
    }
    return l;
}

int RowY(const SConnector& c, const SLayout& l, bool bRight, int nRow) {
    return l.yFirst + nRow * l.nPitch + (bRight ? l.nPitch * c.nRightStagger / 100 : 0);
}

std::uint32_t TextColor(EPinRole role) {
    return role == R::Other ? 0x707070 : role == R::Ground ? kInk : PinoutRoleColor(role);
}

const char* RoleName(EPinRole role) {
    switch (role) {
        case R::TtlOut:
            return "TTL out (ROI code)";
        case R::TtlIn:
            return "TTL in (markers)";
        case R::Analog:
            return "D/A output";
        case R::CounterIrq:
            return "counter/interrupt";
        case R::Pulse:
            return "sync pulse out";
        case R::Ground:
            return "ground";
        default:
            return "not used";
    }
}

void DrawShell(CPixelCanvas& p, const SConnector& c, const RECT& rc) {
    const int h = std::max(1, static_cast<int>(rc.bottom - rc.top));
    for (int y = rc.top; y < rc.bottom; ++y) {
        // A D connector tapers towards its bottom; a terminal strip is square.
        const int inset = c.bDShell ? (y - rc.top) * 8 / h : 0;
        p.FillRect(rc.left + inset, y, rc.right - inset, y + 1, kShell);
        p.FillRect(rc.left + inset, y, rc.left + inset + 2, y + 1, kShellEdge);
        p.FillRect(rc.right - inset - 2, y, rc.right - inset, y + 1, kShellEdge);
    }
    const int inset = c.bDShell ? 8 : 0;
    p.FillRect(rc.left, rc.top, rc.right, rc.top + 2, kShellEdge);
    p.FillRect(rc.left + inset, rc.bottom - 2, rc.right - inset, rc.bottom, kShellEdge);
}

void DrawPin(CPixelCanvas& p, const SConnector& c, const SLayout& l, const SPin& pin, bool bRight, int nRow) {
    const std::uint32_t crPin = pin.role == R::Other ? 0xA8A8A8 : PinoutRoleColor(pin.role);
    const int y = RowY(c, l, bRight, nRow);
    if (pin.nPin == 0) {  // a group block with its name
        const int x = bRight ? l.xRight : l.xLeft;
        p.FillRect(x, y, x + l.nBlockWidth, y + l.nBlockHeight, crPin);
        p.FrameRect(x, y, x + l.nBlockWidth, y + l.nBlockHeight, kShellEdge);
        const std::uint32_t crText = pin.role == R::Other ? kInk : 0xFFFFFF;
        p.Text(x + (l.nBlockWidth - CPixelCanvas::TextWidth(pin.strName.c_str(), 2)) / 2,
               y + (l.nBlockHeight - CPixelCanvas::TextHeight(2)) / 2, pin.strName.c_str(), crText, 2);
        return;
    }
    const int x = bRight ? l.xRight : l.xLeft;
    const int r = l.nPinRadius;
    if (c.bDShell) {
        p.FillCircle(x, y, r + 1, kShellEdge);
        p.FillCircle(x, y, r - 1, crPin);
    } else {
        p.FillRect(x - r - 1, y - r - 1, x + r + 2, y + r + 2, kShellEdge);
        p.FillRect(x - r + 1, y - r + 1, x + r, y + r, crPin);
    }
    const std::string strNumber = std::to_string(pin.nPin);
    const std::string strLabel = bRight ? strNumber + "  " + pin.strName : pin.strName + "  " + strNumber;
    const int yText = y - 3;
    const int xText =
        bRight ? l.rcShell.right + 8 : l.rcShell.left - 8 - CPixelCanvas::TextWidth(strLabel.c_str());
    p.Text(xText, yText, strLabel.c_str(), TextColor(pin.role));
    // A lead from the label to the pin.
    if (bRight) {
        p.FillRect(x + r + 3, y, l.rcShell.right + 5, y + 1, crPin == 0xA8A8A8 ? 0xC8C8C8 : crPin);
    } else {
        p.FillRect(l.rcShell.left - 5, y, x - r - 2, y + 1, crPin == 0xA8A8A8 ? 0xC8C8C8 : crPin);
    }
}

void DrawLegend(CPixelCanvas& p, const SConnector& c) {
    std::vector<EPinRole> roles;
    for (const auto* column : {&c.left, &c.right})
        for (const SPin& pin : *column)
            if (pin.role != R::Other && std::find(roles.begin(), roles.end(), pin.role) == roles.end())
                roles.push_back(pin.role);
    std::sort(roles.begin(), roles.end());
    const int nColumnWidth = (c.nWidth - 20) / 3;
    for (size_t i = 0; i < roles.size(); ++i) {
        const int x = 10 + static_cast<int>(i % 3) * nColumnWidth;
        const int y = c.nHeight - 34 + static_cast<int>(i / 3) * 16;
        p.FillRect(x, y, x + 10, y + 8, PinoutRoleColor(roles[i]));
        p.Text(x + 14, y, RoleName(roles[i]), kInk);
    }
    int y = c.nHeight - 40 - 10 * static_cast<int>(c.notes.size());
    for (const char* pszNote : c.notes) {
        p.Text(10, y, pszNote, 0x505050);
        y += 10;
    }
}

}  // namespace

std::uint32_t PinoutRoleColor(EPinRole role) {
    switch (role) {
        case R::TtlOut:
            return 0xE0502A;
        case R::TtlIn:
            return 0x1E9E4A;
        case R::Analog:
            return 0x2A62D0;
        case R::CounterIrq:
            return 0x9A3CC8;
        case R::Pulse:
            return 0x0096A0;
        case R::Ground:
            return 0x000000;
        default:
            return 0xA8A8A8;
    }
}

BOOL PinoutPinCentre(unsigned nID, int nPin, POINT* pPoint) {
    const SConnector* c = FindConnector(nID);
    if (c == nullptr || nPin <= 0 || pPoint == nullptr) return FALSE;
    const SLayout l = LayoutOf(*c);
    for (bool bRight : {false, true}) {
        const std::vector<SPin>& column = bRight ? c->right : c->left;
        for (size_t i = 0; i < column.size(); ++i) {
            if (column[i].nPin != nPin) continue;
            pPoint->x = bRight ? l.xRight : l.xLeft;
            pPoint->y = RowY(*c, l, bRight, static_cast<int>(i));
            return TRUE;
        }
    }
    return FALSE;
}

std::vector<BYTE> DrawPinoutPicture(unsigned nID) {
    const SConnector* c = FindConnector(nID);
    if (c == nullptr) return {};
    CPixelCanvas p(c->nWidth, c->nHeight, kBackground);
    const SLayout l = LayoutOf(*c);
    p.Text(10, c->nTop + 8, c->pszTitle, kInk, 2);
    p.Text(10, c->nTop + 30, c->pszSubtitle, 0x505050);
    DrawShell(p, *c, l.rcShell);
    for (size_t i = 0; i < c->left.size(); ++i) DrawPin(p, *c, l, c->left[i], false, static_cast<int>(i));
    for (size_t i = 0; i < c->right.size(); ++i) DrawPin(p, *c, l, c->right[i], true, static_cast<int>(i));
    DrawLegend(p, *c);
    return p.ToBmp();
}
