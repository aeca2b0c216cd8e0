// The thumbnail grid widget on the offscreen platform: it lists a folder at once, loads the pictures
// over several event-loop turns (each file once), follows a new folder, draws the pictures and
// forwards mouse and keys to the model.
#include "core/codecs/codecs.h"
#include "tests/ui/ui_test_util.h"
#include "ui/thumbview_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <filesystem>
#include <map>
#include <memory>

#include <unistd.h>

using namespace kv;
using namespace kv::ui;
namespace fs = std::filesystem;

namespace {

using kv::test::EnsureApp;

struct Folder {
    fs::path dir;
    explicit Folder(const std::string& tag, int count, TColor32 colour) {
        std::string name = "kv_thumbw_";
        name += std::to_string(::getpid());
        name += '_';
        name += tag;
        dir = fs::temp_directory_path() / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        TBitmap32 b(90, 60);
        b.Clear(colour);
        for (int i = 0; i < count; ++i) {
            std::string file = "pic";
            file += char('a' + i);
            file += i % 2 ? ".PNG" : ".bmp";
            if (i % 2)
                codecs::SavePNG(b, (dir / file).string());
            else
                codecs::SaveBMP24(b, (dir / file).string());
        }
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

int LoadedCount(const TTHumbview& m) {
    int n = 0;
    for (int i = 0; i < m.Count(); ++i)
        n += m.Entry(i).Loaded ? 1 : 0;
    return n;
}

// One pass over the pending events.
void Spin() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WaitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        Spin();
    }
    return true;
}

class ThumbviewWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApp();
        model.SetSize(40); // 80-pixel cells
        widget = std::make_unique<ThumbviewWidget>(model);
        widget->SetLoadBudgetMs(0); // one file per turn of the event loop
        widget->resize(400, 200);
        widget->show();
        model.OnProgress = [this](int i, bool&) { ++decoded[model.Entry(i).FileName]; };
        Spin();
    }
    TTHumbview model;
    std::unique_ptr<ThumbviewWidget> widget;
    std::map<std::string, int> decoded;
};

} // namespace

TEST_F(ThumbviewWidgetTest, LoadsAFolderProgressively) {
    Folder f("progressive", 12, Color32(220, 30, 30));
    int finished = 0;
    QObject::connect(widget.get(), &ThumbviewWidget::loadingFinished, [&] { ++finished; });
    model.SetDirectory(f.dir.string());
    // The titles are there at once, the pictures not yet.
    ASSERT_EQ(model.Count(), 12);
    EXPECT_EQ(LoadedCount(model), 0);
    EXPECT_EQ(model.Selected(), 0);
    EXPECT_TRUE(widget->LoaderActive());
    std::vector<int> seen;
    ASSERT_TRUE(WaitUntil([&] {
        seen.push_back(LoadedCount(model));
        return !model.Loading();
    }));
    Spin();
    EXPECT_EQ(LoadedCount(model), 12);
    // Loaded over many turns of the event loop, never all at once.
    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](int n) { return n > 0 && n < 12; }), 5);
    EXPECT_EQ(decoded.size(), 12u);
    for (const auto& [file, times] : decoded)
        EXPECT_EQ(times, 1) << file;
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(widget->LoaderActive());
}

TEST_F(ThumbviewWidgetTest, NewFolderStopsThePreviousScan) {
    Folder first("first", 10, Color32(220, 30, 30)), second("second", 3, Color32(30, 30, 220));
    model.SetDirectory(first.dir.string());
    ASSERT_TRUE(WaitUntil([&] { return LoadedCount(model) >= 2; }));
    model.SetDirectory(second.dir.string());
    ASSERT_TRUE(WaitUntil([&] { return !model.Loading(); }));
    EXPECT_EQ(model.Count(), 3);
    EXPECT_EQ(LoadedCount(model), 3);
    int fromFirst = 0;
    for (const auto& [file, times] : decoded) {
        EXPECT_EQ(times, 1) << file;
        if (file.find("first") != std::string::npos) ++fromFirst;
    }
    EXPECT_LT(fromFirst, 10);
}

