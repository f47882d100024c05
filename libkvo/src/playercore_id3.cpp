// LoadID3: the main texts of the tag of stream 1, from the ID3v1 record at
// its end or the ID3v2 tag at its start.

#include <cstring>

#include "libkvo/src/playercore.h"

// A pushed stream's blocks are given back as they are played, so its tags
// are kept from the open; other sources stay in memory while open.
void PlayerCore::KeepTagsOfPushedStream()
{
    keptId3v1_.clear();
    keptId3v2_.clear();
    const Stream& s = streams_[0];
    if (!managed_ || s.rawData == nullptr)
        return;
    if (s.id3v1 && s.rawSize >= kId3v1Size)
        keptId3v1_.assign(s.rawData + s.rawSize - kId3v1Size, s.rawData + s.rawSize);
    const size_t tag = Id3v2TagBytes(s.rawData, s.rawSize);
    keptId3v2_.assign(s.rawData, s.rawData + tag);
}

int PlayerCore::LoadID3(int version, ID3_INFO* info)
{
    if (info)
        std::memset(info, 0, sizeof *info);
    if (!IsOpen())
        return Fail("LoadID3->Stream isn't open !");
    if (!info)
        return Fail("LoadID3->Invalid parameters !");
    const Stream& s = streams_[0];
    bool read = false;
    if (version == 1) {
        const uint8_t* record = nullptr;
        if (managed_)
            record = keptId3v1_.size() == kId3v1Size ? keptId3v1_.data() : nullptr;
        else if (s.id3v1 && s.rawData && s.rawSize >= kId3v1Size)
            record = s.rawData + s.rawSize - kId3v1Size;
        if (record == nullptr) {
            error_.Format("%s->There is no ID3v1 tag", names_.classLoadId3);
            return 0;
        }
        ReadId3v1(record, id3Texts_);
        read = true;
    } else if (version == 2) {
        if (managed_)
            read = ReadId3v2(keptId3v2_.data(), keptId3v2_.size(), id3Texts_);
        else
            read = ReadId3v2(s.rawData, s.rawSize, id3Texts_);
    }
    if (!read)
        return 0;
    char** fields[kId3FieldCount] = {&info->Title,   &info->Artist,   &info->Album, &info->Year,
                                     &info->Comment, &info->TrackNum, &info->Genre};
    for (int i = 0; i < kId3FieldCount; ++i)
        *fields[i] = id3Texts_[i].data();
    return 1;
}
