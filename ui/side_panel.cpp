#include "ui/side_panel.h"

#include "ui/frame_panel_widget.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace kv::ui {

SidePanelSection::SidePanelSection(const QString& caption, int expandedHeight, QWidget* parent)
    : QWidget(parent), fNominalHeight(expandedHeight) {
    fLayout = new QVBoxLayout(this);
    fLayout->setContentsMargins(0, 0, 0, 0);
    fLayout->setSpacing(0);

    auto* strip = new QFrame(this);
    strip->setObjectName("CaptionStrip");
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setFixedHeight(kCollapsedHeight);
    strip->setAutoFillBackground(true);
    strip->setBackgroundRole(QPalette::Mid);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 0, 1, 0);
    row->setSpacing(1);
    fCaption = new QLabel(caption, strip);
    QFont bold = fCaption->font();
    bold.setBold(true);
    fCaption->setFont(bold);
    row->addWidget(fCaption, 1);
    auto button = [&](const QString& tip, QStyle::StandardPixmap icon) {
        auto* b = new QPushButton(strip);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setIcon(style()->standardIcon(icon));
        b->setFlat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(kCollapsedHeight - 2, kCollapsedHeight - 2);
        row->addWidget(b);
        return b;
    };
    fExpand = button(QStringLiteral("Развернуть"), QStyle::SP_TitleBarUnshadeButton);
    fCollapse = button(QStringLiteral("Свернуть"), QStyle::SP_TitleBarShadeButton);
    connect(fExpand, &QPushButton::clicked, this, &SidePanelSection::Expand);
    connect(fCollapse, &QPushButton::clicked, this, &SidePanelSection::Collapse);
    fLayout->addWidget(strip);
    ApplyHeight();
}

QString SidePanelSection::Caption() const {
    return fCaption->text();
}

void SidePanelSection::SetContent(QWidget* content) {
    if (fContent) fLayout->removeWidget(fContent);
    fContent = content;
    if (fContent) {
        fContent->setParent(this);
        fContent->installEventFilter(this);
        fLayout->addWidget(fContent, 1);
    }
    ApplyHeight();
}

int SidePanelSection::ExpandedHeight() const {
    const int needed = fContent ? kCollapsedHeight + fContent->sizeHint().height() : 0;
    return std::max(fNominalHeight, needed);
}

bool SidePanelSection::eventFilter(QObject* watched, QEvent* event) {
    if (watched == fContent && event->type() == QEvent::LayoutRequest && !fCollapsed &&
        height() != ExpandedHeight())
        ApplyHeight();
    return QWidget::eventFilter(watched, event);
}

void SidePanelSection::Expand() {
    fCollapsed = false;
    ApplyHeight();
}

void SidePanelSection::Collapse() {
    fCollapsed = true;
    ApplyHeight();
}

void SidePanelSection::ApplyHeight() {
    if (fContent) fContent->setVisible(!fCollapsed);
    setFixedHeight(fCollapsed ? kCollapsedHeight : ExpandedHeight());
    fExpand->setEnabled(fCollapsed);
    fCollapse->setEnabled(!fCollapsed);
}

SidePanel::SidePanel(TFrameCommands& frames, QWidget* parent) : QWidget(parent) {
    setObjectName("SidePanel");
    setMinimumWidth(kMinimumWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // The sections stack from the top; when they are taller than the window the panel scrolls.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(scroll);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(3);
    const struct {
        const char* caption;
        int height;
    } sections[] = {
        {"Основные параметры рамки", 163}, {"Тип и наполнение рамки", 211}, {"Фон под рамкой", 277}};
    for (int i = 0; i < 3; ++i) {
        fSections[i] = new SidePanelSection(QString::fromUtf8(sections[i].caption), sections[i].height, body);
        fSections[i]->SetContent(CreateFramePanelSection(i, frames, fSections[i]));
        column->addWidget(fSections[i]);
    }
    column->addStretch(1);
    scroll->setWidget(body);
    outer->addWidget(scroll);
}

} // namespace kv::ui
