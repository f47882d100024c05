// seed_corpus FOLDER: writes the fuzz targets' first inputs, made by the
// tests' own writers, into FOLDER/<target>/ (the targets' folders are made
// as needed). Small on purpose: a fuzzer works faster from short inputs.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/fake_service.h"
#include "tests/support/id3_builder.h"
#include "tests/support/kvo_writer.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"

using namespace testsupport;

namespace {

using Bytes = std::vector<uint8_t>;

class Seeds {
public:
    explicit Seeds(std::string folder) : folder_(std::move(folder)) { mkdir(folder_.c_str(), 0755); }
    void Put(const std::string& target, const std::string& name, const Bytes& bytes)
    {
        const std::string dir = folder_ + "/" + target;
        mkdir(dir.c_str(), 0755);
        WriteFile(dir + "/" + name, bytes);
    }

private:
    std::string folder_;
};

// A fifth of a second of a tone: 8 kbit/s MPEG-2.5 for the smallest
// frames, or 32 kbit/s MPEG-1 where a Xing/Info frame fits.
Bytes Tone(bool withHeader, bool vbr = false)
{
    Mp3Options options;
    options.vbr = vbr;
    if (withHeader)
        return MakeMp3(MakeTone(32000, 2, 0.2, 440, 0.3), options);
    options.bitrateKbps = 8;
    options.infoFrame = false;
    return MakeMp3(MakeTone(8000, 1, 0.2, 440, 0.3), options);
}

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void Mp3Seeds(Seeds& seeds)
{
    const std::string t = "mp3open_fuzz";
    const Bytes plain = Tone(false);
    const Bytes info = Tone(true);
    seeds.Put(t, "plain.mp3", plain);
    seeds.Put(t, "info.mp3", info);
    seeds.Put(t, "xing.mp3", Tone(true, true));
    Bytes lying = info;
    SetVbrHeaderFrames(lying, 0xFFFFFFFFu);
    seeds.Put(t, "lying-count.mp3", lying);
    Bytes flat = info;
    FillVbrHeaderToc(flat, 0xFF);
    seeds.Put(t, "flat-toc.mp3", flat);
    const Bytes tag = Id3v2Builder(3).Text("TIT2", Id3Text::Latin1, "Seed").Build();
    Bytes v1(128, ' ');
    v1[0] = 'T', v1[1] = 'A', v1[2] = 'G';
    seeds.Put(t, "tagged.mp3", Concat(Concat(tag, plain), v1));
}

void ContainerSeeds(Seeds& seeds)
{
    KvoContent song;
    song.tag = MakeKvoTag({"Seed", "Singer", u"la", "7", {}});
    song.head = {1, 2, 3, 4};
    song.stream1 = Tone(false);
    song.stream2 = Tone(false);
    song.pieceSize = 300;
    KvoContent uneven = song;
    uneven.stream2.resize(uneven.stream2.size() / 2);
    KvoContent empty = song;
    empty.stream1.clear();
    empty.stream2.clear();
    for (const char* target : {"kvofile_fuzz", "kvoparse_fuzz"}) {
        seeds.Put(target, "song.kvo", WriteKvo(song));
        seeds.Put(target, "uneven.kvo", WriteKvo(uneven));
        seeds.Put(target, "no-audio.kvo", WriteKvo(empty));
        seeds.Put(target, "unequal-pair.kvo", WriteKvo(song, {KvoFault::UnequalPairLengths, 1, 0}));
        seeds.Put(target, "truncated.kvo", WriteKvo(song, {KvoFault::TruncatedInsidePair, 1, 0}));
    }
}

void SignInSeeds(Seeds& seeds)
{
    const std::string t = "signin_fuzz";
    auto put = [&](const char* name, const std::string& reply) { seeds.Put(t, name, Bytes(reply.begin(), reply.end())); };
    put("accepted", FakeService::SignInReply('1', "0000012345", "0123456789abcdef0123456789abcdef0123", "ABCDEFGH"));
    put("refused", FakeService::SignInReply('0', "0000000000"));
    put("short", FakeService::SignInReply('1', "42").substr(0, 50));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_corpus FOLDER\n");
        return 2;
    }
    try {
        Seeds seeds(argv[1]);
        Mp3Seeds(seeds);
        ContainerSeeds(seeds);
        SignInSeeds(seeds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "seed_corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
