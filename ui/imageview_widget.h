#pragma once
// ImageViewWidget: shows a document's TImgView32 and forwards the window system's events to it.
// It owns nothing of the picture: it hands the view its client size and scroll position, asks it to
// paint into its paint buffer and copies that buffer to the screen. Wheel turns go to the zoom
// handlers of the main window model (document/zoom.h).
#include "core/geometry.h"

#include <QAbstractScrollArea>

namespace kv {
class TDocument;
struct TZoomModel;
} // namespace kv

namespace kv::ui {

class ImageViewWidget : public QAbstractScrollArea {
    Q_OBJECT
  public:
    ImageViewWidget(TDocument& doc, TZoomModel& zoom, QWidget* parent = nullptr);
    ~ImageViewWidget() override;

    TDocument& Document() { return fDoc; }

  signals:
    // A zoom handler ran (the combo model's text may have changed).
    void zoomChanged();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void ViewChanged();
    void SyncScrollBars();

    TDocument& fDoc;
    TZoomModel& fZoom;
    int fSubscription = 0;
    int fWheelRemainder = 0; // angle delta not yet turned into a step (fine-grained wheels)
    float fLastScale = 1.0f;
    TRect fLastRect{}; // where the picture lay at fLastScale, for zooming about the centre
    bool fSyncing = false;
};

} // namespace kv::ui
