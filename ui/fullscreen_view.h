#pragma once
// The full-screen preview: a borderless, maximised black window showing a picture centred and
// scaled to fit with its aspect kept (small pictures are enlarged too), drawn with nearest pixels.
// Esc or a mouse click closes it.
#include "core/bitmap32.h"

#include <QImage>
#include <QWidget>

class QEventLoop;

namespace kv::ui {

class FullScreenView : public QWidget {
    Q_OBJECT
  public:
    explicit FullScreenView(const TBitmap32& picture, QWidget* parent = nullptr);
    // Shows the picture and returns when the window closes.
    static void Run(const TBitmap32& picture, QWidget* parent = nullptr);
    // Where a picture of that size lies in an area of that size.
    static QRect FitRect(QSize picture, QSize area);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  signals:
    void closed();

  private:
    QImage fImage;
};

} // namespace kv::ui
