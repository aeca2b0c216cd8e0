#include "ui/thumbview_widget.h"

#include "ui/qt_platform.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <qdrawutil.h>

namespace kv::ui {

ThumbviewWidget::ThumbviewWidget(TTHumbview& model, QWidget* parent)
    : QAbstractScrollArea(parent), fModel(model) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    fLoader = new QTimer(this);
    fLoader->setInterval(0);
    connect(fLoader, &QTimer::timeout, this, &ThumbviewWidget::LoadTick);
    fModel.Deferred = true;
    fModel.OnViewChange = [this](TThumbChange what, int index) { ModelChanged(what, index); };
    fImages.assign(std::size_t(fModel.Count()), QImage());
    ApplyScrollMode();
    if (fModel.Loading()) fLoader->start();
}

ThumbviewWidget::~ThumbviewWidget() {
    fModel.OnViewChange = nullptr;
}

bool ThumbviewWidget::LoaderActive() const {
    return fLoader->isActive();
}

QSize ThumbviewWidget::sizeHint() const {
    const int w = fModel.CellWidth(), h = fModel.CellHeight(), g = fModel.ThumbGap;
    if (fModel.ScrollMode == SMHorizontal) return QSize(3 * (w + g) + g, 2 * (h + g) + g + 20);
    return QSize(3 * (w + g) + g + 20, 3 * (h + g) + g);
}

void ThumbviewWidget::ApplyScrollMode() {
    const bool horizontal = fModel.ScrollMode == SMHorizontal;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void ThumbviewWidget::ModelChanged(TThumbChange what, int index) {
    switch (what) {
    case TThumbChange::Entries:
        fImages.assign(std::size_t(fModel.Count()), QImage());
        fPressed = -1;
        if (fModel.Loading()) fLoader->start();
        SyncScrollBars();
        viewport()->update();
        emit selectionChanged(fModel.Selected());
        break;
    case TThumbChange::Picture:
        if (index >= 0 && std::size_t(index) < fImages.size()) {
            fImages[std::size_t(index)] = QImage();
            viewport()->update(ViewRect(fModel.CellRect(index)));
        }
        // A scan that started during the handlers (or any pending one) keeps the timer running.
        if (fModel.Loading() && !fLoader->isActive()) fLoader->start();
        break;
    case TThumbChange::Selection:
        viewport()->update();
        emit selectionChanged(fModel.Selected());
        break;
    case TThumbChange::Scroll:
        SyncScrollBars();
        viewport()->update();
        break;
    case TThumbChange::Layout:
        ApplyScrollMode();
        SyncScrollBars();
        viewport()->update();
        break;
    }
}

void ThumbviewWidget::LoadTick() {
    if (!fModel.Loading()) {
        fLoader->stop();
        emit loadingFinished();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const unsigned gen = fModel.Generation();
    // At least one file per tick, then more while the budget lasts; the event loop runs in between.
    do {
        if (!fModel.LoadNext()) break;
    } while (gen == fModel.Generation() && fModel.Loading() && clock.elapsed() < fBudgetMs);
    if (!fModel.Loading()) {
        fLoader->stop();
        emit loadingFinished();
    }
}

void ThumbviewWidget::SyncScrollBars() {
    fSyncing = true;
    horizontalScrollBar()->setRange(0, fModel.ScrollMaxX());
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    horizontalScrollBar()->setSingleStep(fModel.CellWidth() / 4 + 1);
    horizontalScrollBar()->setValue(fModel.ScrollX());
    verticalScrollBar()->setRange(0, fModel.ScrollMaxY());
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
    verticalScrollBar()->setSingleStep(fModel.CellHeight() / 4 + 1);
    verticalScrollBar()->setValue(fModel.ScrollY());
    fSyncing = false;
}

void ThumbviewWidget::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    // The model measures the whole control; its line count leaves room for the scroll bar.
    fModel.SetViewSize(width(), height());
    SyncScrollBars();
}

void ThumbviewWidget::scrollContentsBy(int, int) {
    if (fSyncing) return;
    fModel.SetScrollPos(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->update();
}

void ThumbviewWidget::SetLook(ThumbLook look) {
    if (look == fLook) return;
    fLook = look;
    viewport()->update();
}

QRect ThumbviewWidget::ViewRect(const TRect& r) const {
    return QRect(r.Left - fModel.ScrollX(), r.Top - fModel.ScrollY(), r.Width(), r.Height());
}

const QImage& ThumbviewWidget::ImageOf(int index) {
    QImage& img = fImages[std::size_t(index)];
    const TBitmap32& pic = fModel.Entry(index).Picture;
    if (img.isNull() && !pic.Empty()) img = QImageFromBitmap(pic);
    return img;
}

void ThumbviewWidget::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    const bool sheet = fLook == ThumbLook::WhiteSheet;
    p.fillRect(e->rect(), sheet ? QColor(Qt::white) : pal.color(QPalette::Window));
    if (fImages.size() != std::size_t(fModel.Count())) fImages.assign(std::size_t(fModel.Count()), QImage());
    const QRect visible = e->rect();
    for (int i = 0; i < fModel.Count(); ++i) {
        const QRect cell = ViewRect(fModel.CellRect(i));
        if (!cell.intersects(visible)) continue;
        const TThumbEntry& entry = fModel.Entry(i);
        const bool selected = i == fModel.Selected();
        if (sheet) {
            p.fillRect(cell, Qt::white);
        } else if (fModel.AsButtons) {
            qDrawShadePanel(&p, cell, pal, false, 1, &pal.brush(QPalette::Button));
        } else {
            p.fillRect(cell, pal.color(QPalette::Base));
        }
        // The picture centred above the title strip; a picture taller than that area is shown smaller.
        const QRect strip = ViewRect(fModel.TitleRect(i));
        const QRect area(cell.left() + 2, cell.top() + 2, cell.width() - 4,
                         std::max(0, strip.top() - cell.top() - 4));
        const QImage& img = ImageOf(i);
        if (!img.isNull()) {
            QSize s = img.size();
            if (s.width() > area.width() || s.height() > area.height())
                s.scale(area.size(), Qt::KeepAspectRatio);
            const QRect target(area.left() + (area.width() - s.width()) / 2,
                               area.top() + (area.height() - s.height()) / 2, s.width(), s.height());
            p.setRenderHint(QPainter::SmoothPixmapTransform, s != img.size());
            p.drawImage(target, img);
        } else if (entry.Failed) {
            // Placeholder of a file that could not be decoded.
            const QRect box =
                area.adjusted(area.width() / 4, area.height() / 4, -area.width() / 4, -area.height() / 4);
            p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box);
            p.drawLine(box.topLeft(), box.bottomRight());
            p.drawLine(box.topRight(), box.bottomLeft());
        }
        // Title strip: lowered, highlighted for the selected entry; on the white sheet plain black
        // text, the red outline showing the selection instead.
        if (sheet) {
            p.setPen(QColor(Qt::black));
        } else {
            const QBrush back = selected ? pal.brush(QPalette::Highlight) : pal.brush(QPalette::Button);
            qDrawShadePanel(&p, strip, pal, true, 1, &back);
            p.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText));
        }
        QFont f = font();
        f.setPixelSize(std::max(8, strip.height() - 4));
        p.setFont(f);
        const QRect textRect = strip.adjusted(3, 0, -3, 0);
        const QString text = p.fontMetrics().elidedText(QString::fromStdString(entry.Title), Qt::ElideMiddle,
                                                        textRect.width());
        p.drawText(textRect, Qt::AlignCenter, text);
        if (selected && sheet) {
            const int t = kWhiteSheetOutline;
            p.fillRect(QRect(cell.left(), cell.top(), cell.width(), t), Qt::red);
            p.fillRect(QRect(cell.left(), cell.bottom() - t + 1, cell.width(), t), Qt::red);
            p.fillRect(QRect(cell.left(), cell.top(), t, cell.height()), Qt::red);
            p.fillRect(QRect(cell.right() - t + 1, cell.top(), t, cell.height()), Qt::red);
        } else if (selected && hasFocus()) {
            p.setPen(QPen(pal.color(QPalette::Highlight), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(cell.adjusted(1, 1, -1, -1));
        }
    }
}

