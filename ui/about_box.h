#pragma once
// "О программе": the Qt window of the TAboutBox model.
#include <QDialog>

class QLabel;

namespace kv {
class TAboutBox;
}

namespace kv::ui {

class QtPlatform;

class AboutBoxWindow : public QDialog {
    Q_OBJECT
  public:
    AboutBoxWindow(TAboutBox& model, QWidget* parent = nullptr);
    QLabel* MakerLabel() const { return fMaker; }

  private:
    TAboutBox& fModel;
    QLabel* fMaker = nullptr;
};

// The program's picture: a small framed photo, drawn, so it needs no file.
QPixmap ProgramPicture(int size);

void RegisterShellDialogs(QtPlatform& platform);

} // namespace kv::ui
