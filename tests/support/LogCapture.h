#ifndef TALVIK_TESTS_SUPPORT_LOGCAPTURE_H
#define TALVIK_TESTS_SUPPORT_LOGCAPTURE_H

#include <QStringList>

class ListLogSink;
class QListWidget;

// Adds a private list to the application log for the lifetime of the object,
// at the given threshold, and restores the previous threshold afterwards.
class LogCapture
{
public:
    explicit LogCapture(int threshold);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    void clear();
    QListWidget* list() const { return output; }

private:
    QListWidget* output;
    ListLogSink* sink;
    int previousThreshold;
};

#endif
