// The floor under the program's start-up: a bare Qt Widgets program that
// opens the same kind of local socket in the same folder and then waits to
// be stopped. Whatever the program takes beyond this is its own.
#include <QApplication>
#include <QLocalServer>

#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QLocalServer server;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || !server.listen(QString::fromLocal8Bit(runtime) + "/quorin.socket"))
        return 1;
    return application.exec();
}
