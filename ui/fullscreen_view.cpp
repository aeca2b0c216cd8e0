#include "ui/fullscreen_view.h"

#include "ui/qt_platform.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kv::ui {

FullScreenView::FullScreenView(const TBitmap32& picture, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), fImage(QImageFromBitmap(picture)) {
    setWindowTitle(QStringLiteral("KORVALIS"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::BlankCursor);
    setFocusPolicy(Qt::StrongFocus);
    // Nothing else takes input while the preview is up, so no command reaches the document.
    setWindowModality(Qt::ApplicationModal);
}

QRect FullScreenView::FitRect(QSize picture, QSize area) {
    if (picture.isEmpty() || area.isEmpty()) return QRect();
    const double k =
        std::min(double(area.width()) / picture.width(), double(area.height()) / picture.height());
    const int w = std::max(1, int(std::lround(picture.width() * k)));
    const int h = std::max(1, int(std::lround(picture.height() * k)));
    return QRect((area.width() - w) / 2, (area.height() - h) / 2, w, h);
}

void FullScreenView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (fImage.isNull()) return;
    // Device pixels, so that a HiDPI screen shows the same nearest-pixel enlargement.
    const qreal dpr = devicePixelRatioF();
    const QSize area(int(std::lround(width() * dpr)), int(std::lround(height() * dpr)));
    const QRect r = FitRect(fImage.size(), area);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.scale(1.0 / dpr, 1.0 / dpr);
    p.drawImage(r, fImage);
}

void FullScreenView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void FullScreenView::mousePressEvent(QMouseEvent*) {
    close();
}

void FullScreenView::closeEvent(QCloseEvent* e) {
    e->accept();
    emit closed();
}

void FullScreenView::Run(const TBitmap32& picture, QWidget* parent) {
    FullScreenView view(picture, parent);
    QEventLoop loop;
    connect(&view, &FullScreenView::closed, &loop, &QEventLoop::quit);
    view.showFullScreen();
    view.raise();
    view.activateWindow();
    view.setFocus();
    loop.exec();
}

} // namespace kv::ui
