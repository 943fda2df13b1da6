// Serves fixed routes on 127.0.0.1 for the demo and the benchmarks, until it is ended.
//   vexlo-loopback-server [--port N] PATH=text:TEXT | PATH=file:FILE | PATH=bytes:COUNT ...
// Prints "listening on PORT" once it accepts connections.
#include "LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LoopbackHttpServer server;
    QStringList args = app.arguments().mid(1);
    quint16 port = 0;
    if (args.size() >= 2 && args.first() == QLatin1String("--port")) {
        port = static_cast<quint16>(args.at(1).toUInt());
        args = args.mid(2);
    }
    for (const QString &route : args) {
        const qsizetype eq = route.indexOf(QLatin1Char('='));
        const qsizetype colon = route.indexOf(QLatin1Char(':'), eq);
        if (eq <= 0 || colon < 0) {
            std::fprintf(stderr, "bad route: %s\n", qPrintable(route));
            return 2;
        }
        const QString kind = route.mid(eq + 1, colon - eq - 1);
        const QString value = route.mid(colon + 1);
        LoopbackHttpServer::Response response;
        if (kind == QLatin1String("text")) {
            response.body = value.toUtf8();
        } else if (kind == QLatin1String("bytes")) {
            response.generatedSize = value.toLongLong();
        } else {
            QFile file(value);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(value));
                return 2;
            }
            response.body = file.readAll();
        }
        server.setRoute(route.left(eq).toUtf8(), response);
    }
    if (!server.listen(port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("listening on %u\n", server.port());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
