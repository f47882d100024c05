#include "platform/draw/face_width.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace platform {
namespace {

// A line of common letters and blanks, as the windows' texts are.
constexpr char kSample[] = "the quick brown fox jumps over the lazy dog";

struct Reference {
    const char* family;  // as Normalised() gives it
    double regularEm;    // the sample's width in em, from the face's advance widths
    double boldEm;
};

// Arial's advance widths; Arial Unicode MS shares them for these letters.
constexpr Reference kReferences[] = {
    {"arial", 19.453, 21.116},
    {"arialunicodems", 19.453, 21.116},
};

// Family names compare as fontconfig compares them: case and blanks aside.
std::string Normalised(const std::string& family)
{
    std::string out;
    for (char c : family)
        if (c != ' ')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The sample's width in em in the face fontconfig gives for the request,
// from the design widths (large and unhinted, as the references are).
double MeasuredEm(const std::string& face, int weight, bool italic)
{
    constexpr double kSize = 1000;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PangoContext* context = pango_cairo_create_context(cr);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* fd = pango_font_description_new();
    pango_font_description_set_family(fd, face.c_str());
    pango_font_description_set_absolute_size(fd, kSize * PANGO_SCALE);
    pango_font_description_set_weight(fd, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(fd, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout, fd);
    pango_font_description_free(fd);
    pango_layout_set_text(layout, kSample, -1);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    g_object_unref(context);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return logical.width / static_cast<double>(PANGO_SCALE) / kSize;
}

}  // namespace

double FaceWidthScale(const std::string& face, int weight, bool italic)
{
    const std::string family = Normalised(face);
    const Reference* reference = nullptr;
    for (const Reference& r : kReferences)
        if (family == r.family)
            reference = &r;
    if (!reference)
        return 1.0;
    const bool bold = weight >= 600;
    const std::string key = family + (bold ? "|b" : "|r") + (italic ? "i" : "");
    static std::mutex lock;
    static std::map<std::string, double> known;
    std::lock_guard<std::mutex> hold(lock);
    auto it = known.find(key);
    if (it == known.end()) {
        const double measured = MeasuredEm(face, bold ? 700 : 400, italic);
        const double wanted = bold ? reference->boldEm : reference->regularEm;
        const double scale = measured > 0 ? std::min(1.0, wanted / measured) : 1.0;
        it = known.emplace(key, scale).first;
    }
    return it->second;
}

}  // namespace platform
