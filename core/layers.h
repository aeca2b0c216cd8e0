#pragma once
// Layers over the view's base picture and the ordered collection that owns them.
#include "core/bitmap32.h"
#include "core/geometry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace kv {

class TImgView32;
class TLayerCollection;

// Layer option flags.
constexpr std::uint32_t LOB_VISIBLE = 0x80000000u;      // painted
constexpr std::uint32_t LOB_MOUSE_EVENTS = 0x20000000u; // takes part in hit testing
constexpr std::uint32_t LOB_NO_UPDATE = 0x10000000u;    // property changes do not notify

// How base-picture coordinates map to the destination being painted: x' = x * sx / 65536 + ox.
// The factors are 16.16 fixed point held in 64 bits; identity is 65536 with zero offsets.
struct TViewMapping {
    std::int64_t sx = 65536, isx = 65536, sy = 65536, isy = 65536;
    int ox = 0, oy = 0;
    // Painting into the on-screen buffer (as opposed to an off-screen render); Cropped layers
    // then transfer only what falls inside Viewport.
    bool OnScreen = false;
    TRect Viewport{};
    double ScaleX() const { return double(sx) / 65536.0; }
    double ScaleY() const { return double(sy) / 65536.0; }
};

class TCustomLayer {
  public:
    using PaintHandler = std::function<void(TCustomLayer& sender, TBitmap32& dst)>;
    using MouseDownHandler = std::function<void(TCustomLayer& sender, int button, int x, int y)>;

    explicit TCustomLayer(TLayerCollection& owner);
    virtual ~TCustomLayer() = default;
    TCustomLayer(const TCustomLayer&) = delete;
    TCustomLayer& operator=(const TCustomLayer&) = delete;

    TLayerCollection& LayerCollection() const { return *fCollection; }

    int Tag = 0; // the application's own mark (see the document's tag constants)

    std::uint32_t LayerOptions() const { return fOptions; }
    void SetLayerOptions(std::uint32_t options);
    bool Visible() const { return (fOptions & LOB_VISIBLE) != 0; }
    void SetVisible(bool v);

    int Index() const;
    // Clamped to 0..count-1; the other layers shift. The current index does nothing.
    void SetIndex(int i);
    void SendToBack() { SetIndex(0); }
    void BringToFront();

    PaintHandler OnPaint;
    MouseDownHandler OnMouseDown;

    // Paints the layer's own content, then the paint handler.
    void PaintLayer(TBitmap32& dst, const TViewMapping& m);
    // View point (x, y) lies on the layer.
    virtual bool HitTest(int x, int y) const;
    void MouseDown(int button, int x, int y);

    // Reports a property change to the collection (unless LOB_NO_UPDATE is set).
    void Changed();

  protected:
    virtual void Paint(TBitmap32& dst, const TViewMapping& m);
    std::uint32_t fOptions = LOB_VISIBLE;

  private:
    TLayerCollection* fCollection;
};

class TPositionedLayer : public TCustomLayer {
  public:
    explicit TPositionedLayer(TLayerCollection& owner);

    const TFloatRect& Location() const { return fLocation; }
    void SetLocation(const TFloatRect& r);
    bool Scaled() const { return fScaled; }
    void SetScaled(bool s);

    // Location in view coordinates for the collection's current mapping (Scaled), else Location.
    TFloatRect GetAdjustedLocation() const;
    TFloatRect GetAdjustedLocation(const TViewMapping& m) const;
    // The adjusted location rounded to whole pixels, each edge half to even.
    TRect GetAdjustedRect(const TViewMapping& m) const;

    bool HitTest(int x, int y) const override;

  private:
    TFloatRect fLocation{0, 0, 64, 64};
    bool fScaled = false;
};

class TBitmapLayer : public TPositionedLayer {
  public:
    explicit TBitmapLayer(TLayerCollection& owner);
    ~TBitmapLayer() override;

    // The layer's picture; every change of it notifies the collection.
    TBitmap32 Bitmap;

    bool Cropped() const { return fCropped; }
    void SetCropped(bool c);
    // Hit testing also requires the picture pixel under the point to have alpha above zero.
    bool AlphaHit() const { return fAlphaHit; }
    void SetAlphaHit(bool a);

    bool HitTest(int x, int y) const override;

  protected:
    void Paint(TBitmap32& dst, const TViewMapping& m) override;

  private:
    int fSubscription = 0;
    bool fCropped = false;
    bool fAlphaHit = false;
};

// The ordered layer list of one view; index 0 is painted first. Owns its layers.
class TLayerCollection {
  public:
    explicit TLayerCollection(TImgView32* owner = nullptr);
    ~TLayerCollection();
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    TImgView32* Owner() const { return fOwner; }
    int Count() const { return int(fItems.size()); }
    TCustomLayer& Items(int i) const { return *fItems[std::size_t(i)]; }
    TCustomLayer& operator[](int i) const { return Items(i); }
    int IndexOf(const TCustomLayer* layer) const; // -1 when not in this collection

    // Creates a layer at the top and notifies.
    template <class T, class... Args> T& Add(Args&&... args) {
        static_assert(std::is_base_of_v<TCustomLayer, T>);
        auto p = std::make_unique<T>(*this, std::forward<Args>(args)...);
        T& ref = *p;
        fItems.push_back(std::move(p));
        Changed();
        return ref;
    }
    // Destroys the layer and notifies; a layer of another collection (or none) is ignored.
    void Delete(TCustomLayer* layer);
    void Delete(int index);
    void Remove(TCustomLayer* layer) { Delete(layer); }
    // Destroys every layer, top one first, with one notification.
    void Clear();

    // Mapping of the owner view's current paint (identity without a view).
    TViewMapping Mapping() const;

    // Topmost visible layer with mouse events that the view point hits, or null.
    TCustomLayer* FindLayerAt(int x, int y) const;

    // Change notification (layer added, removed, moved or changed).
    using ChangeHandler = std::function<void()>;
    int Subscribe(ChangeHandler h);
    void Unsubscribe(int id);
    // Called just before a layer is destroyed, so holders of plain pointers can let go.
    using RemovingHandler = std::function<void(TCustomLayer& layer)>;
    int SubscribeRemoving(RemovingHandler h);
    void UnsubscribeRemoving(int id);

    void BeginUpdate() { ++fUpdateCount; }
    void EndUpdate();
    void Changed();

    // Paints the visible layers bottom to top.
    void PaintLayers(TBitmap32& dst, const TViewMapping& m);

  private:
    friend class TCustomLayer;
    void MoveLayer(int from, int to);
    void NotifyRemoving(TCustomLayer& layer);

    TImgView32* fOwner;
    std::vector<std::unique_ptr<TCustomLayer>> fItems;
    int fUpdateCount = 0;
    bool fPending = false;
    bool fDestroying = false;
    template <class F> struct Observer {
        int id;
        F fn;
    };
    std::vector<Observer<ChangeHandler>> fObservers;
    std::vector<Observer<RemovingHandler>> fRemovingObservers;
    int fNextId = 1;
};

} // namespace kv
