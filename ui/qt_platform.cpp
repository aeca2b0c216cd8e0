#include "ui/qt_platform.h"

#include "core/error.h"
#include "ui/fullscreen_view.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace fs = std::filesystem;

namespace kv::ui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

const char* kNotAvailablePrinting = "Печать пока недоступна в этой версии программы.";
const char* kNotAvailableMetafiles = "Метафайлы (WMF, EMF) пока не поддерживаются в этой версии программы.";

} // namespace

// ---- File filters ----------------------------------------------------------------------------------

QtFileFilters TranslateFileFilter(const std::string& filter) {
    QtFileFilters out;
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString caption = parts[i].trimmed();
        QStringList masks;
        for (const QString& m : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = m.trimmed();
            if (!t.isEmpty()) masks << t;
        }
        if (masks.isEmpty()) masks << QStringLiteral("*");
        out.Captions << caption;
        out.Masks.push_back(masks);
        // Qt reads the masks from the last parenthesised group of the filter text. A caption that
        // already ends with its mask list, "Рисунки BMP (*.bmp)", gets it in Qt's spelling only.
        const QString list = masks.join(QLatin1Char(' '));
        QString shown = caption;
        const qsizetype open = caption.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && caption.endsWith(QLatin1Char(')'))) {
            QStringList inner = caption.mid(open + 1, caption.size() - open - 2)
                                    .split(QRegularExpression(QStringLiteral("[;, ]+")), Qt::SkipEmptyParts);
            if (inner == masks) shown = caption.left(open).trimmed();
        }
        out.Filters << (shown.isEmpty() ? QStringLiteral("(%1)").arg(list)
                                        : QStringLiteral("%1 (%2)").arg(shown, list));
    }
    if (out.Filters.isEmpty()) {
        out.Captions << QString();
        out.Masks.push_back(QStringList{QStringLiteral("*")});
        out.Filters << QStringLiteral("(*)");
    }
    return out;
}

QString QtFilterForIndex(const QtFileFilters& f, int filterIndex) {
    if (filterIndex < 1 || filterIndex > f.Filters.size()) return f.Filters.value(0);
    return f.Filters[filterIndex - 1];
}

int FilterIndexOf(const QtFileFilters& f, const QString& qtFilter) {
    const qsizetype i = f.Filters.indexOf(qtFilter);
    return i < 0 ? 1 : int(i) + 1;
}

bool MatchesMasks(const QString& fileName, const QStringList& masks) {
    const QString name = QFileInfo(fileName).fileName();
    for (const QString& m : masks) {
        if (m == QLatin1String("*.*") || m == QLatin1String("*")) return true;
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(m),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(name).hasMatch()) return true;
    }
    return false;
}

// ---- Colours, fonts, pictures -------------------------------------------------------------------

