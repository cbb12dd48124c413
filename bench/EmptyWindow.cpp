// The reference for bench/startup.sh: an empty Qt Widgets window of the
// given size, shown at once.
//
// usage: moxel_empty_window WIDTH HEIGHT

#include <QApplication>
#include <QWidget>

#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(argc > 2 ? std::atoi(argv[1]) : 200, argc > 2 ? std::atoi(argv[2]) : 100);
    window.show();
    return QApplication::exec();
}
