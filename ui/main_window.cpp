#include "ui/main_window.h"

#include "core/codecs/codecs.h"
#include "ui/imageview_widget.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <exception>
#include <filesystem>

namespace kv::ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("KORVALIS");
    InstallCustomPaintStage(fDoc.ImgView);

    fView = new ImageViewWidget(fDoc, fZoom, this);
    setCentralWidget(fView);
    connect(fView, &ImageViewWidget::zoomChanged, this, &MainWindow::ShowZoom);

    QToolBar* bar = addToolBar(QString::fromUtf8("Масштаб"));
    bar->setMovable(false);
    bar->addWidget(new QLabel(QString::fromUtf8("Масштаб "), bar));
    fScaleCombo = new QComboBox(bar);
    fScaleCombo->setEditable(true);
    fScaleCombo->setInsertPolicy(QComboBox::NoInsert);
    fScaleCombo->setCompleter(nullptr); // the text is the handler's: no inline completion
    for (const std::string& item : fZoom.Items)
        fScaleCombo->addItem(QString::fromStdString(item));
    fScaleCombo->setMinimumContentsLength(6);
    bar->addWidget(fScaleCombo);
    ShowZoom();
    connect(fScaleCombo, &QComboBox::editTextChanged, this, &MainWindow::ScaleComboEdited);

    fScale100 = bar->addAction(QString::fromUtf8("Масштаб 100%"));
    connect(fScale100, &QAction::triggered, this, [this] {
        Scale100Click(fZoom, fDoc);
        ShowZoom();
    });
    fFit = bar->addAction(QString::fromUtf8("Уместить в окне"));
    connect(fFit, &QAction::triggered, this, [this] {
        FitToWindow(fZoom, fDoc);
        ShowZoom();
    });

    fFileLabel = new QLabel(this);
    fSizeLabel = new QLabel(this);
    statusBar()->addWidget(fFileLabel, 1);
    statusBar()->addPermanentWidget(fSizeLabel);

    resize(1000, 720);
}

// The view widget holds a subscription to the document: it goes before the document does.
MainWindow::~MainWindow() { delete fView; }

QString MainWindow::FileNameText() const {
    return fFileLabel->text();
}
QString MainWindow::SizeText() const {
    return fSizeLabel->text();
}

void MainWindow::ShowZoom() {
    fShowingZoom = true;
    fScaleCombo->setEditText(QString::fromStdString(fZoom.Text));
    if (QLineEdit* edit = fScaleCombo->lineEdit())
        edit->setCursorPosition(int(
            QString::fromStdString(fZoom.Text.substr(0, std::size_t(std::max(0, fZoom.CaretPos)))).size()));
    fShowingZoom = false;
}

void MainWindow::ScaleComboEdited(const QString& text) {
    if (fShowingZoom) return;
    fZoom.Text = text.toStdString();
    ScaleComboChange(fZoom, fDoc);
    ShowZoom();
}

bool MainWindow::OpenFile(const std::string& fileName) {
    try {
        TBitmap32 picture = codecs::LoadPicture(fileName);
        fDoc.StartNewContent();
        fDoc.SetBasePixels(picture);
        fDoc.CleanPhoto = std::move(picture);
        fDoc.History.ClearSteps();
        fDoc.Modified = kMarkClean;
        fZoom.Text = ScalePercentText(fDoc.ImgView.Scale());
        ShowZoom();
        TRect vp = fDoc.ImgView.GetViewportRect();
        if (fDoc.Base().Width() > vp.Width() || fDoc.Base().Height() > vp.Height()) {
            FitToWindow(fZoom, fDoc);
            ShowZoom();
        }
        fFileLabel->setText(QString::fromStdString(std::filesystem::path(fileName).filename().string()));
        fSizeLabel->setText(QString("%1x%2").arg(fDoc.Base().Width()).arg(fDoc.Base().Height()));
        return true;
    } catch (const std::exception& e) {
        QMessageBox::critical(this, "KORVALIS", QString::fromStdString(e.what()));
        return false;
    }
}

} // namespace kv::ui
