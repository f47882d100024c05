// The container's other readers on arbitrary files: the tag block reader
// and the splitter that cuts a container into its two streams.
// fuzz-sources: kvostudio/include/convert/kvo*.cpp kvostudio/include/convert/tagtext.cpp
// fuzz-sources: kvostudio/include/convert/wavedata.cpp
// fuzz-sources: kvostudio/logfile.cpp kvostudio/folders.cpp
// fuzz-libs: kvo_platform_fs kvo_platform_text kvo_platform_filemap
#include "kvostudio/include/convert/auxiliary.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFile file;
    static FuzzFile even;
    static FuzzFile odd;
    const std::string path = file.Hold(data, size);
    const std::string evenPath = even.Hold(nullptr, 0);
    const std::string oddPath = odd.Hold(nullptr, 0);
    if (path.empty() || evenPath.empty() || oddPath.empty())
        return 0;
    KvoTagInfo tag;
    tag.Load(path.c_str());
    CKvoParse parse;
    // What is written can never be more than the file holds.
    if (parse.Split(path.c_str(), evenPath.c_str(), oddPath.c_str()) && parse.evenBytes + parse.oddBytes > size)
        __builtin_trap();
    return 0;
}
