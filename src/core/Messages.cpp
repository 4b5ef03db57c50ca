#include "core/Messages.h"

#include "core/DebugLog.h"
#include "core/TavString.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <iostream>

namespace pellucor {

namespace {
StderrMessageSink g_stderrSink;
MessageSink* g_sink = &g_stderrSink;
std::atomic<bool> g_unattended {false};

// A sink other than stderr belongs to the thread of the application's
// event loop (a window's message box must be shown there). A worker
// thread's message or question is handed to that thread and waited for;
// the event loop keeps running meanwhile, so windows stay responsive.
// Printing to stderr needs no thread of its own: a command that waits for
// its worker without an event loop prints from the worker.
template <class Ask> int onSinkThread(Ask ask)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread() || g_sink == &g_stderrSink)
        return ask();
    int answer = 0;
    QMetaObject::invokeMethod(
        app, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
    return answer;
}
}  // namespace

void StderrMessageSink::ShowMessage(const std::string& text) { std::cerr << "pellucor: " << text << std::endl; }

int StderrMessageSink::AskOkCancel(const std::string& text)
{
    std::cerr << "pellucor: " << text << " [answered OK]" << std::endl;
    return TavOK;
}

int StderrMessageSink::AskYesNoCancel(const std::string& text)
{
    std::cerr << "pellucor: " << text << " [answered Yes]" << std::endl;
    return TavYes;
}

MessageSink* SetMessageSink(MessageSink* sink)
{
    MessageSink* previous = g_sink;
    g_sink = sink ? sink : &g_stderrSink;
    return previous;
}

MessageSink& CurrentMessageSink() { return *g_sink; }

void Tav_SetUnattended(bool on) { g_unattended = on; }
bool Unattended() { return g_unattended; }

void Tav_Message(const std::string& text)
{
    if (g_unattended) {
        Tav_DebugLog("Message (unattended): " + text);
        return;
    }
    onSinkThread([&] {
        g_sink->ShowMessage(text);
        return 0;
    });
}

int Tav_AskOkCancel(const std::string& text)
{
    if (g_unattended) {
        Tav_DebugLog("Question answered OK (unattended): " + text);
        return TavOK;
    }
    return onSinkThread([&] { return g_sink->AskOkCancel(text); });
}

int Tav_AskYesNoCancel(const std::string& text)
{
    if (g_unattended) {
        Tav_DebugLog("Question answered Yes (unattended): " + text);
        return TavYes;
    }
    return onSinkThread([&] { return g_sink->AskYesNoCancel(text); });
}

void PlainMessage(const std::string& text)
{
    onSinkThread([&] {
        g_sink->ShowMessage(text);
        return 0;
    });
}

int PlainAskYesNoCancel(const std::string& text)
{
    return onSinkThread([&] { return g_sink->AskYesNoCancel(text); });
}

bool IsFailureMessage(const std::string& text)
{
    const std::string lower = Lower(text);
    for (const char* start : {"error", "unable", "cannot", "can't", "could not", "no ", "not "})
        if (lower.rfind(start, 0) == 0)
            return true;
    for (const char* inside : {" failed", "failure", " does not exist", " not found", " cannot ", " could not ",
                               " is not ", "no space", "not available", " unable "})
        if (lower.find(inside) != std::string::npos)
            return true;
    return false;
}

}  // namespace pellucor
