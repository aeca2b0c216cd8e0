#pragma once
// FrameSettings: the values of the side-panel controls that describe the panel frame, and the one
// parameter table beside it (name, caption, range, start value). The panel's ranges, the preset
// reader and `korvalis-batch --frame KEY=VALUE` all read the table, so a range is written once.
#include "core/color32.h"

#include <span>
#include <string>
#include <string_view>

namespace kv {

// How the moulding is filled ("Цвет" / "Градиент" / "Текстура"); the values are the preset bytes.
enum class TFrameFill : int { Cola = 0, Gradient = 1, Textura = 2 };
// How the mat is filled ("Аналогичное" / "Цвет" / "Градиент" / "Текстура").
enum class TMatFill : int { Prolong = 0, MatColor = 1, MatGradient = 2, MatTexture = 3 };

// Texture tabs of the frame and the mat.
constexpr int kTabNatural = 0; // "Основные", folder "NTextures"
constexpr int kTabSpecial = 1; // "Специальные" (strip textures), folder "STextures"
constexpr int kTabMono = 2;    // "Моно", folder "MTextures"

// Windows colour value from channels.
constexpr TWinColor WinRGB(int r, int g, int b) {
    return TWinColor(r & 255) | (TWinColor(g & 255) << 8) | (TWinColor(b & 255) << 16);
}
constexpr TWinColor kStartBlue = WinRGB(0, 128, 255);
constexpr TWinColor kStartPink = WinRGB(231, 24, 128);

struct FrameSettings {
    // "Основные параметры рамки"
    int Thicka = 10;
    int DWF = 22;
    int FDE = 50;
    bool InShad = true;
    bool InBliks = true;
    bool CheckBox1 = true; // linear scaling of a strip-texture frame
    // "Тип и наполнение рамки"
    bool InFrama = false; // false: "Внешняя рамка" (OutFrama) chosen
    int Mixer = 50;
    TFrameFill Fill = TFrameFill::Cola;
    TWinColor SColor = kStartBlue;
    TWinColor k1 = kStartBlue;
    TWinColor k2 = kStartPink;
    int RTX = 2;
    int Tab = kTabNatural;
    std::string Texture; // full path of the frame texture (TeNamo)
    TWinColor MoColor = kStartBlue;
    // "Фон под рамкой"
    bool Matte = false;
    bool Press1 = false;
    int Pole = 10;
    int PhotoForm = 0;
    TMatFill Mat = TMatFill::Prolong;
    int MatteTone = 0;
    TWinColor MatSC = kStartBlue;
    TWinColor MatK1 = kStartBlue;
    TWinColor MatK2 = kStartPink;
    int MatTab = kTabNatural;
    std::string MatTexture; // full path of the mat texture (MTeNamo)
    TWinColor Panel12 = kStartBlue;

    bool operator==(const FrameSettings&) const = default;

    // `Matte` is enabled only for the outer frame, so an inner frame never gets a mat, whatever a
    // stored preset says.
    bool MatBuilt() const { return Matte && !InFrama; }
};

enum class TParamKind { Integer, Flag, Colour, Choice, Text };

// One parameter of FrameSettings. Integer and Choice values lie in Min..Max; Flag is 0..1;
// Colour is any 0x00BBGGRR value; Text has no range. Choice parameters take their value by name
// on the command line (Names: "Cola|Gradient|Textura"); Items are the panel's captions.
struct FrameParam {
    std::string_view Name;
    std::string_view Caption;
    TParamKind Kind;
    int Min, Max;
    long long Start;
    std::string_view Names; // Choice: value names separated by '|'
    std::string_view Items; // list/radio item captions separated by '|' (may be empty)
    long long (*Get)(const FrameSettings&);
    void (*Set)(FrameSettings&, long long);
    std::string FrameSettings::*TextField; // Text parameters only
};

// Every field of FrameSettings, in panel order.
std::span<const FrameParam> FrameParams();
// The parameter of that name (case-sensitive), or null.
const FrameParam* FindFrameParam(std::string_view name);

// The value limited to the parameter's range (Colour: the low three bytes).
long long ClampToRange(const FrameParam& p, long long value);

// Sets one field from its text as `korvalis-batch --frame` takes it: integers in decimal, flags
// 0/1 (also "true"/"false", "on"/"off"), colours as RRGGBB hex, choices by name (or index),
// text as is. An unknown key or a value out of range throws kv::Error naming the key.
void SetFrameParam(FrameSettings& s, std::string_view key, std::string_view value);
// Applies "KEY=VALUE,KEY=VALUE,..." in order; on an error nothing is changed.
void SetFrameParams(FrameSettings& s, std::string_view list);

// Frame thickness in pixels for a clean photo of width w: round(w·Thicka/100), halves to even.
int FrameThickness(int cleanWidth, int thicka);

// Item captions of the panel's lists.
inline constexpr std::string_view kRtxItems[5] = {"Не изменять размер текстуры", "10% от ширины изображения",
                                                  "15% от ширины изображения", "20% от ширины изображения",
                                                  "25% от ширины изображения"};
inline constexpr std::string_view kPhotoFormItems[6] = {
    "Прямоугольник",  "Размытый прямогольник", "Закруглённый прямоугольник",
    "Овальная форма", "Сложная форма",         "Мозаичная форма"};

} // namespace kv
