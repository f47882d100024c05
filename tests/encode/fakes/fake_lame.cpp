// A broken encoder module for the tests, built once per way of breaking:
// FAKE_NO_CLOSE lacks an entry point, FAKE_INIT_FAILS refuses every stream,
// FAKE_ENCODE_FAILS opens a stream but fails the first chunk.
#include "platform/lame_enc/lame_enc.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
BeStream* const kHandle = reinterpret_cast<BeStream*>(0x1000);
}

FAKE_EXPORT uint32_t beInitStream(const BeConfig*, uint32_t* samplesPerChunk, uint32_t* outputBytes, BeStreamHandle* stream)
{
#ifdef FAKE_INIT_FAILS
    (void)samplesPerChunk;
    (void)outputBytes;
    (void)stream;
    return kBeErrInvalidParameters;
#else
    *samplesPerChunk = 4608;
    *outputBytes = 16384;
    *stream = kHandle;
    return kBeOk;
#endif
}

FAKE_EXPORT uint32_t beEncodeChunk(BeStreamHandle, uint32_t, const int16_t*, uint8_t*, uint32_t* written)
{
    *written = 0;
#ifdef FAKE_ENCODE_FAILS
    return kBeErrEncoder;
#else
    return kBeOk;
#endif
}

FAKE_EXPORT uint32_t beDeinitStream(BeStreamHandle, uint8_t*, uint32_t* written)
{
    *written = 0;
    return kBeOk;
}

#ifndef FAKE_NO_CLOSE
FAKE_EXPORT uint32_t beCloseStream(BeStreamHandle) { return kBeOk; }
#endif
