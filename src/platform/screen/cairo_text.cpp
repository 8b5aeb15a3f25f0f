#include "platform/screen/cairo_text.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <sys/stat.h>
#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kPinnedFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kLargestHeight = 1000;  // font heights are clamped to 1 .. this
// The em size per pixel of font height. The program's windows are laid out for dialog base units of
// 6 x 13 pixels at its 8-point font, the widths of the face it was designed with; DejaVu Sans at the full
// height is about a sixth wider, so that labels would be cut at their controls' ends. At this scale its
// mean letter width gives the same base units, and the texts fit as they were designed to.
constexpr double kEmPerPixelHeight = 0.86;

int Clamp(int nFontHeight) {
    return std::clamp(nFontHeight, 1, kLargestHeight);
}

}  // namespace

std::string AfxLatin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

CCairoTextMeasurer::CCairoTextMeasurer() {
    struct stat st {};
    if (stat(kPinnedFile, &st) == 0) {
        FcPattern* pat = FcPatternCreate();
        FcPatternAddString(pat, FC_FILE, reinterpret_cast<const FcChar8*>(kPinnedFile));
        FcPatternAddInteger(pat, FC_INDEX, 0);
        m_pFace = cairo_ft_font_face_create_for_pattern(pat);
        FcPatternDestroy(pat);
        m_bPinned = cairo_font_face_status(m_pFace) == CAIRO_STATUS_SUCCESS;
    }
    if (!m_bPinned) {
        if (m_pFace) cairo_font_face_destroy(m_pFace);
        m_pFace =
            cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    }
    m_pOptions = cairo_font_options_create();
    cairo_font_options_set_hint_style(m_pOptions, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(m_pOptions, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(m_pOptions, CAIRO_ANTIALIAS_GRAY);
}

CCairoTextMeasurer::~CCairoTextMeasurer() {
    for (auto& [h, p] : m_scaled) cairo_scaled_font_destroy(p);
    cairo_font_options_destroy(m_pOptions);
    cairo_font_face_destroy(m_pFace);
}

cairo_scaled_font_t* CCairoTextMeasurer::ScaledLocked(int nFontHeight) const {
    const int h = Clamp(nFontHeight);
    auto it = m_scaled.find(h);
    if (it != m_scaled.end()) return it->second;
    cairo_matrix_t font;
    cairo_matrix_t ctm;
    cairo_matrix_init_scale(&font, h * kEmPerPixelHeight, h * kEmPerPixelHeight);
    cairo_matrix_init_identity(&ctm);
    cairo_scaled_font_t* p = cairo_scaled_font_create(m_pFace, &font, &ctm, m_pOptions);
    m_scaled.emplace(h, p);
    return p;
}

int CCairoTextMeasurer::GetLineHeight(const std::string&, int nFontHeight) const {
    std::lock_guard<std::mutex> lock(m_mtx);
    cairo_font_extents_t fe{};
    cairo_scaled_font_extents(ScaledLocked(nFontHeight), &fe);
    return std::max(1, static_cast<int>(std::ceil(fe.ascent + fe.descent)));
}

int CCairoTextMeasurer::GetTextWidth(const std::string&, int nFontHeight, std::string_view text) const {
    if (text.empty()) return 0;
    const int h = Clamp(nFontHeight);
    std::lock_guard<std::mutex> lock(m_mtx);
    auto& widths = m_widths[h];
    m_strKey.assign(text);
    if (auto it = widths.find(m_strKey); it != widths.end()) return it->second;
    cairo_text_extents_t te{};
    cairo_scaled_font_text_extents(ScaledLocked(h), AfxLatin1ToUtf8(text).c_str(), &te);
    const int w = static_cast<int>(std::lround(te.x_advance));
    if (widths.size() >= kMostWidthsKept) widths.clear();
    widths.emplace(m_strKey, w);
    return w;
}

int CCairoTextMeasurer::GetAverageCharWidth(const std::string& strFace, int nFontHeight) const {
    // The mean advance of the lower-case letters and the blank.
    static const std::string kSample = "abcdefghijklmnopqrstuvwxyz ";
    const int w = GetTextWidth(strFace, nFontHeight, kSample);
    return std::max(1, (w + static_cast<int>(kSample.size()) / 2) / static_cast<int>(kSample.size()));
}

double CCairoTextMeasurer::GetAscent(int nFontHeight) const {
    std::lock_guard<std::mutex> lock(m_mtx);
    cairo_font_extents_t fe{};
    cairo_scaled_font_extents(ScaledLocked(nFontHeight), &fe);
    return fe.ascent;
}

void CCairoTextMeasurer::SelectFont(cairo_t* cr, int nFontHeight) const {
    std::lock_guard<std::mutex> lock(m_mtx);
    cairo_set_scaled_font(cr, ScaledLocked(nFontHeight));
}

void AfxScreenReleaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}
