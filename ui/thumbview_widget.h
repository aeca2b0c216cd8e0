#pragma once
// ThumbviewWidget: draws a TTHumbview model and forwards mouse, keys and scrolling to it. The model
// lists a folder at once; the pictures are decoded by a zero-interval timer a few at a time, between
// which the event loop runs, so the window stays responsive while a large folder loads. Everything
// stays on the GUI thread.
#include "document/thumbview.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <vector>

class QTimer;

namespace kv::ui {

// How the cells are drawn. Buttons (the default): raised cells on the window colour, the selected
// entry's title strip highlighted. WhiteSheet: everything on white without bevels or highlight, the
// selected cell outlined in red, kWhiteSheetOutline pixels wide.
enum class ThumbLook { Buttons, WhiteSheet };

class ThumbviewWidget : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr int kWhiteSheetOutline = 3;

    explicit ThumbviewWidget(TTHumbview& model, QWidget* parent = nullptr);
    ~ThumbviewWidget() override;

    TTHumbview& Model() { return fModel; }
    // Milliseconds of decoding per timer tick (at least one file is decoded per tick).
    void SetLoadBudgetMs(int ms) { fBudgetMs = ms; }
    bool LoaderActive() const;
    ThumbLook Look() const { return fLook; }
    void SetLook(ThumbLook look);

    QSize sizeHint() const override;

  signals:
    void selectionChanged(int index);
    void thumbnailClicked(int index);
    void thumbnailDoubleClicked(int index);
    void loadingFinished();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

  private:
    void ModelChanged(TThumbChange what, int index);
    void LoadTick();
    void SyncScrollBars();
    void ApplyScrollMode();
    QRect ViewRect(const TRect& r) const; // content -> viewport coordinates
    const QImage& ImageOf(int index);

    TTHumbview& fModel;
    QTimer* fLoader = nullptr;
    int fBudgetMs = 30;
    std::vector<QImage> fImages; // per entry, made from the model's picture when first drawn
    int fPressed = -1;
    bool fSyncing = false;
    ThumbLook fLook = ThumbLook::Buttons;
};

} // namespace kv::ui
