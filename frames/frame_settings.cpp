#include "frames/frame_settings.h"

#include "core/error.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kv {

namespace {

#define KV_INT(field)                                                                                        \
    [](const FrameSettings& s) -> long long { return s.field; },                                             \
        [](FrameSettings& s, long long v) { s.field = int(v); }, nullptr
#define KV_FLAG(field)                                                                                       \
    [](const FrameSettings& s) -> long long { return s.field ? 1 : 0; },                                     \
        [](FrameSettings& s, long long v) { s.field = v != 0; }, nullptr
#define KV_COLOUR(field)                                                                                     \
    [](const FrameSettings& s) -> long long { return s.field; },                                             \
        [](FrameSettings& s, long long v) { s.field = TWinColor(v) & 0xFFFFFFu; }, nullptr
#define KV_ENUM(field, type)                                                                                 \
    [](const FrameSettings& s) -> long long { return int(s.field); },                                        \
        [](FrameSettings& s, long long v) { s.field = type(int(v)); }, nullptr
#define KV_TEXT(field) nullptr, nullptr, &FrameSettings::field

using K = TParamKind;

const std::array<FrameParam, 28> kParams{{
    {"Thicka", "Толщина рамки", K::Integer, 1, 35, 10, "", "", KV_INT(Thicka)},
    {"DWF", "Ширина подъёма", K::Integer, 1, 90, 22, "", "", KV_INT(DWF)},
    {"FDE", "Глубина подъёма", K::Integer, 1, 100, 50, "", "", KV_INT(FDE)},
    {"InShad", "Внутренняя тень", K::Flag, 0, 1, 1, "", "", KV_FLAG(InShad)},
    {"InBliks", "Внутренние блики", K::Flag, 0, 1, 1, "", "", KV_FLAG(InBliks)},
    {"CheckBox1", "Интерполяция", K::Flag, 0, 1, 1, "", "", KV_FLAG(CheckBox1)},
    {"InFrama", "Внутренняя рамка", K::Flag, 0, 1, 0, "", "Внешняя рамка|Внутренняя рамка", KV_FLAG(InFrama)},
    {"Mixer", "Тонирование", K::Integer, 1, 150, 50, "", "", KV_INT(Mixer)},
    {"Fill", "Тип и наполнение рамки", K::Choice, 0, 2, 0, "Cola|Gradient|Textura", "Цвет|Градиент|Текстура",
     KV_ENUM(Fill, TFrameFill)},
    {"SColor", "Цвет", K::Colour, 0, 0xFFFFFF, kStartBlue, "", "", KV_COLOUR(SColor)},
    {"k1", "Градиент", K::Colour, 0, 0xFFFFFF, kStartBlue, "", "", KV_COLOUR(k1)},
    {"k2", "Градиент", K::Colour, 0, 0xFFFFFF, kStartPink, "", "", KV_COLOUR(k2)},
    {"RTX", "Размер текстуры", K::Integer, 0, 4, 2, "", "", KV_INT(RTX)},
    {"Tab", "Текстура рамки", K::Integer, 0, 2, 0, "", "Основные|Специальные|Моно", KV_INT(Tab)},
    {"Texture", "Текстура рамки", K::Text, 0, 0, 0, "", "", KV_TEXT(Texture)},
    {"MoColor", "Цвет", K::Colour, 0, 0xFFFFFF, kStartBlue, "", "", KV_COLOUR(MoColor)},
    {"Matte", "Поля под рамкой", K::Flag, 0, 1, 0, "", "", KV_FLAG(Matte)},
    {"Press1", "Вдавливание фото", K::Flag, 0, 1, 0, "", "", KV_FLAG(Press1)},
    {"Pole", "Ширина полей", K::Integer, 1, 50, 10, "", "", KV_INT(Pole)},
    {"PhotoForm", "Форма фото", K::Integer, 0, 5, 0, "", "", KV_INT(PhotoForm)},
    {"Mat", "Фон под рамкой", K::Choice, 0, 3, 0, "Prolong|MatColor|MatGradient|MatTexture",
     "Аналогичное|Цвет|Градиент|Текстура", KV_ENUM(Mat, TMatFill)},
    {"MatteTone", "по контрасту|по светлоте", K::Integer, -50, 50, 0, "", "", KV_INT(MatteTone)},
    {"MatSC", "Цвет", K::Colour, 0, 0xFFFFFF, kStartBlue, "", "", KV_COLOUR(MatSC)},
    {"MatK1", "Градиент", K::Colour, 0, 0xFFFFFF, kStartBlue, "", "", KV_COLOUR(MatK1)},
    {"MatK2", "Градиент", K::Colour, 0, 0xFFFFFF, kStartPink, "", "", KV_COLOUR(MatK2)},
    {"MatTab", "Текстура фона", K::Integer, 0, 2, 0, "", "Основные|Специальные|Моно", KV_INT(MatTab)},
    {"MatTexture", "Текстура фона", K::Text, 0, 0, 0, "", "", KV_TEXT(MatTexture)},
    {"Panel12", "Цвет", K::Colour, 0, 0xFFFFFF, kStartBlue, "", "", KV_COLOUR(Panel12)},
}};

#undef KV_INT
#undef KV_FLAG
#undef KV_COLOUR
#undef KV_ENUM
#undef KV_TEXT

std::string_view Trim(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    return v;
}

bool ParseInteger(std::string_view v, long long& out, int base = 10) {
    if (v.empty()) return false;
    bool negative = false;
    if (base == 10 && (v.front() == '-' || v.front() == '+')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    if (v.empty()) return false;
    long long x = 0;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), x, base);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size()) return false;
    out = negative ? -x : x;
    return true;
}