QColor QColorFromWinColor(TWinColor c) {
    if ((c & 0xFF000000u) == 0x80000000u) {
        // System colour index: the few the program uses, from the application palette.
        const QPalette pal = QGuiApplication::palette();
        switch (c & 0xFFu) {
        case 5:
            return pal.color(QPalette::Base); // window background
        case 8:
            return pal.color(QPalette::Text); // window text
        case 13:
            return pal.color(QPalette::Highlight); // highlight
        case 14:
            return pal.color(QPalette::HighlightedText); // highlight text
        case 16:
            return pal.color(QPalette::Dark); // button shadow
        case 17:
            return pal.color(QPalette::PlaceholderText); // grey text
        case 18:
            return pal.color(QPalette::ButtonText); // button text
        case 20:
            return pal.color(QPalette::Light); // button highlight
        default:
            return pal.color(QPalette::Button); // button face and the rest
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TWinColor WinColorFromQColor(const QColor& c) {
    const QRgb rgb = c.rgb();
    return TWinColor(qRed(rgb)) | (TWinColor(qGreen(rgb)) << 8) | (TWinColor(qBlue(rgb)) << 16);
}

QFont QFontFromDesc(const TFontSpec& sheen) {
    QFont f(Q(sheen.Family));
    // Points at 96 pixels per inch, as the em height in pixels: the same size on every screen.
    f.setPixelSize(std::max(1, MulDiv(sheen.Size, 96, 72)));
    f.setBold(sheen.Bold);
    f.setItalic(sheen.Italic);
    f.setUnderline(sheen.Underline);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

TFontSpec FontDescFromQFont(const QFont& font, TWinColor color) {
    TFontSpec s;
    s.Family = font.family().toStdString();
    s.Size = font.pointSize() > 0 ? font.pointSize() : std::max(1, MulDiv(font.pixelSize(), 72, 96));
    s.Bold = font.bold();
    s.Italic = font.italic();
    s.Underline = font.underline();
    s.Color = color;
    return s;
}

QImage QImageFromBitmap(const TBitmap32& bmp) {
    if (bmp.Empty()) return QImage();
    // TColor32 is Qt's 32-bit pixel layout in memory; copy so the image outlives the bitmap.
    QImage view(reinterpret_cast<const uchar*>(bmp.Bits()), bmp.Width(), bmp.Height(),
                qsizetype(bmp.Width()) * 4, QImage::Format_RGB32);
    return view.copy();
}

void BitmapFromQImage(const QImage& img, TBitmap32& bmp) {
    const QImage src = img.convertToFormat(QImage::Format_RGB32);
    bmp.BeginUpdate();
    bmp.SetSize(src.width(), src.height());
    for (int y = 0; y < bmp.Height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        TColor32* d = bmp.ScanLine(y);
        for (int x = 0; x < bmp.Width(); ++x)
            d[x] = TColor32(row[x]) | 0xFF000000u;
    }
    bmp.Changed();
    bmp.EndUpdate();
}

// ---- QtPlatform -------------------------------------------------------------------------------------

QtPlatform::QtPlatform(QWidget* mainWindow) : fMainWindow(mainWindow) {
    fClipboardWatch = QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged,
                                       [this] { fClipboardHasImage.reset(); });
}

QtPlatform::~QtPlatform() {
    QObject::disconnect(fClipboardWatch);
    for (auto& [id, t] : fTimers)
        delete t;
    for (auto& [model, w] : fWindows)
        delete w.data();
}

QWidget* QtPlatform::Parent() const {
    if (fMainWindow) return fMainWindow.data();
    return QApplication::activeWindow();
}

void QtPlatform::RegisterDialog(const std::string& dialogName, DialogFactory factory) {
    fFactories[dialogName] = std::move(factory);
}

TMsgAnswer QtPlatform::MessageBox(const std::string& text, TMsgButtons buttons) {
    QMessageBox box(Parent());
    box.setWindowTitle(QCoreApplication::applicationName().isEmpty() ? QStringLiteral("KORVALIS")
                                                                     : QCoreApplication::applicationName());
    box.setText(Q(text));
    box.setIcon(buttons == TMsgButtons::Ok ? QMessageBox::Information : QMessageBox::Question);
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    switch (buttons) {
    case TMsgButtons::Ok:
        ok = box.addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
        box.setEscapeButton(ok);
        break;
    case TMsgButtons::OkCancel:
        ok = box.addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
        cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
        break;
    case TMsgButtons::YesNoCancel:
        yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
        cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
        break;
    }
    box.setDefaultButton(ok ? ok : yes);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    if (buttons == TMsgButtons::Ok) return TMsgAnswer::Ok;
    if (clicked && clicked == ok) return TMsgAnswer::Ok;
    if (clicked && clicked == yes) return TMsgAnswer::Yes;
    if (clicked && clicked == no) return TMsgAnswer::No;
    return TMsgAnswer::Cancel; // the Cancel button, Esc or the close box
}

TModalResult QtPlatform::ShowModal(TDialogModel& dialog) {
    const std::string name = dialog.DialogName();
    auto it = fFactories.find(name);
    if (it == fFactories.end()) throw Error("Окно «" + name + "» недоступно в этой версии программы.");
    // The window is built for this showing only: the model keeps the state between showings.
    std::unique_ptr<QDialog> w(it->second(dialog, Parent()));
    if (!w) throw Error("Окно «" + name + "» недоступно в этой версии программы.");
    return w->exec() == QDialog::Accepted ? TModalResult::Ok : TModalResult::Cancel;
}

QDialog* QtPlatform::WindowFor(TDialogModel& dialog) {
    auto found = fWindows.find(&dialog);
    if (found != fWindows.end() && found->second) return found->second.data();
    const std::string name = dialog.DialogName();
    auto it = fFactories.find(name);
    if (it == fFactories.end()) throw Error("Окно «" + name + "» недоступно в этой версии программы.");
    QDialog* w = it->second(dialog, Parent());
    if (!w) throw Error("Окно «" + name + "» недоступно в этой версии программы.");
    fWindows[&dialog] = w;
    return w;
}

void QtPlatform::ShowToolWindow(TDialogModel& dialog) {
    QDialog* w = WindowFor(dialog);
    // A tool window stays above the main window; where it opens is the window system's choice
    // on Wayland, and the caller's (move()) elsewhere.
    w->setWindowFlag(Qt::Tool, true);
    w->setModal(false);
    w->show();
    w->raise();
}

void QtPlatform::HideToolWindow(TDialogModel& dialog) {
    auto found = fWindows.find(&dialog);
    if (found != fWindows.end() && found->second) found->second->hide();
}

std::optional<TWinColor> QtPlatform::ColorDialog(TWinColor start) {
    const QColor c = QColorDialog::getColor(QColorFromWinColor(start), Parent(), QStringLiteral("Цвет"));
    if (!c.isValid()) return std::nullopt;
    return WinColorFromQColor(c);
}

std::optional<TFontSpec> QtPlatform::FontDialog(const TFontSpec& start) {
    QFont initial(Q(start.Family));
    initial.setPointSize(std::max(1, start.Size));
    initial.setBold(start.Bold);
    initial.setItalic(start.Italic);
    initial.setUnderline(start.Underline);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, Parent(), QStringLiteral("Шрифт"));
    if (!ok) return std::nullopt;
    return FontDescFromQFont(f, start.Color);
}

std::optional<TFileDialogResult> QtPlatform::RunFileDialog(const TFileDialogOptions& options, bool save) {
    const QtFileFilters filters = TranslateFileFilter(options.Filter);
    QFileDialog dlg(Parent(), Q(options.Title));
    // Qt's own dialog lists files through a model that matches the masks case-insensitively, as the
    // system's filters mean; a native dialog might not.
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setNameFilters(filters.Filters);
    dlg.selectNameFilter(QtFilterForIndex(filters, options.FilterIndex));
    if (!options.DefaultExt.empty()) {
        std::string ext = options.DefaultExt;
        if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
        dlg.setDefaultSuffix(Q(ext));
    }
    if (!options.InitialDir.empty()) dlg.setDirectory(Q(options.InitialDir));
    if (!options.FileName.empty()) dlg.selectFile(Q(options.FileName));
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dlg.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    TFileDialogResult r;
    r.FileName = files.first().toStdString();
    r.FilterIndex = FilterIndexOf(filters, dlg.selectedNameFilter());
    return r;
}

std::optional<TFileDialogResult> QtPlatform::OpenFileDialog(const TFileDialogOptions& options) {
    return RunFileDialog(options, false);
}

std::optional<TFileDialogResult> QtPlatform::SaveFileDialog(const TFileDialogOptions& options) {
    return RunFileDialog(options, true);
}

bool QtPlatform::PrinterSetupDialog() {
    throw Error(kNotAvailablePrinting);
}
void QtPlatform::BeginPrintJob(const std::string&) {
    throw Error(kNotAvailablePrinting);
}
TPoint QtPlatform::PrinterResolution() {
    throw Error(kNotAvailablePrinting);
}
TExtent QtPlatform::PrintableArea() {
    throw Error(kNotAvailablePrinting);
}
void QtPlatform::PrintPicture(const TBitmap32&, const TRect&) {
    throw Error(kNotAvailablePrinting);
}
void QtPlatform::EndPrintJob() {
    throw Error(kNotAvailablePrinting);
}
void QtPlatform::AbortPrintJob() {} // nothing was started

TPoint QtPlatform::ScreenResolution() {
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return TPoint{96, 96};
    return TPoint{int(std::lround(s->logicalDotsPerInchX())), int(std::lround(s->logicalDotsPerInchY()))};
}

void QtPlatform::ClipboardPutBitmap(const TBitmap32& picture) {
    QGuiApplication::clipboard()->setImage(QImageFromBitmap(picture));
    fClipboardHasImage.reset();
}

bool QtPlatform::ClipboardHasBitmap() {
    if (!fClipboardHasImage) {
        const QMimeData* m = QGuiApplication::clipboard()->mimeData();
        fClipboardHasImage = m && m->hasImage();
    }
    return *fClipboardHasImage;
}

bool QtPlatform::ClipboardGetBitmap(TBitmap32& picture) {
    if (!ClipboardHasBitmap()) return false;
    const QImage img = QGuiApplication::clipboard()->image();
    if (img.isNull()) return false;
    BitmapFromQImage(img, picture);
    return true;
}

std::string QtPlatform::HelpPageFor(const std::string& helpFile) {
    return (fs::path(helpFile).parent_path() / "Help" / "index.html").string();
}

void QtPlatform::ShellOpenFile(const std::string& fileName) {
    std::string target = fileName;
    // Compiled help has no viewer here: the same pages are installed as HTML in Help/.
    std::string ext = fs::path(fileName).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".chm") {
        target = HelpPageFor(fileName);
        std::error_code ec;
        if (!fs::exists(target, ec)) throw Error("Справка не найдена: " + target);
    } else {
        std::error_code ec;
        if (!fs::exists(target, ec)) throw Error("Файл не найден: " + target);
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(Q(target))))
        throw Error("Не удалось открыть файл " + target + ": нет программы для его просмотра.");
}

