#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::fputs("usage: quirella-cli --help\n", stderr);
    return 2;
}
