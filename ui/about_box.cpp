#include "ui/about_box.h"

#include "document/mainform.h"
#include "ui/qt_platform.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace kv::ui {

QPixmap ProgramPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size * 0.06, frame = size * 0.16;
    QRectF outer(m, m, size - 2 * m, size - 2 * m);
    QLinearGradient wood(outer.topLeft(), outer.bottomRight());
    wood.setColorAt(0, QColor(0xC8, 0x8A, 0x4A));
    wood.setColorAt(1, QColor(0x6B, 0x3A, 0x16));
    p.setPen(QPen(QColor(0x40, 0x22, 0x0C), size / 40.0 + 0.5));
    p.setBrush(wood);
    p.drawRect(outer);
    QRectF photo = outer.adjusted(frame, frame, -frame, -frame);
    QLinearGradient sky(photo.topLeft(), photo.bottomLeft());
    sky.setColorAt(0, QColor(0x7C, 0xB8, 0xF0));
    sky.setColorAt(1, QColor(0xE8, 0xF2, 0xFF));
    p.setBrush(sky);
    p.drawRect(photo);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4E, 0x8B, 0x3A));
    QPolygonF hills;
    hills << photo.bottomLeft()
          << QPointF(photo.left() + photo.width() * 0.35, photo.top() + photo.height() * 0.45)
          << QPointF(photo.left() + photo.width() * 0.6, photo.top() + photo.height() * 0.7)
          << QPointF(photo.left() + photo.width() * 0.8, photo.top() + photo.height() * 0.5)
          << photo.bottomRight();
    p.drawPolygon(hills);
    p.setBrush(QColor(0xFF, 0xD0, 0x40));
    p.drawEllipse(QPointF(photo.left() + photo.width() * 0.75, photo.top() + photo.height() * 0.25),
                  photo.width() * 0.09, photo.width() * 0.09);
    return pm;
}

AboutBoxWindow::AboutBoxWindow(TAboutBox& model, QWidget* parent) : QDialog(parent), fModel(model) {
    setWindowTitle(QStringLiteral("О программе"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramPicture(96));
    top->addWidget(picture, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    auto* name = new QLabel(QString::fromStdString(model.ProductName), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    texts->addWidget(name);
    texts->addWidget(new QLabel(QString::fromStdString(model.Description), this));
    const QString maker = QString::fromStdString(model.Maker).toHtmlEscaped();
    fMaker = new QLabel(this);
    if (model.MakerLinkEnabled()) {
        fMaker->setText(QStringLiteral("<a href=\"mail\">%1</a>").arg(maker));
        fMaker->setCursor(Qt::PointingHandCursor);
        connect(fMaker, &QLabel::linkActivated, this, [this] {
            try {
                fModel.MakerClick();
            } catch (const std::exception& e) {
                QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
            }
        });
    } else {
        fMaker->setText(maker);
    }
    texts->addWidget(fMaker);
    texts->addStretch(1);
    top->addLayout(texts, 1);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void RegisterShellDialogs(QtPlatform& platform) {
    platform.RegisterDialog("TAboutBox", [](TDialogModel& model, QWidget* parent) -> QDialog* {
        return new AboutBoxWindow(static_cast<TAboutBox&>(model), parent);
    });
}

} // namespace kv::ui
