#pragma once
// The side panel SidePanel: three collapsible sections holding the frame panel's controls. Each
// section has a caption strip with "Развернуть" and "Свернуть"; collapsed, only the strip remains.
#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace kv {
class TFrameCommands;
}

namespace kv::ui {

class SidePanelSection : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCollapsedHeight = 21;
    SidePanelSection(const QString& caption, int expandedHeight, QWidget* parent = nullptr);

    // The section's controls; the expanded height grows when they need more room than the
    // nominal height, so no control is cut off.
    void SetContent(QWidget* content);
    QWidget* Content() const { return fContent; }
    void Expand();   // "Развернуть"
    void Collapse(); // "Свернуть"
    bool Collapsed() const { return fCollapsed; }
    int ExpandedHeight() const;
    QString Caption() const;
    QPushButton* ExpandButton() const { return fExpand; }
    QPushButton* CollapseButton() const { return fCollapse; }

  protected:
    // Controls that appear or hide inside the content (the texture strips) change what it needs:
    // the expanded height follows.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ApplyHeight();

    QLabel* fCaption = nullptr;
    QPushButton* fExpand = nullptr;
    QPushButton* fCollapse = nullptr;
    QWidget* fContent = nullptr;
    QVBoxLayout* fLayout = nullptr;
    int fNominalHeight;
    bool fCollapsed = false;
};

class SidePanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 328;
    static constexpr int kMinimumWidth = 171;
    SidePanel(TFrameCommands& frames, QWidget* parent = nullptr);
    SidePanelSection* Section(int i) const { return fSections[i]; }

  private:
    SidePanelSection* fSections[3] = {};
};

} // namespace kv::ui
