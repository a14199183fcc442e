#pragma once

#include <functional>

class QObject;

// Runs `handler` on the event loop when the program is asked to end (SIGTERM, SIGINT, and SIGHUP
// when its terminal goes), so it can end the way closing it would: saving what it keeps and
// stopping what it started. Every signal runs it once more, so a second Ctrl+C can do more than
// the first. Call once, after the application object exists; `context` owns the connection.
void onTerminationSignals(QObject *context, std::function<void()> handler);