void QtPlatform::ShellOpenUrl(const std::string& url) {
    if (!QDesktopServices::openUrl(QUrl(Q(url))))
        throw Error("Не удалось открыть адрес " + url + " в браузере.");
}

void QtPlatform::ShellMailTo(const std::string& address) {
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + Q(address))))
        throw Error("Не удалось создать письмо по адресу " + address + ".");
}

int QtPlatform::StartTimer(int periodMs, std::function<void()> fn) {
    const int id = fNextTimer++;
    auto* t = new QTimer;
    t->setSingleShot(true);
    QObject::connect(t, &QTimer::timeout, [this, id, fn = std::move(fn)] {
        auto it = fTimers.find(id);
        if (it == fTimers.end()) return;
        it->second->deleteLater();
        fTimers.erase(it);
        fn();
    });
    fTimers[id] = t;
    t->start(std::max(0, periodMs));
    return id;
}

void QtPlatform::CancelTimer(int id) {
    auto it = fTimers.find(id);
    if (it == fTimers.end()) return;
    it->second->stop();
    it->second->deleteLater();
    fTimers.erase(it);
}

void QtPlatform::ProcessMessages() {
    // Paint and timer events only: a click or a key waits until the long work is done, so it cannot
    // re-enter the document half-way.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtPlatform::DrawText(TBitmap32& dst, int x, int y, const std::string& text, const TFontSpec& font) {
    if (dst.Empty() || text.empty()) return;
    QImage img(reinterpret_cast<uchar*>(dst.Bits()), dst.Width(), dst.Height(), qsizetype(dst.Width()) * 4,
               QImage::Format_ARGB32);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        const QFont f = QFontFromDesc(font);
        p.setFont(f);
        p.setPen(QColorFromWinColor(font.Color));
        const QFontMetrics fm(f);
        p.drawText(QPoint(x, y + fm.ascent()), Q(text));
    }
    dst.Changed();
}

