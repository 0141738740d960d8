// A dialog template as the resource compiler built it, DIALOG or DIALOGEX,
// read field by field: the dialog's styles, size, menu, class, caption and
// font record, and every control in template order.
#pragma once

#include <windows.h>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

namespace wintest {

struct DialogItem {
    int id;
    std::string window_class;   // "#128" for a predefined class given by ordinal
    std::string text;           // "#103" for an image given by ordinal
    short x, y, cx, cy;
    DWORD style;
    DWORD ex_style;
};

struct DialogTemplate {
    bool extended;    // DIALOGEX
    DWORD style;
    DWORD ex_style;
    short cx, cy;
    std::string menu;
    std::string window_class;
    std::string caption;
    WORD point_size;  // with DS_SETFONT only
    WORD weight;      // extended templates only
    BYTE italic;      // extended templates only
    BYTE charset;     // extended templates only
    std::string face;
    std::vector<DialogItem> items;
};

namespace detail {

// Reads a name or ordinal field: 0xFFFF and a number, or a zero-ended
// wide string.
inline const WORD *read_name(const WORD *p, std::string *out)
{
    if (*p == 0xFFFF) {
        *out = "#" + std::to_string(p[1]);
        return p + 2;
    }
    out->clear();
    while (*p)
        *out += (char)*p++;
    return p + 1;
}

inline const WORD *align_dword(const WORD *p, const void *base)
{
    size_t offset = (const BYTE *)p - (const BYTE *)base;
    return (const WORD *)((const BYTE *)p + ((4 - offset % 4) % 4));
}

// The extended template header, which the platform headers do not declare.
#pragma pack(push, 1)
struct DlgTemplateEx {
    WORD dlgVer;
    WORD signature;
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    WORD cDlgItems;
    short x, y, cx, cy;
};
struct DlgItemTemplateEx {
    DWORD helpID;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
};
#pragma pack(pop)

} // namespace detail

inline DialogTemplate parse_dialog_template(const void *data)
{
    using detail::read_name;
    DialogTemplate d = {};
    const detail::DlgTemplateEx *ex = (const detail::DlgTemplateEx *)data;
    d.extended = ex->dlgVer == 1 && ex->signature == 0xFFFF;
    WORD count;
    const WORD *p;
    if (d.extended) {
        d.style = ex->style;
        d.ex_style = ex->exStyle;
        d.cx = ex->cx;
        d.cy = ex->cy;
        count = ex->cDlgItems;
        p = (const WORD *)(ex + 1);
    } else {
        const DLGTEMPLATE *t = (const DLGTEMPLATE *)data;
        d.style = t->style;
        d.ex_style = t->dwExtendedStyle;
        d.cx = t->cx;
        d.cy = t->cy;
        count = t->cdit;
        p = (const WORD *)(t + 1);
    }
    p = read_name(p, &d.menu);
    p = read_name(p, &d.window_class);
    p = read_name(p, &d.caption);
    if (d.style & DS_SETFONT) {
        d.point_size = *p++;
        if (d.extended) {
            d.weight = *p++;
            d.italic = LOBYTE(*p);
            d.charset = HIBYTE(*p);
            ++p;
        }
        p = read_name(p, &d.face);
    }
    for (WORD i = 0; i < count; i++) {
        p = detail::align_dword(p, data);
        DialogItem item;
        if (d.extended) {
            const detail::DlgItemTemplateEx *it = (const detail::DlgItemTemplateEx *)p;
            item = { (int)it->id, "", "", it->x, it->y, it->cx, it->cy, it->style, it->exStyle };
            p = (const WORD *)(it + 1);
        } else {
            const DLGITEMTEMPLATE *it = (const DLGITEMTEMPLATE *)p;
            item = { (short)it->id, "", "", it->x, it->y, it->cx, it->cy, it->style, it->dwExtendedStyle };
            p = (const WORD *)(it + 1);
        }
        p = read_name(p, &item.window_class);
        p = read_name(p, &item.text);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        d.items.push_back(item);
    }
    return d;
}

// A template names a predefined class by ordinal or by name, in any case;
// all of them are the same class. The name in capitals.
inline std::string template_class_name(const std::string &name)
{
    static const char *const predefined[] = { "BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX" };
    if (name.size() == 4 && name[0] == '#') {
        int ordinal = atoi(name.c_str() + 1);
        if (ordinal >= 0x80 && ordinal <= 0x85)
            return predefined[ordinal - 0x80];
    }
    std::string upper = name;
    for (char &c : upper)
        c = (char)toupper((unsigned char)c);
    return upper;
}

} // namespace wintest
