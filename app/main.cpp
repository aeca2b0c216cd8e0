// The editor. All arguments joined by single blanks form one file name, opened when the main window
// is first shown.
#include "ui/main_window.h"

#include <QApplication>
#include <QTimer>

#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("KORVALIS");
    std::string fileName;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) fileName += ' ';
        fileName += argv[i];
    }
    kv::ui::MainWindow window;
    window.show();
    if (!fileName.empty()) QTimer::singleShot(0, &window, [&window, fileName] { window.OpenFile(fileName); });
    return app.exec();
}