TEST_F(ThumbviewWidgetTest, DrawsThePicturesAndTheSelection) {
    Folder f("draw", 4, Color32(220, 30, 30));
    model.SetDirectory(f.dir.string());
    ASSERT_TRUE(WaitUntil([&] { return !model.Loading(); }));
    Spin();
    const QImage shot = widget->grab().toImage();
    // Entry 0's 90x60 picture is reduced to 80x53 and centred above the title strip of its cell.
    const TRect cell = model.CellRect(0);
    const QRgb centre = shot.pixel((cell.Left + cell.Right) / 2, cell.Top + (cell.Height() - 15) / 2);
    EXPECT_EQ(QColor(centre), QColor(220, 30, 30));
    // The selected entry's title strip carries the highlight colour.
    const QRgb title = shot.pixel(cell.Left + 2, cell.Bottom - 3);
    EXPECT_EQ(QColor(title), widget->palette().color(QPalette::Highlight));
    const TRect other = model.CellRect(1);
    EXPECT_NE(QColor(shot.pixel(other.Left + 2, other.Bottom - 3)),
              widget->palette().color(QPalette::Highlight));
}

TEST_F(ThumbviewWidgetTest, WhiteSheetOutlinesTheSelectionInRed) {
    Folder f("sheet", 4, Color32(30, 30, 220));
    widget->SetLook(ThumbLook::WhiteSheet);
    model.SetDirectory(f.dir.string());
    ASSERT_TRUE(WaitUntil([&] { return !model.Loading(); }));
    model.SetSelected(1);
    Spin();
    const QImage shot = widget->viewport()->grab().toImage();
    const auto at = [&](int x, int y) { return QColor(shot.pixel(x, y)); };
    const QColor white(Qt::white), red(Qt::red);
    const TRect sel = model.CellRect(1), other = model.CellRect(0);
    // The outline: the three outermost pixels of the selected cell on every side, and no more.
    for (int d = 0; d < ThumbviewWidget::kWhiteSheetOutline; ++d) {
        EXPECT_EQ(at(sel.Left + d, sel.Top + 20), red) << d;
        EXPECT_EQ(at(sel.Right - 1 - d, sel.Top + 20), red) << d;
        EXPECT_EQ(at(sel.Left + 20, sel.Top + d), red) << d;
        EXPECT_EQ(at(sel.Left + 20, sel.Bottom - 1 - d), red) << d;
    }
    EXPECT_EQ(at(sel.Left + 3, sel.Top + 3), white);
    // White between and around the cells, in the unselected cell and in its title strip.
    EXPECT_EQ(at(other.Left - 2, other.Top + 20), white);
    EXPECT_EQ(at(other.Left, other.Top + 20), white);
    EXPECT_EQ(at(other.Left + 1, other.Bottom - 2), white);
    EXPECT_EQ(at(shot.width() - 2, shot.height() - 2), white);
    // The pictures themselves are drawn as before.
    EXPECT_EQ(at((other.Left + other.Right) / 2, other.Top + (other.Height() - 15) / 2), QColor(30, 30, 220));
}

TEST_F(ThumbviewWidgetTest, MouseAndKeysReachTheModel) {
    Folder f("input", 6, Color32(220, 30, 30));
    model.SetDirectory(f.dir.string());
    ASSERT_EQ(model.Lines(), 2); // (200 - 20) div 84
    std::vector<int> clicked, selections;
    QObject::connect(widget.get(), &ThumbviewWidget::thumbnailClicked, [&](int i) { clicked.push_back(i); });
    QObject::connect(widget.get(), &ThumbviewWidget::selectionChanged,
                     [&](int i) { selections.push_back(i); });
    const TRect cell = model.CellRect(3);
    const QPointF at(cell.Left + 10, cell.Top + 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget->viewport(), &press);
    QCoreApplication::sendEvent(widget->viewport(), &release);
    EXPECT_EQ(model.Selected(), 3);
    EXPECT_EQ(clicked, std::vector<int>{3});
    EXPECT_EQ(selections.back(), 3);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.get(), &right); // one column on: entry 5
    EXPECT_EQ(model.Selected(), 5);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.get(), &up);
    EXPECT_EQ(model.Selected(), 4);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.get(), &home);
    EXPECT_EQ(model.Selected(), 0);
}

TEST_F(ThumbviewWidgetTest, ScrollBarFollowsTheModel) {
    Folder f("scroll", 12, Color32(220, 30, 30)); // 6 columns of 84 pixels in a 400-pixel view
    model.SetDirectory(f.dir.string());
    Spin();
    EXPECT_EQ(widget->horizontalScrollBar()->maximum(), model.ScrollMaxX());
    EXPECT_GT(model.ScrollMaxX(), 0);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.get(), &end);
    EXPECT_EQ(model.Selected(), 11);
    EXPECT_EQ(widget->horizontalScrollBar()->value(), model.ScrollX());
    EXPECT_GT(model.ScrollX(), 0);
    widget->horizontalScrollBar()->setValue(0);
    EXPECT_EQ(model.ScrollX(), 0);
}