TExtent QtPlatform::TextExtent(const std::string& text, const TFontSpec& font) {
    const QFontMetrics fm(QFontFromDesc(font));
    return TExtent{fm.horizontalAdvance(Q(text)), fm.height()};
}

TExtent QtPlatform::MetafileSize(const std::string&) {
    throw Error(kNotAvailableMetafiles);
}
void QtPlatform::RenderMetafile(const std::string&, int, int, TBitmap32&) {
    throw Error(kNotAvailableMetafiles);
}

void QtPlatform::FillEllipse(TBitmap32& dst, const TRect& bounds, TColor32 color) {
    if (dst.Empty() || bounds.IsEmpty()) return;
    // Pixel centres inside the ellipse inscribed in bounds (right and bottom edges excluded).
    const double cx = (bounds.Left + bounds.Right) / 2.0, cy = (bounds.Top + bounds.Bottom) / 2.0;
    const double rx = bounds.Width() / 2.0, ry = bounds.Height() / 2.0;
    const int y0 = std::max(bounds.Top, 0), y1 = std::min(bounds.Bottom, dst.Height());
    for (int y = y0; y < y1; ++y) {
        const double dy = (y + 0.5 - cy) / ry;
        const double q = 1.0 - dy * dy;
        if (q < 0) continue;
        const double half = rx * std::sqrt(q);
        const int xa = std::max(0, int(std::ceil(cx - half - 0.5)));
        const int xb = std::min(dst.Width(), int(std::floor(cx + half - 0.5)) + 1);
        TColor32* row = dst.ScanLine(y);
        for (int x = xa; x < xb; ++x)
            row[x] = color;
    }
    dst.Changed();
}

