// The least a Qt Widgets program pays to show a window: QApplication, one
// top-level widget of the given client size painted yellow, shown, and the
// event loop. The floor Muralset's start-up is compared with.
//
//   qt_window_floor WIDTH HEIGHT [--text]
//
// --text adds one line of bold Arial text along the bottom edge, as the
// editor's visit box has: what any window with text pays on top of the
// floor (the font database and the first font loaded).
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QLabel>
#include <QPalette>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 297;
    const int height = argc > 2 ? std::atoi(argv[2]) : 208;
    QWidget window;
    window.setFixedSize(width, height);
    window.setWindowTitle(QStringLiteral("Qt floor"));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::yellow);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    if (argc > 3 && std::strcmp(argv[3], "--text") == 0) {
        auto* line = new QLabel(QStringLiteral("Visit: https://muralis.example.org/"), &window);
        line->setGeometry(0, height - 30, width, 24);
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(9.75);
        font.setBold(true);
        line->setFont(font);
    }
    window.show();
    return application.exec();
}
