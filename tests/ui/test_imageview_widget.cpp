// The view widget's hooks for the main window: Delete, mouse moves and presses in view coordinates,
// and the grey stage around a picture smaller than the view.
#include "document/document.h"
#include "document/zoom.h"
#include "tests/ui/ui_test_util.h"
#include "ui/imageview_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <memory>
#include <vector>

using namespace kv;
using namespace kv::ui;

namespace {

using kv::test::EnsureApp;

class ImageViewHooks : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        InstallCustomPaintStage(doc.ImgView);
        doc.Base().SetSize(40, 20);
        doc.Base().Clear(0xFF2040C0u);
        view = std::make_unique<ImageViewWidget>(doc, zoom);
        view->resize(300, 200);
        view->show();
        QCoreApplication::processEvents();
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(type, QPointF(at), view->viewport()->mapToGlobal(QPointF(at)), button, held, mods);
        QCoreApplication::sendEvent(view->viewport(), &e);
    }
    TDocument doc;
    TZoomModel zoom;
    std::unique_ptr<ImageViewWidget> view;
};

} // namespace

TEST_F(ImageViewHooks, DeleteKeyCallsTheHook) {
    int deletes = 0;
    view->OnDeleteKey = [&] { ++deletes; };
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(view.get(), &del);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    QCoreApplication::sendEvent(view.get(), &other);
    EXPECT_EQ(deletes, 1);
}

TEST_F(ImageViewHooks, MouseHooksGetViewCoordinatesAndButtons) {
    std::vector<TViewMouse> moves, downs;
    view->OnViewMouseMove = [&](const TViewMouse& m) { moves.push_back(m); };
    view->OnViewMouseDown = [&](const TViewMouse& m) { downs.push_back(m); };
    const TRect r = doc.ImgView.GetBitmapRect();
    const QPoint inside(r.Left + 5, r.Top + 3);
    Mouse(QEvent::MouseMove, inside, Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, inside, Qt::RightButton, Qt::RightButton, Qt::ShiftModifier);
    ASSERT_EQ(moves.size(), 1u);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(moves[0].X, inside.x());
    EXPECT_EQ(moves[0].Y, inside.y());
    EXPECT_EQ(moves[0].Button, TViewMouse::None);
    EXPECT_EQ(downs[0].Button, TViewMouse::Right);
    EXPECT_TRUE(downs[0].Shift);
    // The point maps back to the picture pixel under the pointer.
    const TPoint p = doc.ImgView.ViewToPicture(downs[0].X, downs[0].Y);
    EXPECT_EQ(p, (TPoint{5, 3}));
}

TEST_F(ImageViewHooks, SmallPictureIsCentredOnGrey) {
    const QImage shot = view->viewport()->grab().toImage();
    const TRect r = doc.ImgView.GetBitmapRect();
    const TRect vp = doc.ImgView.GetViewportRect();
    EXPECT_EQ(r.Left, (vp.Width() - 40) / 2);
    EXPECT_EQ(r.Top, (vp.Height() - 20) / 2);
    EXPECT_EQ(QColor(shot.pixel(r.Left + 1, r.Top + 1)), QColor(0x20, 0x40, 0xC0));
    EXPECT_EQ(QColor(shot.pixel(2, 2)), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 1, shot.height() - 1)), QColor(0x80, 0x80, 0x80));
}