[[noreturn]] void BadValue(std::string_view key, std::string_view value, const std::string& why) {
    throw Error("--frame: " + std::string(key) + "=" + std::string(value) + ": " + why);
}

} // namespace

std::span<const FrameParam> FrameParams() {
    return kParams;
}

const FrameParam* FindFrameParam(std::string_view name) {
    for (const FrameParam& p : FrameParams())
        if (p.Name == name) return &p;
    return nullptr;
}

long long ClampToRange(const FrameParam& p, long long value) {
    switch (p.Kind) {
    case K::Colour:
        return value & 0xFFFFFF;
    case K::Text:
        return value;
    default:
        return std::clamp<long long>(value, p.Min, p.Max);
    }
}

void SetFrameParam(FrameSettings& s, std::string_view key, std::string_view value) {
    key = Trim(key);
    value = Trim(value);
    const FrameParam* p = FindFrameParam(key);
    if (!p) throw Error("--frame: unknown key \"" + std::string(key) + "\"");
    long long v = 0;
    switch (p->Kind) {
    case K::Text:
        s.*(p->TextField) = std::string(value);
        return;
    case K::Flag:
        if (value == "1" || value == "true" || value == "on")
            v = 1;
        else if (value == "0" || value == "false" || value == "off")
            v = 0;
        else
            BadValue(key, value, "expected 0 or 1");
        break;
    case K::Colour: {
        std::string_view hex = value;
        if (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
        if (hex.size() != 6 || !ParseInteger(hex, v, 16)) BadValue(key, value, "expected a colour RRGGBB");
        // RRGGBB as written to a Windows value 0x00BBGGRR.
        v = WinRGB(int((v >> 16) & 255), int((v >> 8) & 255), int(v & 255));
        break;
    }
    case K::Choice: {
        int index = 0;
        bool found = false;
        std::string_view names = p->Names;
        while (!names.empty()) {
            const std::size_t bar = names.find('|');
            const std::string_view name = names.substr(0, bar);
            if (name == value) {
                found = true;
                break;
            }
            ++index;
            names = bar == std::string_view::npos ? std::string_view{} : names.substr(bar + 1);
        }
        if (found)
            v = index;
        else if (!ParseInteger(value, v))
            BadValue(key, value, "expected one of " + std::string(p->Names));
        if (v < p->Min || v > p->Max) BadValue(key, value, "expected one of " + std::string(p->Names));
        break;
    }
    case K::Integer:
        if (!ParseInteger(value, v)) BadValue(key, value, "expected an integer");
        if (v < p->Min || v > p->Max)
            BadValue(key, value, "out of range " + std::to_string(p->Min) + ".." + std::to_string(p->Max));
        break;
    }
    p->Set(s, v);
}

void SetFrameParams(FrameSettings& settings, std::string_view list) {
    // All or nothing: a bad item leaves the settings as they were.
    FrameSettings s = settings;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (Trim(item).empty()) continue;
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos)
            throw Error("--frame: expected KEY=VALUE, got \"" + std::string(item) + "\"");
        SetFrameParam(s, item.substr(0, eq), item.substr(eq + 1));
    }
    settings = s;
}

int FrameThickness(int cleanWidth, int thicka) {
    return RoundI(double(cleanWidth) * thicka / 100.0);
}

} // namespace kv
