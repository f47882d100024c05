#include "tests/support/kvo_writer.h"

#include <algorithm>
#include <stdexcept>

namespace testsupport {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutChunk(std::vector<uint8_t>& out, uint32_t type, uint32_t length, const std::vector<uint8_t>& payload)
{
    PutU32(out, type);
    PutU32(out, length);
    out.insert(out.end(), payload.begin(), payload.end());
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v, bool syncSafe)
{
    if (syncSafe) {
        if (v >= (1u << 28)) throw std::invalid_argument("sync-safe size too large");
        for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<uint8_t>((v >> shift) & 0x7F));
    } else {
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

std::vector<uint8_t> TextFrameData(const std::string& text)
{
    std::vector<uint8_t> d(text.size() + 1, 0);
    std::copy(text.begin(), text.end(), d.begin() + 1);
    return d;
}

}  // namespace

KvoPieces CutPieces(const KvoContent& c)
{
    if (c.pieceSize == 0) throw std::invalid_argument("CutPieces: piece size 0");
    KvoPieces p;
    const size_t longest = std::max(c.stream1.size(), c.stream2.size());
    for (size_t at = 0; at < longest; at += c.pieceSize) {
        const size_t len = std::min(c.pieceSize, longest - at);
        auto cut = [&](const std::vector<uint8_t>& s) {
            std::vector<uint8_t> piece(len, 0);
            if (at < s.size()) std::copy_n(s.begin() + at, std::min(len, s.size() - at), piece.begin());
            return piece;
        };
        p.stream1.push_back(cut(c.stream1));
        p.stream2.push_back(cut(c.stream2));
    }
    return p;
}

std::vector<uint8_t> WriteKvo(const KvoContent& c, const KvoFaultSpec& f)
{
    const KvoPieces pieces = CutPieces(c);
    const size_t pairs = pieces.stream1.size();
    if (f.fault != KvoFault::None && f.fault != KvoFault::CountBelowTwo && f.fault != KvoFault::HugeCount &&
        f.fault != KvoFault::SizeTablePastEnd && f.pair >= pairs)
        throw std::invalid_argument("WriteKvo: the faulty pair is past the last pair");

    // The size table lists every chunk's payload length in file order.
    std::vector<uint32_t> sizes{static_cast<uint32_t>(c.tag.size()), static_cast<uint32_t>(c.head.size())};
    for (size_t i = 0; i < pairs; ++i) {
        sizes.push_back(static_cast<uint32_t>(pieces.stream1[i].size()));
        sizes.push_back(static_cast<uint32_t>(pieces.stream2[i].size()));
    }

    uint32_t count = static_cast<uint32_t>(sizes.size());
    if (f.fault == KvoFault::CountBelowTwo) count = f.faultValue <= 1 ? f.faultValue : 1;
    if (f.fault == KvoFault::HugeCount) count = f.faultValue ? f.faultValue : 0x40000000u;
    if (f.fault == KvoFault::SizeTablePastEnd) sizes[0] = f.faultValue ? f.faultValue : 0x7FFFFFF0u;

    std::vector<uint8_t> out{'K', 'V', 'O', 'F', 'I', 'L'};  // the signature area no reader compares
    out.push_back(0x01);  // the 16-bit field no reader interprets
    out.push_back(0x00);
    PutU32(out, count);
    for (uint32_t s : sizes) PutU32(out, s);

    PutChunk(out, 0, static_cast<uint32_t>(c.tag.size()), c.tag);
    PutChunk(out, 0, static_cast<uint32_t>(c.head.size()), c.head);
    for (size_t i = 0; i < pairs; ++i) {
        const bool hit = i == f.pair;
        const std::vector<uint8_t>& a = pieces.stream1[i];
        std::vector<uint8_t> b = pieces.stream2[i];
        uint32_t typeA = 1, typeB = 2;
        uint32_t lenA = static_cast<uint32_t>(a.size());
        if (hit && f.fault == KvoFault::WrongTypeAtPair) typeA = 3;
        if (hit && f.fault == KvoFault::WrongSecondType) typeB = 1;
        if (hit && f.fault == KvoFault::UnequalPairLengths && !b.empty()) b.pop_back();
        if (hit && f.fault == KvoFault::ChunkLengthPastEnd) lenA = f.faultValue ? f.faultValue : 0x7FFFFFF0u;
        PutChunk(out, typeA, lenA, a);
        if (hit && f.fault == KvoFault::TruncatedInsidePair) {
            PutChunk(out, typeB, static_cast<uint32_t>(b.size()), b);
            out.resize(out.size() - (b.size() + 1) / 2);
            return out;
        }
        PutChunk(out, typeB, static_cast<uint32_t>(b.size()), b);
    }
    return out;
}

std::vector<uint8_t> ExpectedEvenStream(const KvoContent& c)
{
    std::vector<uint8_t> out = c.tag;
    for (const auto& p : CutPieces(c).stream1) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> ExpectedOddStream(const KvoContent& c)
{
    std::vector<uint8_t> out = c.head;
    for (const auto& p : CutPieces(c).stream2) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> MakeTagFrame(const char id[4], const std::vector<uint8_t>& data, bool syncSafeSize)
{
    std::vector<uint8_t> f(id, id + 4);
    PutBe32(f, static_cast<uint32_t>(data.size()), syncSafeSize);
    f.push_back(0);
    f.push_back(0);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

std::vector<uint8_t> MakeKvoTag(const KvoTagFields& t)
{
    std::vector<uint8_t> frames;
    auto add = [&](const std::vector<uint8_t>& f) { frames.insert(frames.end(), f.begin(), f.end()); };
    if (!t.title.empty()) add(MakeTagFrame("TIT2", TextFrameData(t.title), true));
    if (!t.artist.empty()) add(MakeTagFrame("TPE1", TextFrameData(t.artist), true));
    if (!t.fileId.empty()) add(MakeTagFrame("TFID", TextFrameData(t.fileId), true));
    if (!t.lyrics.empty()) {
        std::vector<uint8_t> d{1, 'k', 'o', 'r', 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE};
        for (char16_t ch : t.lyrics) {
            d.push_back(static_cast<uint8_t>(ch & 0xFF));
            d.push_back(static_cast<uint8_t>(ch >> 8));
        }
        add(MakeTagFrame("USLT", d, false));
    }
    frames.insert(frames.end(), t.extraFrames.begin(), t.extraFrames.end());

    std::vector<uint8_t> tag{'I', 'D', '3', 3, 0, 0};
    PutBe32(tag, static_cast<uint32_t>(frames.size()), true);
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

}  // namespace testsupport
