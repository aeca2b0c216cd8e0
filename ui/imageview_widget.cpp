#include "ui/imageview_widget.h"

#include "core/imgview.h"
#include "document/document.h"
#include "document/zoom.h"

#include <algorithm>
#include <cmath>

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QWheelEvent>

namespace kv::ui {

ImageViewWidget::ImageViewWidget(TDocument& doc, TZoomModel& zoom, QWidget* parent)
    : QAbstractScrollArea(parent), fDoc(doc), fZoom(zoom) {
    // The view model always keeps room for both scroll bars, so they are always shown.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::WheelFocus);
    viewport()->setMouseTracking(true); // moves without a button reach the colour sampler
    fLastScale = fDoc.ImgView.Scale();
    fSubscription = fDoc.ImgView.SubscribeChange([this] { ViewChanged(); });
    fDoc.ImgView.OnInvalidate = [this] { viewport()->update(); };
}

ImageViewWidget::~ImageViewWidget() {
    fDoc.ImgView.UnsubscribeChange(fSubscription);
    fDoc.ImgView.OnInvalidate = nullptr;
}

void ImageViewWidget::ViewChanged() {
    TImgView32& v = fDoc.ImgView;
    // Zooming keeps the picture point at the centre of the viewport where it is.
    if (v.Scale() != fLastScale) {
        const double k = double(v.Scale()) / double(fLastScale);
        const TRect before = fLastRect;
        fLastScale = v.Scale();
        if (!before.IsEmpty()) {
            TRect vp = v.GetViewportRect();
            double ex = (vp.Width() / 2.0 - before.Left) * k, ey = (vp.Height() / 2.0 - before.Top) * k;
            v.SetScrollPos(int(std::lround(ex - vp.Width() / 2.0)), int(std::lround(ey - vp.Height() / 2.0)));
        }
    }
    fLastRect = v.GetBitmapRect();
    SyncScrollBars();
    viewport()->update();
}

void ImageViewWidget::SyncScrollBars() {
    TImgView32& v = fDoc.ImgView;
    TRect vp = v.GetViewportRect();
    fSyncing = true;
    horizontalScrollBar()->setRange(0, v.ScrollMaxX());
    horizontalScrollBar()->setPageStep(std::max(1, vp.Width()));
    horizontalScrollBar()->setSingleStep(std::max(1, vp.Width() / 20));
    horizontalScrollBar()->setValue(v.ScrollX());
    verticalScrollBar()->setRange(0, v.ScrollMaxY());
    verticalScrollBar()->setPageStep(std::max(1, vp.Height()));
    verticalScrollBar()->setSingleStep(std::max(1, vp.Height() / 20));
    verticalScrollBar()->setValue(v.ScrollY());
    fSyncing = false;
}

int ImageViewWidget::DevicePixels(int logical) const {
    return int(std::lround(logical * devicePixelRatioF()));
}

void ImageViewWidget::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    // The model's client area includes the scroll bars; its viewport is then exactly ours. The model
    // counts device pixels, so at 100 % one picture pixel is one screen pixel on a HiDPI screen too.
    int bar = DevicePixels(verticalScrollBar()->sizeHint().width());
    fDoc.ImgView.SetScrollBarSize(bar);
    fDoc.ImgView.SetClientSize(DevicePixels(viewport()->width()) + bar,
                               DevicePixels(viewport()->height()) + bar);
    fLastRect = fDoc.ImgView.GetBitmapRect();
    SyncScrollBars();
    viewport()->update();
}

void ImageViewWidget::scrollContentsBy(int, int) {
    if (fSyncing) return;
    fDoc.ImgView.SetScrollPos(horizontalScrollBar()->value(), verticalScrollBar()->value());
    fLastRect = fDoc.ImgView.GetBitmapRect();
    viewport()->update();
}

void ImageViewWidget::paintEvent(QPaintEvent*) {
    TImgView32& v = fDoc.ImgView;
    v.Paint();
    const TBitmap32& buf = v.Buffer();
    QPainter p(viewport());
    if (buf.Empty()) {
        p.fillRect(viewport()->rect(), QColor(0x80, 0x80, 0x80));
        return;
    }
    // TColor32 in memory is Qt's 32-bit layout on little-endian machines. The screen shows the colour
    // channels only (RGB32): the base picture was copied opaque over grey, so its transparent pixels
    // show their own colours, as the paint stages define.
    QImage img(reinterpret_cast<const uchar*>(buf.Bits()), buf.Width(), buf.Height(),
               qsizetype(buf.Width()) * 4, QImage::Format_RGB32);
    const qreal dpr = devicePixelRatioF();
    img.setDevicePixelRatio(dpr);
    p.drawImage(0, 0, img);
    // Beyond the paint buffer (a viewport larger than the model's, for a moment while resizing) the
    // stage is grey as well.
    const QRect painted(0, 0, int(buf.Width() / dpr), int(buf.Height() / dpr));
    const QRegion rest = QRegion(viewport()->rect()).subtracted(painted);
    for (const QRect& r : rest)
        p.fillRect(r, QColor(0x80, 0x80, 0x80));
}

namespace {
TViewMouse MouseOf(const QMouseEvent* e, TViewMouse::TButton button, qreal dpr) {
    TViewMouse m;
    const QPoint pt = (e->position() * dpr).toPoint(); // the model's device pixels
    m.X = pt.x();
    m.Y = pt.y();
    m.Button = button;
    m.Shift = e->modifiers() & Qt::ShiftModifier;
    m.Ctrl = e->modifiers() & Qt::ControlModifier;
    m.Alt = e->modifiers() & Qt::AltModifier;
    m.LeftHeld = e->buttons() & Qt::LeftButton;
    return m;
}
TViewMouse::TButton ButtonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return TViewMouse::Left;
    case Qt::RightButton:
        return TViewMouse::Right;
    case Qt::MiddleButton:
        return TViewMouse::Middle;
    default:
        return TViewMouse::None;
    }
}
} // namespace

void ImageViewWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier && OnDeleteKey) {
        OnDeleteKey();
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e); // arrows and pages scroll
}

void ImageViewWidget::mouseMoveEvent(QMouseEvent* e) {
    if (OnViewMouseMove) OnViewMouseMove(MouseOf(e, TViewMouse::None, devicePixelRatioF()));
    e->accept();
}

void ImageViewWidget::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (OnViewMouseDown) OnViewMouseDown(MouseOf(e, ButtonOf(e->button()), devicePixelRatioF()));
    e->accept();
}

void ImageViewWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (OnViewMouseUp) OnViewMouseUp(MouseOf(e, ButtonOf(e->button()), devicePixelRatioF()));
    e->accept();
}

void ImageViewWidget::wheelEvent(QWheelEvent* e) {
    // A turn away from the user is "up" (zoom out); towards the user is "down" (zoom in).
    fWheelRemainder += e->angleDelta().y();
    bool any = false;
    while (fWheelRemainder >= 120) {
        fWheelRemainder -= 120;
        ImgViewMouseWheelUp(fZoom, fDoc);
        any = true;
    }
    while (fWheelRemainder <= -120) {
        fWheelRemainder += 120;
        ImgViewMouseWheelDown(fZoom, fDoc);
        any = true;
    }
    e->accept();
    if (any) emit zoomChanged();
}

} // namespace kv::ui
