#pragma once
// The players' event interface. Every event has an asynchronous kind k
// (announced, never waited for) and a synchronous kind k x 0x10000 (the
// decoding thread waits for the answer and acts on it). A caller chooses
// the kinds it wants with a mask; 0xFFFFFFFF takes all of them.

#include <cstdint>

enum : uint32_t {
    MP3_MSG_STOP = 1,
    MP3_MSG_PLAY = 2,
    MP3_MSG_ENTER_LOOP = 4,
    MP3_MSG_EXIT_LOOP = 8,
    MP3_MSG_ENTER_FADE_OUT = 16,
    MP3_MSG_EXIT_FADE_OUT = 32,
    MP3_MSG_ENTER_FADE_IN = 64,
    MP3_MSG_EXIT_FADE_IN = 128,
    MP3_MSG_WAVE_BUFFER = 256,  // never sent: only its synchronous kind is
    MP3_MSG_STREAM_BUFFER_DONE = 512,
    MP3_MSG_STREAM_OUT_OF_DATA = 1024,

    MP3_MSG_STOP_SYNC = 0x10000,
    MP3_MSG_PLAY_SYNC = 0x20000,
    MP3_MSG_ENTER_LOOP_SYNC = 0x40000,
    MP3_MSG_EXIT_LOOP_SYNC = 0x80000,
    MP3_MSG_ENTER_FADE_OUT_SYNC = 0x100000,
    MP3_MSG_EXIT_FADE_OUT_SYNC = 0x200000,
    MP3_MSG_ENTER_FADE_IN_SYNC = 0x400000,
    MP3_MSG_EXIT_FADE_IN_SYNC = 0x800000,
    MP3_MSG_WAVE_BUFFER_SYNC = 0x1000000,
    MP3_MSG_STREAM_BUFFER_DONE_SYNC = 0x2000000,
    MP3_MSG_STREAM_OUT_OF_DATA_SYNC = 0x4000000,

    MP3_MSG_ALL = 0xFFFFFFFFu,
};

class MP3CallBack {
public:
    virtual ~MP3CallBack() = default;
    // Runs on the player's callback thread, never on the caller's or the
    // decoding thread. It must not call Stop, Play, Close or Release of the
    // player that called it: those wait for the thread that waits for it.
    virtual int OnPlayerMessage(uint32_t kind, uintptr_t wParam, uintptr_t lParam)
    {
        (void)kind;
        (void)wParam;
        (void)lParam;
        return 0;
    }
};
