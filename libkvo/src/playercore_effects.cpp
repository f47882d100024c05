// The effects chain of the decoding thread and the effect controls.

#include "libkvo/src/playercore.h"

void PlayerCore::OnSourceOpened() {}

void PlayerCore::OnPlayStarting() {}

void PlayerCore::OnPlayEnding() {}

void PlayerCore::ProcessSubbands(struct mad_frame&) {}

uint32_t PlayerCore::ProcessEffects(int16_t*, uint32_t bytes)
{
    return bytes;
}

bool PlayerCore::EqTailPending()
{
    return false;
}

uint32_t PlayerCore::DrainEqTail(int16_t*, uint32_t)
{
    return 0;
}

void PlayerCore::EndEqTail() {}

void PlayerCore::OnBufferReclaimed(uint32_t) {}

void PlayerCore::NoteBufferWritten(uint32_t index)
{
    (void)index;
}

int PlayerCore::MixChannels(int, uint32_t, uint32_t) { return 1; }
int PlayerCore::GetVUData(uint32_t* left, uint32_t* right)
{
    if (!left || !right)
        return Fail("GetVUData->Invalid parameters !");
    *left = *right = 0;
    return 1;
}
int PlayerCore::VocalCut(int enable)
{
    vocalCut_ = enable != 0;
    return 1;
}
int PlayerCore::EnableEQ(int, int) { return 1; }
int PlayerCore::CreateEqBands(const int*, int) { return 0; }
int PlayerCore::GetEqBandFrequencies(int*) { return 0; }
int PlayerCore::SetEqBands(int, int, const int*, int, bool) { return 1; }
int PlayerCore::GetEqBands(int, int*, int*, bool) { return 0; }
int PlayerCore::SetSfxParam(int, int, int, int, int, int) { return 1; }
int PlayerCore::GetSfxParam(int*, int*, int*, int*, int*) { return 1; }
int PlayerCore::SetSfxModeData(int, const int*, const int*, int) { return 1; }
int PlayerCore::GetSfxModeData(int, int*, int*) { return 20; }
int PlayerCore::LoadID3(int, ID3_INFO* info)
{
    if (info)
        *info = ID3_INFO{};
    if (!IsOpen())
        return Fail("LoadID3->Stream isn't open !");
    return 0;
}
int PlayerCore::GetFFTValues(FFT_STRUCT*) { return 0; }
