// Text through Pango: layout, alignment, word wrapping and the ellipsis.
#include "platform/draw/dc.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>

#include "platform/draw/face_width.h"
#include "platform/draw/text_trace.h"

namespace platform {
namespace {

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};

PangoFontDescription* Describe(const Font& font, double pixelSize)
{
    PangoFontDescription* fd = pango_font_description_new();
    pango_font_description_set_family(fd, font.Face().c_str());
    pango_font_description_set_absolute_size(fd, pixelSize * PANGO_SCALE);
    pango_font_description_set_weight(fd, static_cast<PangoWeight>(font.Weight()));
    pango_font_description_set_style(fd, font.Italic() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return fd;
}

void SetSize(PangoLayout* layout, const Font& font, double pixelSize)
{
    PangoFontDescription* fd = Describe(font, pixelSize);
    pango_layout_set_font_description(layout, fd);
    pango_font_description_free(fd);
}

// The underline and the language of the character set, over the whole text.
void SetAttributes(PangoLayout* layout, const Font& font)
{
    const std::string language = font.Language();
    if (!font.Underline() && language.empty())
        return;
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.Underline())
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (!language.empty())
        pango_attr_list_insert(attrs, pango_attr_language_new(pango_language_from_string(language.c_str())));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
}

// The language the layout's text carries, as the trace reports it.
std::string LayoutLanguage(PangoLayout* layout)
{
    PangoAttrList* attrs = pango_layout_get_attributes(layout);
    if (!attrs)
        return std::string();
    PangoAttrIterator* it = pango_attr_list_get_iterator(attrs);
    std::string language;
    if (auto* attr = reinterpret_cast<PangoAttrLanguage*>(pango_attr_iterator_get(it, PANGO_ATTR_LANGUAGE)))
        language = pango_language_to_string(attr->value);
    pango_attr_iterator_destroy(it);
    return language;
}

// Texts are UTF-8; anything else is shown with replacement characters
// rather than handed to Pango as is.
std::string ValidUtf8(const std::string& text)
{
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return text;
    gchar* fixed = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string out(fixed);
    g_free(fixed);
    return out;
}

// The lines' ink boxes, placed with the layout's origin at (x, y).
std::vector<Rect> InkLines(PangoLayout* layout, int x, int y)
{
    std::vector<Rect> lines;
    PangoLayoutIter* it = pango_layout_get_iter(layout);
    do {
        PangoRectangle ink;
        pango_layout_iter_get_line_extents(it, &ink, nullptr);
        pango_extents_to_pixels(&ink, nullptr);
        if (ink.width > 0 && ink.height > 0)
            lines.push_back(RectOfSize(x + ink.x, y + ink.y, ink.width, ink.height));
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    return lines;
}

}  // namespace

int DC::DrawText(const std::string& text, const Rect& rect, uint32_t format)
{
    return DrawOrMeasureText(text, rect, format, true, nullptr);
}

Rect DC::CalcTextRect(const std::string& text, const Rect& rect, uint32_t format)
{
    Rect covered;
    DrawOrMeasureText(text, rect, format, false, &covered);
    return covered;
}

Size DC::GetTextExtent(const std::string& text)
{
    Rect r = CalcTextRect(text, {0, 0, 0, 0}, DT_SINGLELINE | DT_NOCLIP);
    return r.GetSize();
}

int DC::DrawOrMeasureText(const std::string& text, const Rect& rect, uint32_t format, bool draw, Rect* covered)
{
    if (covered)
        *covered = {rect.left, rect.top, rect.left, rect.top};
    if (text.empty())
        return 0;
    // Measuring needs a cairo context even without a target.
    Bitmap scratch;
    cairo_surface_t* surface = nullptr;
    if (IsAttached()) {
        surface = target_->Surface();
    } else {
        scratch = Bitmap(1, 1);
        surface = scratch.Surface();
        draw = false;
    }
    if (IsAttached())
        target_->Flush();
    cairo_t* cr = cairo_create(surface);
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(cr));
    const Font& font = CurrentFont();
    double pixelSize = font.PixelSize() * FaceWidthScale(font.Face(), font.Weight(), font.Italic());
    SetSize(layout.get(), font, pixelSize);
    SetAttributes(layout.get(), font);
    const std::string utf8 = ValidUtf8(text);
    pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));

    const bool single = (format & DT_SINGLELINE) != 0;
    const bool wrapped = !single && (format & DT_WORDBREAK);
    pango_layout_set_single_paragraph_mode(layout.get(), single);
    const int width = rect.Width();
    bool widthSet = false;
    if (width > 0 && (format & DT_END_ELLIPSIS)) {
        pango_layout_set_width(layout.get(), width * PANGO_SCALE);
        pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
        if (wrapped)
            pango_layout_set_height(layout.get(), std::max(1, rect.Height()) * PANGO_SCALE);
        widthSet = true;
    }
    if (width > 0 && wrapped) {
        pango_layout_set_width(layout.get(), width * PANGO_SCALE);
        pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
        widthSet = true;
    }
    if (widthSet) {
        PangoAlignment align = PANGO_ALIGN_LEFT;
        if (format & DT_CENTER)
            align = PANGO_ALIGN_CENTER;
        else if (format & DT_RIGHT)
            align = PANGO_ALIGN_RIGHT;
        pango_layout_set_alignment(layout.get(), align);
    }

    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    if ((format & DT_SHRINKTOFIT) && width > 0) {
        // Whole when nothing is ellipsized, no line is wider than the
        // rectangle and wrapped lines are no taller than it.
        auto whole = [&] {
            return !pango_layout_is_ellipsized(layout.get()) && logical.width <= width &&
                   (!wrapped || logical.height <= rect.Height());
        };
        const double smallest = pixelSize * 0.7;
        while (!whole() && pixelSize > smallest) {
            double next = pixelSize * 0.97;
            if (!widthSet && logical.width > width)
                next = std::min(next, pixelSize * width / logical.width);
            pixelSize = std::max(next, smallest);
            SetSize(layout.get(), font, pixelSize);
            pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
        }
    }
    const int textW = logical.width;
    const int textH = logical.height;

    int x = rect.left;
    if (!widthSet) {
        if (format & DT_CENTER)
            x = rect.left + (width - textW) / 2;
        else if (format & DT_RIGHT)
            x = rect.right - textW;
    }
    int y = rect.top;
    if (single && (format & DT_VCENTER))
        y = rect.top + (rect.Height() - textH) / 2;
    else if (single && (format & DT_BOTTOM))
        y = rect.bottom - textH;

    const int coveredLeft = widthSet ? rect.left + logical.x : x;
    if (covered)
        *covered = RectOfSize(coveredLeft, y, textW, textH);
    if (draw) {
        if (TextTrace* trace = TextTrace::Current()) {
            DrawnText drawn;
            drawn.text = text;
            drawn.format = format;
            drawn.font = font;
            drawn.pixelSize = pixelSize;
            drawn.language = LayoutLanguage(layout.get());
            drawn.ellipsized = pango_layout_is_ellipsized(layout.get());
            drawn.rect = ToSurface(rect);
            drawn.logical = ToSurface(RectOfSize(coveredLeft, y, textW, textH));
            drawn.inkLines = InkLines(layout.get(), x, y);
            for (Rect& line : drawn.inkLines)
                line = ToSurface(line);
            drawn.visible = SurfaceVisible();
            trace->Add(std::move(drawn));
        }
        // Clip: the context's clip, and the text rectangle unless DT_NOCLIP.
        Rect limit = (format & DT_NOCLIP) ? target_->Bounds() : ToTarget(rect);
        bool any = false;
        for (const Rect& c : clip_.Rects()) {
            Rect i = c.Intersect(limit);
            if (i.IsEmpty())
                continue;
            cairo_rectangle(cr, i.left, i.top, i.Width(), i.Height());
            any = true;
        }
        if (any) {
            cairo_clip(cr);
            cairo_translate(cr, origin_.x, origin_.y);
            if (bkMode_ == OPAQUE) {
                cairo_set_source_rgb(cr, GetRValue(bkColour_) / 255.0, GetGValue(bkColour_) / 255.0,
                                     GetBValue(bkColour_) / 255.0);
                cairo_rectangle(cr, coveredLeft, y, textW, textH);
                cairo_fill(cr);
            }
            cairo_set_source_rgb(cr, GetRValue(textColour_) / 255.0, GetGValue(textColour_) / 255.0,
                                 GetBValue(textColour_) / 255.0);
            cairo_move_to(cr, x, y);
            pango_cairo_show_layout(cr, layout.get());
        }
    }
    layout.reset();
    cairo_destroy(cr);
    if (draw)
        target_->MarkDirty();
    return textH;
}

}  // namespace platform
