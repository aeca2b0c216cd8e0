#pragma once
// ImageViewWidget: shows a document's TImgView32 and forwards the window system's events to it.
// It owns nothing of the picture: it hands the view its client size and scroll position, asks it to
// paint into its paint buffer and copies that buffer to the screen. Wheel turns go to the zoom
// handlers of the main window model (document/zoom.h).
#include "core/geometry.h"

#include <QAbstractScrollArea>

#include <functional>

namespace kv {
class TDocument;
struct TZoomModel;
} // namespace kv

namespace kv::ui {

// A mouse event over the view in view coordinates (the view model's, see TImgView32::ViewToPicture;
// device pixels).
struct TViewMouse {
    enum TButton { None = 0, Left = 1, Right = 2, Middle = 3 };
    int X = 0, Y = 0;
    TButton Button = None; // the button pressed (mouse down) or None (mouse move)
    bool Shift = false, Ctrl = false, Alt = false;
    bool LeftHeld = false; // the left button is down during a move
};

class ImageViewWidget : public QAbstractScrollArea {
    Q_OBJECT
  public:
    ImageViewWidget(TDocument& doc, TZoomModel& zoom, QWidget* parent = nullptr);
    ~ImageViewWidget() override;

    TDocument& Document() { return fDoc; }

    // Hooks of the main window: the Delete key (reached only when no menu shortcut took it), and
    // mouse moves (with or without a button; colour sampling) and presses (colour picking).
    std::function<void()> OnDeleteKey;
    std::function<void(const TViewMouse&)> OnViewMouseMove;
    std::function<void(const TViewMouse&)> OnViewMouseDown;
    std::function<void(const TViewMouse&)> OnViewMouseUp;

  signals:
    // A zoom handler ran (the combo model's text may have changed).
    void zoomChanged();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    void ViewChanged();
    void SyncScrollBars();
    int DevicePixels(int logical) const;

    TDocument& fDoc;
    TZoomModel& fZoom;
    int fSubscription = 0;
    int fWheelRemainder = 0; // angle delta not yet turned into a step (fine-grained wheels)
    float fLastScale = 1.0f;
    TRect fLastRect{}; // where the picture lay at fLastScale, for zooming about the centre
    bool fSyncing = false;
};

} // namespace kv::ui
