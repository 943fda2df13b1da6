// Time from starting the program to its first painted window, over several starts. The program
// runs in a child of this benchmark, which starts it exactly as main() does and reports the
// first paint of its window on standard output.
#include "BenchSupport.h"
#include "app/Application.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <unistd.h>

namespace {

// Ends the child at the first paint of the main window.
class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(object);
        if (event->type() == QEvent::Paint && widget && widget->window()->isWindow()
            && widget->window()->windowTitle() == QLatin1String("Vexlo Utility")) {
            std::fputs("painted\n", stdout);
            std::fflush(stdout);
            _exit(0);
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0) {
        QApplication app(argc, argv);
        FirstPaint firstPaint;
        app.installEventFilter(&firstPaint);
        return vexlo::runApplication(app);
    }
    constexpr int starts = 10;
    QList<double> times;
    for (int i = 0; i < starts; ++i) {
        QTemporaryDir runtime, cache;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_STATE_HOME"), runtime.path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        const double started = bench::wallMs();
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--child")});
        while (!child.readAllStandardOutput().contains("painted")) {
            if (!child.waitForReadyRead(10000)) {
                std::fprintf(stderr, "the program did not paint its window\n");
                return 1;
            }
        }
        times << bench::wallMs() - started;
        child.waitForFinished(5000);
    }
    std::printf("start-up to the first painted window (%s), %d starts:\n",
                qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "X display", starts);
    std::printf("  best %.0f ms, median %.0f ms (target under 300 ms)\n", bench::best(times),
                bench::median(times));
    return 0;
}
