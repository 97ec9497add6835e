#include "app/platform.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdlib>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#else
#include <QMetaObject>
#include <windows.h>
#endif

namespace quendar {

bool displayAvailable() {
#ifdef _WIN32
    return true;
#else
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
#endif
}

namespace {
std::function<void()>* g_onTerminate = nullptr;
}

#ifndef _WIN32

namespace {

int g_signalPipe[2] = {-1, -1};

// Only write() is safe in a signal handler; the GUI thread picks the byte up from the pipe.
void onSignal(int) {
    const char byte = 1;
    const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    (void)ignored;
}

} // namespace

void installTerminationHandler(std::function<void()> onTerminate) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
        return;
    }
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    g_onTerminate = new std::function<void()>(std::move(onTerminate));
    auto* notifier =
        new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        const ssize_t ignored = ::read(g_signalPipe[0], &byte, 1);
        (void)ignored;
        (*g_onTerminate)();
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

#else

namespace {

BOOL WINAPI onConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            (*g_onTerminate)();
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void installTerminationHandler(std::function<void()> onTerminate) {
    g_onTerminate = new std::function<void()>(std::move(onTerminate));
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

#endif

} // namespace quendar
