// Text through Pango: layout, alignment, word wrapping and the ellipsis.
#include "platform/draw/dc.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>

namespace platform {
namespace {

struct LayoutDeleter {
    void operator()(PangoLayout* l) const { g_object_unref(l); }
};

PangoFontDescription* Describe(const Font& font)
{
    PangoFontDescription* fd = pango_font_description_new();
    pango_font_description_set_family(fd, font.Face().c_str());
    pango_font_description_set_absolute_size(fd, font.PixelSize() * PANGO_SCALE);
    pango_font_description_set_weight(fd, static_cast<PangoWeight>(font.Weight()));
    pango_font_description_set_style(fd, font.Italic() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return fd;
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
    PangoFontDescription* fd = Describe(CurrentFont());
    pango_layout_set_font_description(layout.get(), fd);
    pango_font_description_free(fd);
    if (CurrentFont().Underline()) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout.get(), attrs);
        pango_attr_list_unref(attrs);
    }
    const std::string utf8 = ValidUtf8(text);
    pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));

    const bool single = (format & DT_SINGLELINE) != 0;
    pango_layout_set_single_paragraph_mode(layout.get(), single);
    const int width = rect.Width();
    bool widthSet = false;
    if (width > 0 && (format & DT_END_ELLIPSIS)) {
        pango_layout_set_width(layout.get(), width * PANGO_SCALE);
        pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
        if (!single && (format & DT_WORDBREAK))
            pango_layout_set_height(layout.get(), std::max(1, rect.Height()) * PANGO_SCALE);
        widthSet = true;
    }
    if (width > 0 && !single && (format & DT_WORDBREAK)) {
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

    PangoRectangle ink;
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), &ink, &logical);
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
