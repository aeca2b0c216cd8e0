#pragma once
// TTHumbview: the thumbnail browser model every catalog uses. A scrollable grid of thumbnails of the
// picture files of one folder with one selected entry. The model knows the entries, their reduced
// pictures, the grid geometry, the scroll position, the selection and the keys; the Qt widget
// (ui/thumbview_widget.*) only draws it and forwards events.
//
// Loading: setting `Directory` lists the files and creates every entry with its title at once; the
// pictures are then decoded one file at a time. With `Deferred` false (the default) SetDirectory
// decodes them all before it returns, calling `ProcessMessages` between files; with `Deferred` true
// it returns after the listing and a driver (the widget's timer) calls LoadNext until it says done.
// Each file is decoded at most once per scan, and a new scan ends the previous one.
#include "core/bitmap32.h"
#include "core/geometry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kv {

enum TScrollMode { SMHorizontal = 0, SMVertical = 1 };
enum TAlignView { VTNormal = 0 };
enum TTitlePlacement { T_Down = 0 };

// Keys the grid handles itself.
enum class TThumbKey { Home, End, Left, Right, Up, Down };

struct TThumbEntry {
    std::string FileName; // full path
    std::string Title;    // the file name without its folder
    TBitmap32 Picture;    // the reduced picture (24-bit: alpha 255); empty until loaded or when undecodable
    bool Loaded = false;  // its file has been through the decoder (successfully or not)
    bool Failed = false;  // the file could not be decoded or has no area: an empty placeholder
    std::string ErrorText;
    std::string LastAccess = "Unknown", LastWrite = "Unknown";
    std::uintmax_t FileSize = 0;
};

// What changed, for the widget that draws the model.
enum class TThumbChange { Entries, Picture, Selection, Scroll, Layout };

class TTHumbview {
  public:
    // The nine file masks of a scan, in scan order (matched case-insensitively).
    static const std::vector<std::string>& Masks();

    // Properties (defaults as every catalog uses them, except Size).
    int MaxWidth = 200, MaxHeight = 200;
    int ThumbGap = 4;
    TScrollMode ScrollMode = SMHorizontal;
    TAlignView AlignView = VTNormal;
    TTitlePlacement TitlePlacement = T_Down;
    bool Sorted = true;
    bool AutoScrolling = true;
    bool AutoHandleKeyb = true;
    bool MinMemory = true;
    bool AsButtons = true;
    bool Deferred = false;
    // The masks of a scan ("*.ext", in scan order, matched by extension case-insensitively); empty
    // for the nine of Masks(). A catalog that lists other kinds of files sets its own.
    std::vector<std::string> FileMasks;

    // Size in per cent of MaxWidth x MaxHeight (at least 1); a change recomputes the layout, and the
    // next scan reduces the pictures to the new cell.
    int Size() const { return fSize; }
    void SetSize(int percent);
    int CellWidth() const;  // trunc(MaxWidth / 100 * Size)
    int CellHeight() const; // trunc(MaxHeight / 100 * Size)
    static constexpr int kTitleHeight = 15;

    // Folder. An empty name clears the grid; a missing folder gives an empty grid.
    const std::string& Directory() const { return fDirectory; }
    void SetDirectory(const std::string& folder);
    // Decodes the next entry that has no picture yet: true when one was handled (the progress
    // event fired), false when the scan is complete or stopped.
    bool LoadNext();
    bool Loading() const { return fLoadPos >= 0; }
    void StopLoading();
    // Scan counter: changes with every SetDirectory.
    unsigned Generation() const { return fGeneration; }

    int Count() const { return int(fEntries.size()); }
    const TThumbEntry& Entry(int i) const { return fEntries[std::size_t(i)]; }

    int Selected() const { return fSelected; }
    void SetSelected(int i);          // -1 for none; ignored when the grid is empty or i is out of range
    std::string SelectedFile() const; // "" when nothing is selected
    // Shows the file's folder, then selects the entry whose name equals fileName exactly.
    void SetSelectedFile(const std::string& fileName);

    // Geometry. View size is the whole control (scroll bars included, hence the 20 pixels).
    void SetViewSize(int width, int height);
    int ViewWidth() const { return fViewW; }
    int ViewHeight() const { return fViewH; }
    int Lines() const; // n: rows (SMHorizontal) or columns (SMVertical), at least 1
    // Cell of entry index (0-based) in content coordinates (scroll origin 0, 0).
    TRect CellRect(int index) const;
    // The title strip at the bottom of a cell; the picture is centred in the part above it.
    TRect TitleRect(int index) const;
    int ContentWidth() const;
    int ContentHeight() const;
    // Entry under a point in content coordinates; -1 between cells or past the entries.
    int IndexAtContent(int x, int y) const;

    // Scrolling (content offset of the view's top-left corner), kept within the content.
    int ScrollX() const { return fScrollX; }
    int ScrollY() const { return fScrollY; }
    int ScrollMaxX() const;
    int ScrollMaxY() const;
    void SetScrollPos(int x, int y);
    void ScrollIntoView(int index);

    // Input, in view coordinates.
    void MouseDown(int x, int y);
    bool KeyDown(TThumbKey key); // true when the key was handled

    // Events of the owning dialog.
    std::function<void(int index)> OnClick, OnDblClick;
    std::function<void()> OnStartScan, OnEndScan;
    std::function<void(int index, bool& stop)> OnProgress;
    // Called between files of a synchronous load (the platform's ProcessMessages).
    std::function<void()> ProcessMessages;
    // For the widget: something it draws changed.
    std::function<void(TThumbChange, int index)> OnViewChange;

    void Click(int index) {
        if (OnClick) OnClick(index);
    }
    void DblClick(int index) {
        if (OnDblClick) OnDblClick(index);
    }

    // The reduced size of a picture of width x height in a cell of cellW x cellH: no enlargement;
    // with p = min(cellW / width * 100, cellH / height * 100) it is trunc(width / 100 * p) x
    // trunc(height / 100 * p).
    static void ReducedSize(int width, int height, int cellW, int cellH, int& outW, int& outH);
    // Decodes one file for a thumbnail (PCX and TGA by their own decoders, the rest by the generic
    // loader) and reduces it to fit the cell. Throws kv::Error when it cannot be decoded or has no area.
    static TBitmap32 MakeThumbnail(const std::string& fileName, int cellW, int cellH);

  private:
    void Notify(TThumbChange what, int index = -1);
    void ClearEntries();
    void LoadAll();
    void FinishScan();

    std::string fDirectory;
    std::vector<TThumbEntry> fEntries;
    int fSize = 100;
    int fSelected = -1;
    int fViewW = 0, fViewH = 0;
    int fScrollX = 0, fScrollY = 0;
    int fLoadPos = -1; // next entry to decode; -1 when no scan is running
    unsigned fGeneration = 0;
};

} // namespace kv
