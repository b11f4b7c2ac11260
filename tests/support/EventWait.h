#ifndef TALVIK_TESTS_SUPPORT_EVENTWAIT_H
#define TALVIK_TESTS_SUPPORT_EVENTWAIT_H

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <functional>

// Waits that run the event loop itself. QTest::qWait (and the QTRY_ macros
// built on it) sleeps 10 ms between rounds of events, so a wait that spans a
// whole reading adds up to 10 ms to every request and answer on the line;
// the event loop wakes as soon as an event comes.
namespace eventwait {

// Runs the event loop for `ms`.
inline void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs the event loop until `done` holds or `deadlineMs` has passed; whether
// it holds.
inline bool until(const std::function<bool()>& done, int deadlineMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= deadlineMs)
            loop.quit();
    });
    check.start(5);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done();
}

} // namespace eventwait

// QTRY_VERIFY_WITH_TIMEOUT and its kin on eventwait::until.
#define TRY_VERIFY(expr, timeoutMs)                                                                \
    do {                                                                                           \
        eventwait::until([&] { return bool(expr); }, timeoutMs);                                   \
        QVERIFY(expr);                                                                             \
    } while (false)

#define TRY_VERIFY2(expr, message, timeoutMs)                                                      \
    do {                                                                                           \
        eventwait::until([&] { return bool(expr); }, timeoutMs);                                   \
        QVERIFY2(expr, message);                                                                   \
    } while (false)

#define TRY_COMPARE(actual, expected, timeoutMs)                                                   \
    do {                                                                                           \
        eventwait::until([&] { return (actual) == (expected); }, timeoutMs);                       \
        QCOMPARE(actual, expected);                                                                \
    } while (false)

#endif
