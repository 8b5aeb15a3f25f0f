#include "platform/screen/screenshot.h"

#include <cairo.h>

#include <set>

#include "platform/screen/cairo_renderer.h"

std::string AfxFileSafeName(const std::string& strText) {
    std::string out;
    for (char ch : strText) {
        const auto c = static_cast<unsigned char>(ch);
        const bool bKeep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.';
        const char put = bKeep ? static_cast<char>(c) : '_';
        if (put == '_' && !out.empty() && out.back() == '_') continue;
        if (put == '.' && out.empty()) continue;  // no hidden files, no "." or ".."
        out += put;
        if (out.size() >= 100) break;
    }
    while (!out.empty() && out.back() == '_' && out.size() > 1) out.pop_back();
    if (out.empty() || out == "_") out = "window";
    return out;
}

std::vector<std::string> AfxWriteScreenshots(const CScreenSnapshot& snap, const std::string& strFolder) {
    std::vector<std::string> written;
    CCairoTextMeasurer measurer;
    CCairoRenderer renderer(measurer);
    std::set<std::string> used;
    for (const CWindowSnapshot& w : snap.windows) {
        if (!w.bVisible) continue;
        cairo_surface_t* s = renderer.RenderToImage(w);
        if (s == nullptr) continue;
        const std::string base = AfxFileSafeName(w.strText);
        std::string name = base;
        for (int n = 2; used.count(name); ++n) name = base + "-" + std::to_string(n);
        used.insert(name);
        const std::string path = strFolder + "/" + name + ".png";
        if (cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS) written.push_back(path);
        cairo_surface_destroy(s);
    }
    return written;
}
