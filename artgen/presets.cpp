// The installed frame presets: "Presets.lst" and one preview picture per record, each built with
// the frame compositor on the sample photo from the textures generated just before. Records 0, 1,
// 3, 4, 5, 6, 10 and 11 are the frames of the "Рамки" menu and look like their captions.
#include "artgen/library.h"

#include "core/error.h"
#include "document/document.h"
#include "document/quiet_platform.h"
#include "frames/compositor.h"
#include "frames/presets.h"

#include <filesystem>

namespace kv::artgen {
namespace {

// Frame builds need a platform only for messages; at build time any message is a fault.
class QuietPlatform final : public TQuietPlatform {
  public:
    TMsgAnswer MessageBox(const std::string& text, TMsgButtons) override { throw Error("artgen: " + text); }
};

const char* TabFolder(int tab) {
    return tab == kTabSpecial ? "STextures/" : tab == kTabMono ? "MTextures/" : "NTextures/";
}

} // namespace

std::vector<PresetSpec> PresetSpecs(const std::string& programFolder) {
    std::string dir = programFolder;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::vector<PresetSpec> out;
    auto add = [&](std::string caption, auto tweak) {
        FrameSettings s;
        tweak(s);
        if (!s.Texture.empty()) s.Texture = dir + TabFolder(s.Tab) + s.Texture;
        if (!s.MatTexture.empty()) s.MatTexture = dir + TabFolder(s.MatTab) + s.MatTexture;
        out.push_back({std::move(caption), s});
    };
    auto strip = [](FrameSettings& s, const char* name) {
        s.Fill = TFrameFill::Textura;
        s.Tab = kTabSpecial;
        s.Texture = name;
    };
    auto plain = [](FrameSettings& s, const char* name, int rtx) {
        s.Fill = TFrameFill::Textura;
        s.Tab = kTabNatural;
        s.Texture = name;
        s.RTX = rtx;
    };
    auto mat = [](FrameSettings& s, int pole, TWinColor c, int form, bool press) {
        s.Matte = true;
        s.Mat = TMatFill::MatColor;
        s.MatSC = c;
        s.Pole = pole;
        s.PhotoForm = form;
        s.Press1 = press;
    };
    // 0
    add("Ярко-синяя простая", [](FrameSettings& s) {
        s.Thicka = 8;
        s.SColor = WinRGB(0, 84, 255);
        s.DWF = 18;
        s.FDE = 45;
    });
    // 1: a translucent band over the photo's edges, blue to pink
    add("Прозрачная градиентная", [](FrameSettings& s) {
        s.InFrama = true;
        s.Fill = TFrameFill::Gradient;
        s.k1 = WinRGB(40, 110, 255);
        s.k2 = WinRGB(235, 60, 150);
        s.Mixer = 110;
        s.InShad = false;
        s.Thicka = 12;
        s.DWF = 8;
        s.FDE = 30;
    });
    // 2
    add("Золотой багет с жемчужником", [&](FrameSettings& s) {
        strip(s, "GoldCovePearls.jpg");
        s.Thicka = 13;
        s.DWF = 6;
        s.FDE = 25;
    });
    // 3
    add("Классическая деревянная", [&](FrameSettings& s) {
        strip(s, "WalnutOgee.jpg");
        s.Thicka = 12;
        s.DWF = 8;
        s.FDE = 30;
        mat(s, 10, WinRGB(238, 230, 212), 0, true);
    });
    // 4: a gradient frame over a mat that follows it, toned lighter
    add("Градиентная двойная", [&](FrameSettings& s) {
        s.Fill = TFrameFill::Gradient;
        s.k1 = WinRGB(20, 60, 150);
        s.k2 = WinRGB(120, 190, 240);
        s.Thicka = 9;
        s.Matte = true;
        s.Mat = TMatFill::Prolong;
        s.MatteTone = 30;
        s.Pole = 10;
        s.Press1 = true;
    });
    // 5: orange frame, mat in the complementary hue
    add("Контрастная оранжевая", [&](FrameSettings& s) {
        s.SColor = WinRGB(255, 120, 0);
        s.Thicka = 9;
        s.Matte = true;
        s.Mat = TMatFill::Prolong;
        s.MatteTone = -40;
        s.Pole = 12;
    });
    // 6
    add("Стильная классическая", [&](FrameSettings& s) {
        strip(s, "BlackGoldLip.jpg");
        s.Thicka = 10;
        s.DWF = 6;
        s.FDE = 30;
        mat(s, 14, WinRGB(246, 244, 238), 0, true);
    });
    // 7
    add("Мраморная", [&](FrameSettings& s) {
        plain(s, "MarbleWhite.jpg", 3);
        s.Thicka = 11;
        s.DWF = 20;
        s.FDE = 40;
    });
    // 8
    add("Серебряный шнур", [&](FrameSettings& s) {
        strip(s, "SilverRope.jpg");
        s.Thicka = 10;
        s.DWF = 6;
        s.FDE = 25;
        mat(s, 10, WinRGB(90, 96, 104), 2, false);
    });
    // 9
    add("Льняное паспарту", [&](FrameSettings& s) {
        strip(s, "OakBead.jpg");
        s.Thicka = 9;
        s.DWF = 6;
        s.FDE = 25;
        s.Matte = true;
        s.Mat = TMatFill::MatTexture;
        s.MatTab = kTabNatural;
        s.MatTexture = "Linen.jpg";
        s.Pole = 14;
        s.Press1 = true;
    });
    // 10
    add("Тонкая однотонная", [](FrameSettings& s) {
        s.Thicka = 3;
        s.SColor = WinRGB(36, 36, 40);
        s.DWF = 4;
        s.FDE = 25;
        s.InBliks = false;
    });
    // 11: wood with the photo fading into a cream mat
    add("Деревянная с размытием", [&](FrameSettings& s) {
        plain(s, "Oak.jpg", 2);
        s.Thicka = 10;
        s.DWF = 16;
        s.FDE = 45;
        mat(s, 16, WinRGB(240, 232, 214), 1, false);
    });
    // 12
    add("Овальная золотая", [&](FrameSettings& s) {
        strip(s, "AntiqueGoldOrnate.jpg");
        s.Thicka = 12;
        s.DWF = 6;
        s.FDE = 25;
        mat(s, 14, WinRGB(24, 58, 40), 3, false);
    });
    // 13
    add("Бордовая фактурная", [&](FrameSettings& s) {
        s.Fill = TFrameFill::Textura;
        s.Tab = kTabMono;
        s.Texture = "Stucco.jpg";
        s.MoColor = WinRGB(120, 20, 36);
        s.RTX = 2;
        s.Thicka = 10;
        s.DWF = 18;
        s.FDE = 50;
    });
    // 14
    add("Вишнёвая фигурная", [&](FrameSettings& s) {
        strip(s, "CherryStep.jpg");
        s.Thicka = 10;
        s.DWF = 6;
        s.FDE = 25;
        mat(s, 16, WinRGB(250, 246, 236), 4, false);
    });
    // 15
    add("Мозаичная чёрная", [&](FrameSettings& s) {
        s.SColor = WinRGB(20, 20, 22);
        s.Thicka = 6;
        mat(s, 14, WinRGB(252, 252, 250), 5, false);
    });
    // 16
    add("Бронзовая рифлёная", [&](FrameSettings& s) {
        strip(s, "BronzeReeded.jpg");
        s.Thicka = 11;
        s.DWF = 6;
        s.FDE = 25;
    });
    // 17
    add("Белая с золотом", [&](FrameSettings& s) {
        strip(s, "WhiteGoldLip.jpg");
        s.Thicka = 11;
        s.DWF = 6;
        s.FDE = 20;
        mat(s, 12, WinRGB(226, 220, 206), 0, true);
    });
    // 18
    add("Пробковая", [&](FrameSettings& s) {
        plain(s, "Cork.jpg", 2);
        s.Thicka = 12;
        s.DWF = 20;
        s.FDE = 40;
    });
    // 19
    add("Медная чеканка", [&](FrameSettings& s) {
        plain(s, "HammeredCopper.jpg", 3);
        s.Thicka = 9;
        s.DWF = 14;
        s.FDE = 40;
        mat(s, 10, WinRGB(32, 34, 36), 0, false);
    });
    return out;
}

static TBitmap32 BuildPresetPreview(const FrameSettings& s, const TBitmap32& photo, const TFrameEnv& env) {
    TDocument doc;
    doc.CleanPhoto = photo;
    doc.SetBasePixels(photo);
    FrameIt(doc, s, FrameThickness(photo.Width(), s.Thicka), env);
    doc.Compose();
    return PresetPreview(doc.Composite);
}

TBitmap32 BuildPresetPreview(const FrameSettings& s, const TBitmap32& photo,
                             const std::string& programFolder) {
    QuietPlatform platform;
    platform.Folder = programFolder;
    TFrameEnv env;
    env.ProgramFolder = programFolder;
    env.Platform = &platform;
    env.Progress = [](int) {};
    return BuildPresetPreview(s, photo, env);
}

int GeneratePresets(const std::string& outDir, const std::string& photoFile) {
    namespace fs = std::filesystem;
    std::string dir = outDir;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    const TBitmap32 photo = codecs::LoadPicture(photoFile);
    QuietPlatform platform;
    platform.Folder = dir;
    TFrameEnv env;
    env.ProgramFolder = dir;
    env.Platform = &platform;
    env.Progress = [](int) {};
    fs::create_directories(fs::path(dir) / kPresetPictureFolder);
    codecs::Bytes records;
    const auto specs = PresetSpecs(dir);
    for (std::size_t k = 0; k < specs.size(); ++k) {
        const FrameSettings& s = specs[k].Settings;
        PresetRecord r = EncodePresetRecord(s);
        records.insert(records.end(), r.begin(), r.end());
        codecs::Bytes bmp = codecs::EncodeBMP32(BuildPresetPreview(s, photo, env));
        codecs::WriteWholeFile((fs::path(dir) / kPresetPictureFolder / PresetPictureName(int(k))).string(),
                               bmp.data(), bmp.size());
    }
    codecs::WriteWholeFile(dir + kPresetFileName, records.data(), records.size());
    return int(specs.size());
}

} // namespace kv::artgen
