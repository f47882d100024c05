// Scratch files for tests: a private folder removed with everything in it
// when the object goes, and whole-file read and write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();  // a fresh folder under $TMPDIR (or /tmp)
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes the bytes to the path (replacing it); throws on failure.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// The whole file; throws when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace testsupport
