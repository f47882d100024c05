#include "libkvo/src/eqdesignthread.h"

#include "libkvo/src/firequalizer.h"

bool EqDesignThread::Start(ReadRequest read, Designed designed)
{
    if (thread_.Running())
        return false;
    return thread_.Start("EqDesignThread",
                         [this, read = std::move(read), designed = std::move(designed)](platform::MessageQueue& queue) {
                             Run(queue, read, designed);
                         });
}

void EqDesignThread::Run(platform::MessageQueue& queue, const ReadRequest& read, const Designed& designed)
{
    platform::ThreadMessage msg;
    while (queue.Get(msg)) {
        if (msg.message != kDesignMessage)
            continue;
        // Requests already queued behind this one ask for the same thing:
        // the settings are read at design time, so one design serves all.
        bool quit = false;
        for (;;) {
            platform::ThreadMessage more;
            bool timedOut = false;
            if (queue.GetFor(more, 0, timedOut))
                continue;
            quit = !timedOut;
            break;
        }
        if (quit)
            return;
        EqDesignRequest request;
        if (!read || !read(request))
            continue;
        if (equalizer_.MakeTable(request.leftGains, request.rightGains, request.sampleRate) && designed)
            designed(request.sampleRate);
    }
}
