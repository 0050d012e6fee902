#pragma once
// Hand-offs to the UI thread and the millisecond tick.
//
// The UI thread is the Qt main thread. Work that touches windows or window
// state is carried there either synchronously (the caller waits, exceptions are
// rethrown in the caller) or queued (the caller goes on).

#include <cstdint>
#include <functional>

class QObject;

namespace pv {

// True on the thread that owns the application object (or when none exists).
bool IsUIThread();

// Runs fn on the UI thread and waits for it. Runs inline when called on the UI
// thread, when no application object exists, or while UI calls are inline (the
// headless runner, which never runs an event loop).
void RunOnUISync(const std::function<void()>& fn);

// Queues fn to the UI thread and returns at once. When `context` is given the
// call is dropped if that object is destroyed before it runs. Without an
// application object, or while UI calls are inline, fn runs at once.
void RunOnUIQueued(std::function<void()> fn, QObject* context = nullptr);

// Headless runs set this: no event loop will ever serve queued or blocking calls.
void SetUICallsInline(bool inlineCalls);
bool UICallsInline();

// Millisecond tick (wraps at 2^32). Tests may install their own clock.
using TickSource = uint32_t (*)();
uint32_t GetTickMs();
void SetTickSource(TickSource source); // nullptr restores the steady clock

} // namespace pv
