#pragma once
// The editor's main window, minimal for now: the view of the document, the "Масштаб" combo box with
// "Масштаб 100%" and "Уместить в окне" in a tool bar, and a status bar with the file name and size.
#include "document/document.h"
#include "document/zoom.h"

#include <QMainWindow>

#include <string>

class QComboBox;
class QLabel;
class QAction;

namespace kv::ui {

class ImageViewWidget;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens a picture with the generic loader into the document's base picture and fits it to the
    // window when it is larger than the view. Errors are shown in a message box; returns success.
    bool OpenFile(const std::string& fileName);

    TDocument& Document() { return fDoc; }
    TZoomModel& Zoom() { return fZoom; }
    ImageViewWidget* View() const { return fView; }
    QComboBox* ScaleCombo() const { return fScaleCombo; }
    QAction* Scale100Action() const { return fScale100; }
    QAction* FitAction() const { return fFit; }
    QString FileNameText() const;
    QString SizeText() const;

  private:
    void ScaleComboEdited(const QString& text);
    void ShowZoom(); // combo box := the zoom model's text and caret

    TDocument fDoc;
    TZoomModel fZoom;
    ImageViewWidget* fView = nullptr;
    QComboBox* fScaleCombo = nullptr;
    QAction* fScale100 = nullptr;
    QAction* fFit = nullptr;
    QLabel* fFileLabel = nullptr;
    QLabel* fSizeLabel = nullptr;
    bool fShowingZoom = false;
};

} // namespace kv::ui
