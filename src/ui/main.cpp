#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quirella"));
    QApplication::setApplicationName(QStringLiteral("Quirella Tag-Editor"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quirella Tag-Editor"));
    window.show();
    return app.exec();
}
