// Writing a new tag in front of a file: the file is rebuilt in a temporary
// file beside it, and only a complete copy replaces the original.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "kvostudio/libskin/id3bytes.h"
#include "kvostudio/libskin/id3tagv2.h"
#include "platform/filemap/regular_file.h"

namespace {

constexpr uint32_t kPadding = 2048;

// The ID a 2.2 tag writes for a four-character frame ID.
const char* V22IdFor(const char id[4]) {
    static constexpr const char* kIds[][2] = {
        {"TIT2", "TT2"}, {"TRCK", "TRK"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TDRC", "TYE"}, {"TYER", "TYE"},
        {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"}, {"TOPE", "TOA"}, {"TCOP", "TCR"}, {"WXXX", "WXX"},
        {"TSSE", "TSS"}, {"TENC", "TEN"}, {"APIC", "PIC"}, {"TXXX", "TXX"},
    };
    for (const auto& entry : kIds)
        if (std::memcmp(id, entry[0], 4) == 0) return entry[1];
    return "XXX";
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return false;
        }
        p += put;
        n -= size_t(put);
    }
    return true;
}

int ReadWholeFile(const char* path, std::vector<uint8_t>& out, struct stat& st) {
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0) return errno;
    int result = 0;
    if (fstat(fd, &st) != 0) {
        result = errno;
    } else {
        try {
            out.resize(size_t(st.st_size));
        } catch (const std::bad_alloc&) {
            result = ENOMEM;
        }
        size_t done = 0;
        while (result == 0 && done < out.size()) {
            const ssize_t got = read(fd, out.data() + done, out.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) result = errno;
            else if (got == 0) out.resize(done);   // the file shrank meanwhile
            else done += size_t(got);
        }
    }
    close(fd);
    return result;
}

}  // namespace

int CId3tagv2::Write(const char* path) {
    if (present_) return -1;
    if (!path || !*path) return EINVAL;
    const std::string target = path;
    const size_t slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    SetFrameText("TIT2", name.c_str());
    SetFrameText("TSSE", encoderName_.c_str());

    // Frames in the layout of the tag's version; a tag object that holds no
    // version of its own to write (an ID3v1-only or 2.4 read) writes 2.3.
    const bool v22 = version_ == 0x0200;
    const uint16_t version = v22 ? 0x0200 : 0x0300;
    std::vector<uint8_t> frames;
    try {
        for (const auto& [key, frame] : frames_) {
            uint8_t head[10];
            if (v22) {
                if (frame.Size() > 0xFFFFFF) return EFBIG;
                std::memcpy(head, V22IdFor(frame.id), 3);
                id3::WriteBigEndian(frame.Size(), 3, head + 3);
                frames.insert(frames.end(), head, head + 6);
            } else {
                std::memcpy(head, frame.id, 4);
                id3::WriteBigEndian(frame.Size(), 4, head + 4);
                id3::WriteBigEndian(frame.flags, 2, head + 8);
                frames.insert(frames.end(), head, head + 10);
            }
            frames.insert(frames.end(), frame.data.begin(), frame.data.end());
        }
        if (unsync_) frames = id3::Unsynchronise(frames.data(), frames.size());
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    if (frames.size() + kPadding > 0x0FFFFFFF) return EFBIG;   // beyond a sync-safe size

    uint8_t header[10] = {'I', 'D', '3'};
    header[3] = uint8_t(version >> 8);
    header[4] = uint8_t(version & 0xFF);
    header[5] = unsync_ ? 0x80 : 0x00;
    id3::WriteSyncSafe(uint32_t(frames.size() + kPadding), header + 6);

    std::vector<uint8_t> source;
    struct stat st {};
    if (const int error = ReadWholeFile(path, source, st)) return error;

    std::string temp = folder + "tmsXXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return errno;
    const std::vector<uint8_t> padding(kPadding, 0);
    bool ok = WriteAll(fd, header, sizeof header) && WriteAll(fd, frames.data(), frames.size()) &&
              WriteAll(fd, padding.data(), padding.size()) && WriteAll(fd, source.data(), source.size());
    if (ok) {
        // The new file takes the place of the old one: same permissions and,
        // where allowed, the same owner.
        fchmod(fd, st.st_mode & 07777);
        if (fchown(fd, st.st_uid, st.st_gid) != 0) { /* not ours to change: keep ours */ }
        ok = fsync(fd) == 0;
    }
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temp.c_str(), path) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return error != 0 ? error : EIO;
    }
    std::memcpy(header_, header, sizeof header);
    version_ = version;
    present_ = 1;
    return 0;
}
