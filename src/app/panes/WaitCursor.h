// The wait cursor over the whole program for as long as the object lives.
#pragma once
#include <QCursor>
#include <QGuiApplication>

class CWaitCursor {
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
