// The steps on the editor's own commands, the opening and the writing of one file.
#include "app/batch/batch.h"
#include "app/batch/batch_metadata.h"
#include "app/batch/batch_platform.h"

#include "adjust/adjust_commands.h"
#include "adjust/rotate.h"
#include "core/codecs/codecs.h"
#include "core/error.h"
#include "document/history.h"
#include "document/mainform.h"
#include "document/project.h"
#include "effects/effect_commands.h"
#include "effects/effects.h"
#include "frames/frame_commands.h"
#include "frames/frame_settings.h"
#include "frames/presets.h"
#include "frames/textures.h"

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <type_traits>

namespace kv::batch {

namespace fs = std::filesystem;

namespace {

// A texture given by its file name alone is looked up in its tab's folder of the program folder,
// where the panel's thumbnail strips take it from.
void ResolveTexture(std::string& path, int tab, const std::string& programFolder) {
    if (path.empty() || path.find('/') != std::string::npos) return;
    path = programFolder + TextureFolderName(tab) + "/" + path;
}

void ApplyFrameList(FrameSettings& panel, const std::string& list, const std::string& programFolder) {
    const std::string texture = panel.Texture, matTexture = panel.MatTexture;
    SetFrameParams(panel, list);
    if (panel.Texture != texture) ResolveTexture(panel.Texture, panel.Tab, programFolder);
    if (panel.MatTexture != matTexture) ResolveTexture(panel.MatTexture, panel.MatTab, programFolder);
    ApplyPanelRules(panel);
}

// The turns that make a photo stored with this EXIF orientation upright.
void TurnUpright(TBitmap32& picture, int orientation) {
    switch (orientation) {
    case 2:
        MirrorHorizontal(picture);
        break;
    case 3:
        TurnHalf(picture);
        break;
    case 4:
        MirrorVertical(picture);
        break;
    case 5: // transposed
        TurnClockwise(picture);
        MirrorHorizontal(picture);
        break;
    case 6:
        TurnClockwise(picture);
        break;
    case 7: // transversed
        TurnClockwise(picture);
        MirrorVertical(picture);
        break;
    case 8:
        TurnCounterClockwise(picture);
        break;
    default:
        break;
    }
}

codecs::Bytes Encode(TMainForm& form, OutputFormat format, int quality) {
    TDocument& doc = form.Doc;
    if (format == OutputFormat::Project) return EncodeProject(doc);
    // What "Сохранить как..." writes: the composite, made just before writing.
    doc.Compose();
    const TBitmap32& c = doc.Composite;
    switch (format) {
    case OutputFormat::BMP24:
        return codecs::EncodeBMP24(c);
    case OutputFormat::BMP32:
        return codecs::EncodeBMP32(c);
    case OutputFormat::JPEG:
        return codecs::EncodeJPEG(c, quality);
    case OutputFormat::GIF:
        return codecs::EncodeGIF(c, codecs::GifColours::Auto);
    case OutputFormat::PNG:
        return codecs::EncodePNG24(c);
    case OutputFormat::TIFF:
        return codecs::EncodeTIFF(c);
    case OutputFormat::Project:
        break;
    }
    return {};
}

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

void CheckEffectParam(const std::string& name, const std::string& value) {
    TBatchPlatform platform(ExecutableFolder());
    TMainForm form(platform);
    TEffectCommands effects(form);
    effects.SetParam(name, value);
}

void ApplyStep(TMainForm& form, TEffectCommands& effects, const Step& step, const Options& opt,
               FrameSettings& panel) {
    const std::string programFolder = form.Platform.ProgramFolder();
    std::visit(
        Overloaded{
            [&](const ResizeStep& s) { RunImageSize(form, s.width, s.height, s.resample); },
            [&](const FrameStep& s) {
                ApplyFrameList(panel, s.list, programFolder);
                PreviewFrame(form, panel);
            },
            [&](const PresetStep& s) { panel = ApplyPresetFrame(form, opt.presetsFile, s.record, panel); },
            [&](const EffectStep& s) { effects.RunEffect(s.key, s.params); },
            [&](const NoiseStep& s) { effects.RunNoise(s.kind); },
            [&](const SharpenStep& s) { effects.RunSharpen(s.value); },
            [&](const BlurStep& s) { effects.RunBlur(s.value, s.defocus); },
            [&](const BalanceStep& s) { RunColourBalance(form, s.sr, s.sg, s.sb, s.mode); },
            [&](const BrightnessContrastStep& s) {
                RunBrightnessContrast(form, s.brightness.value_or(0), s.contrast.value_or(0));
            },
            [&](const SepiaStep&) { RunSepia(form); },
            [&](const BlackAndWhiteStep&) { RunBlackAndWhite(form); },
            [&](const TintStep& s) { RunOneColourTint(form, s.colour); },
            [&](const RotateStep& s) { RunRotate(form, s.degrees); },
            [&](const FlipStep& s) { RunFlip(form, s.horizontal); },
        },
        step);
}

std::vector<unsigned char> ProcessFile(const Options& opt, const std::string& input, OutputFormat format) {
    // Each file starts from the editor's state at start-up: a fresh window model and dialogs, the
    // panel's start values, and the random source at 0; so the results do not depend on which
    // worker takes the file, or when.
    SetRandomState(0);
    const std::string programFolder = ExecutableFolder();
    TBatchPlatform platform(programFolder);
    TMainForm form(platform);
    form.Folders = ResolveDataFolders(programFolder);
    TFrameCommands frames(form);
    TEffectCommands effects(form);
    TAdjustCommands adjust(form);

    // "Открыть" with the file chosen in its dialog.
    platform.NextOpenName = input;
    form.OpenClick();
    TDocument& doc = form.Doc;
    if (doc.Empty()) throw Error("The picture \"" + input + "\" is empty");

    // A project that takes steps becomes its composite first: the frame commands start from the
    // clean photo and remove the layers, which would drop the project's layered content.
    if (IsProjectName(input) && !opt.steps.empty() && doc.Layers().Count() > 0) {
        doc.Compose();
        TBitmap32 composite;
        composite.Swap(doc.Composite);
        doc.StartNewContent();
        doc.SetBasePixels(composite);
        doc.CleanPhoto.Assign(doc.Base());
        ClearHistory(doc);
    }

    TPhotoMetadata meta;
    if (!IsProjectName(input)) meta = TPhotoMetadata::Read(input);
    if (opt.autoOrient) {
        const int orientation = meta.Orientation();
        if (orientation != 1) {
            // As if the photo had been opened upright.
            TurnUpright(doc.Base(), orientation);
            doc.Base().Changed();
            doc.CleanPhoto.Assign(doc.Base());
        }
        meta.SetUpright();
    }

    FrameSettings panel;
    for (const Step& step : opt.steps) {
        if (InterruptRequested()) throw Interrupted{};
        ApplyStep(form, effects, step, opt, panel);
    }
    if (InterruptRequested()) throw Interrupted{};

    codecs::Bytes bytes = Encode(form, format, opt.quality);
    if (format == OutputFormat::JPEG && !meta.Empty())
        bytes = meta.InsertIntoJpeg(bytes, doc.Composite.Width(), doc.Composite.Height());
    return bytes;
}

void ListPresets(const Options& opt, std::ostream& out) {
    const std::string programFolder = ExecutableFolder();
    const std::string file = opt.presetsFile.empty()
                                 ? PresetFileForReading(ResolveDataFolders(programFolder)).string()
                                 : opt.presetsFile;
    const int count = PresetCount(file);
    auto hex = [](TWinColor c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02X%02X%02X", unsigned(c & 255), unsigned((c >> 8) & 255),
                      unsigned((c >> 16) & 255));
        return std::string(buf);
    };
    out << file << ": " << count << " presets\n";
    for (int k = 0; k < count; ++k) {
        const FrameSettings s = DecodePresetRecord(ReadPresetRecord(file, k), programFolder);
        out << (k < 10 ? " " : "") << k;
        for (const TMenuFrame& f : kMenuFrames)
            if (f.Record == k) out << "  \"" << f.Caption << "\"";
        out << "\n    Thicka=" << s.Thicka << ",DWF=" << s.DWF << ",FDE=" << s.FDE << ",InShad=" << s.InShad
            << ",InBliks=" << s.InBliks << ",InFrama=" << s.InFrama;
        if (s.InFrama) out << ",Mixer=" << s.Mixer;
        switch (s.Fill) {
        case TFrameFill::Cola:
            out << ",Fill=Cola,SColor=" << hex(s.SColor);
            break;
        case TFrameFill::Gradient:
            out << ",Fill=Gradient,k1=" << hex(s.k1) << ",k2=" << hex(s.k2);
            break;
        case TFrameFill::Textura:
            out << ",Fill=Textura,Tab=" << s.Tab << ",Texture=" << fs::path(s.Texture).filename().string()
                << ",RTX=" << s.RTX;
            if (s.Tab == kTabMono) out << ",MoColor=" << hex(s.MoColor);
            break;
        }
        if (s.MatBuilt()) {
            out << ",Matte=1,Pole=" << s.Pole << ",PhotoForm=" << s.PhotoForm << ",Press1=" << s.Press1;
            switch (s.Mat) {
            case TMatFill::Prolong:
                out << ",Mat=Prolong,MatteTone=" << s.MatteTone;
                break;
            case TMatFill::MatColor:
                out << ",Mat=MatColor,MatSC=" << hex(s.MatSC);
                break;
            case TMatFill::MatGradient:
                out << ",Mat=MatGradient,MatK1=" << hex(s.MatK1) << ",MatK2=" << hex(s.MatK2);
                break;
            case TMatFill::MatTexture:
                out << ",Mat=MatTexture,MatTab=" << s.MatTab
                    << ",MatTexture=" << fs::path(s.MatTexture).filename().string();
                if (s.MatTab == kTabMono) out << ",Panel12=" << hex(s.Panel12);
                break;
            }
        }
        out << "\n";
    }
}

} // namespace kv::batch
