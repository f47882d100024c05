#include "platform/window/quit_signals.h"

#include <glib-unix.h>
#include <glib.h>
#include <signal.h>

namespace platform {

namespace {

constexpr unsigned kRetryMs = 100;

}  // namespace

QuitSignalWatch::QuitSignalWatch(std::function<bool()> close) : close_(std::move(close))
{
    interruptSource_ = g_unix_signal_add(SIGINT, &QuitSignalWatch::OnSignal, this);
    terminateSource_ = g_unix_signal_add(SIGTERM, &QuitSignalWatch::OnSignal, this);
}

QuitSignalWatch::~QuitSignalWatch()
{
    for (unsigned source : {interruptSource_, terminateSource_, retrySource_}) {
        if (source)
            g_source_remove(source);
    }
}

int QuitSignalWatch::OnSignal(void* self)
{
    static_cast<QuitSignalWatch*>(self)->Ask();
    return G_SOURCE_CONTINUE;
}

int QuitSignalWatch::OnRetry(void* self)
{
    auto* watch = static_cast<QuitSignalWatch*>(self);
    if (!watch->close_())
        return G_SOURCE_CONTINUE;
    watch->retrySource_ = 0;
    return G_SOURCE_REMOVE;
}

void QuitSignalWatch::Ask()
{
    if (retrySource_ || close_())
        return;  // already waiting to ask again, or taken
    retrySource_ = g_timeout_add(kRetryMs, &QuitSignalWatch::OnRetry, this);
}

}  // namespace platform
