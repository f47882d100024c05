// The WAV reader on arbitrary files; what it loads is saved back and read
// again, as the recording engine does with its mixes. (The second read need
// not match the first: format fields may themselves spell "data".)
// fuzz-sources: kvostudio/include/convert/waveparse.cpp
// fuzz-sources: kvostudio/logfile.cpp kvostudio/folders.cpp kvostudio/usernotice.cpp
// fuzz-libs: kvo_platform_fs kvo_platform_window
#include "kvostudio/include/convert/waveparse.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFile input;
    static FuzzFile output;
    const std::string path = input.Hold(data, size);
    if (path.empty()) return 0;
    CWaveParse wave;
    if (wave.Load(path.c_str()) != 1) return 0;
    if (wave.data.size() != wave.header.dataSize) __builtin_trap();
    const std::string saved = output.Hold(nullptr, 0);
    if (saved.empty()) return 0;
    if (wave.Save(saved.c_str(), 36 + wave.header.dataSize, wave.header.dataSize, wave.data.data()) != 1) return 0;
    CWaveParse again;
    if (again.Load(saved.c_str()) == 1 && again.data.size() != again.header.dataSize) __builtin_trap();
    return 0;
}