void ThumbviewWidget::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
    const QPoint pt = e->position().toPoint();
    fModel.MouseDown(pt.x(), pt.y());
    fPressed = fModel.IndexAtContent(pt.x() + fModel.ScrollX(), pt.y() + fModel.ScrollY());
    e->accept();
}

void ThumbviewWidget::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    const int at = fModel.IndexAtContent(pt.x() + fModel.ScrollX(), pt.y() + fModel.ScrollY());
    const int pressed = fPressed;
    fPressed = -1;
    if (e->button() == Qt::LeftButton && at >= 0 && at == pressed) {
        fModel.Click(at);
        emit thumbnailClicked(at);
    }
    e->accept();
}

void ThumbviewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    const int at = fModel.IndexAtContent(pt.x() + fModel.ScrollX(), pt.y() + fModel.ScrollY());
    if (e->button() == Qt::LeftButton && at >= 0) {
        fModel.DblClick(at);
        emit thumbnailDoubleClicked(at);
    }
    e->accept();
}

void ThumbviewWidget::keyPressEvent(QKeyEvent* e) {
    TThumbKey key;
    switch (e->key()) {
    case Qt::Key_Home:
        key = TThumbKey::Home;
        break;
    case Qt::Key_End:
        key = TThumbKey::End;
        break;
    case Qt::Key_Left:
        key = TThumbKey::Left;
        break;
    case Qt::Key_Right:
        key = TThumbKey::Right;
        break;
    case Qt::Key_Up:
        key = TThumbKey::Up;
        break;
    case Qt::Key_Down:
        key = TThumbKey::Down;
        break;
    default:
        // Page Up / Page Down and the rest scroll as usual.
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    if (fModel.KeyDown(key))
        e->accept();
    else
        QAbstractScrollArea::keyPressEvent(e);
}

void ThumbviewWidget::wheelEvent(QWheelEvent* e) {
    // A grid that scrolls sideways turns the wheel into sideways scrolling.
    if (fModel.ScrollMode == SMHorizontal) {
        const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() - delta * (fModel.CellWidth() + fModel.ThumbGap) / 120);
        e->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(e);
}

} // namespace kv::ui