void QtPlatform::DrawTransparent(TBitmap32& dst, int x, int y, const TBitmap32& src, TColor32 transparent) {
    if (dst.Empty() || src.Empty()) return;
    const TColor32 key = transparent & 0x00FFFFFFu;
    const int sx0 = std::max(0, -x), sy0 = std::max(0, -y);
    const int sx1 = std::min(src.Width(), dst.Width() - x), sy1 = std::min(src.Height(), dst.Height() - y);
    for (int sy = sy0; sy < sy1; ++sy) {
        const TColor32* s = src.ScanLine(sy);
        TColor32* d = dst.ScanLine(sy + y) + x;
        for (int sx = sx0; sx < sx1; ++sx)
            if ((s[sx] & 0x00FFFFFFu) != key) d[sx] = s[sx];
    }
    dst.Changed();
}

std::string QtPlatform::ProgramFolder() {
    if (!fProgramFolder.empty()) {
        std::string dir = fProgramFolder;
        if (dir.back() != '/') dir += '/';
        return dir;
    }
    std::string dir = QCoreApplication::applicationDirPath().toStdString();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

std::string QtPlatform::WorkingFolder() {
    std::error_code ec;
    std::string dir = fs::current_path(ec).string();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

void QtPlatform::SetViewCursor(TCursorShape shape) {
    if (!fView) return;
    QWidget* target = fView.data();
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) target = area->viewport();
    target->setCursor(shape == TCursorShape::Cross ? Qt::CrossCursor : Qt::ArrowCursor);
}

void QtPlatform::ShowFullScreen(const TBitmap32& picture) {
    FullScreenView::Run(picture, nullptr);
}

} // namespace kv::ui
