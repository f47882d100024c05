#pragma once
// The program's settings: config.ini in the per-user data folder. Every call
// reads or rewrites the file itself; nothing is cached, so a value written
// anywhere is seen by the next read anywhere. Integers are stored as
// decimal text, reals as "%f" text (always with a '.'), texts as they are.
//
// Keys and their meaning when missing are listed below; read them only
// through these names.

// Writes text under section/key. False when an argument is null, a name or
// the text cannot be stored on one line, or the file cannot be written.
bool WriteConfigString(const char* section, const char* key, const char* text);
// Writes the value as decimal text. False when section or key is null or the
// write fails.
bool WriteConfigInt(const char* section, const char* key, int value);
// Writes the value as "%f" text (six decimals). False when section or key is
// null, the value is not a finite number, or the write fails.
bool WriteConfigFloat(const char* section, const char* key, float value);

// *out receives the integer stored under section/key (digits after an
// optional sign, up to the first non-digit), 0 when the key is missing or
// holds no number. False (out untouched) when section, key or out is null.
bool ReadConfigInt(const char* section, const char* key, int* out);
// *size in: capacity of buffer in bytes; out: number of bytes copied (at
// most capacity - 1, never splitting a character), followed by a zero. A
// missing key reads as empty. False when a pointer is null.
bool ReadConfigString(const char* section, const char* key, char* buffer, int* size);
// Reads the real under section/key, or parses defaultText when the key is
// missing. An empty result leaves *out untouched and answers false; a text
// that is not a finite number reads as 0. False when section, key or out is
// null.
bool ReadConfigFloat(const char* section, const char* key, float* out, const char* defaultText);

// What the user is told, once, when a change could not be written.
inline constexpr char kConfigNotKeptText[] =
    "The setting could not be written to config.ini in the data folder, so it was not kept.";

namespace config {

inline constexpr char kFileName[] = "config.ini";

inline constexpr char kGeneral[] = "GENERAL";
inline constexpr char kShuffle[] = "shuffle";             // int: 1 shuffle play on, 0 off (default)
inline constexpr char kRepeat[] = "repeat";               // int: repeat code 0 all (default), 1 one, 2 off
inline constexpr char kBitrate[] = "bitrate";             // int: 0 128 kbit/s (default), 1 192, 2 64
inline constexpr char kMixing[] = "mixing";               // int: 0 software mixing (default), 1 stereo mixing
inline constexpr char kFolder[] = "folder";               // text, < 260 bytes: output folder; empty: none chosen
inline constexpr char kInputDevice[] = "input_device";    // text, < 256 bytes: capture device; empty: the first
inline constexpr char kRecordDevice[] = "record_device";  // text, < 256 bytes: recording line; empty: the first
inline constexpr char kId[] = "ID";                       // text, < 100 bytes: remembered sign-in id; empty: none

inline constexpr char kRecord[] = "RECORD";
inline constexpr char kStart[] = "start";                 // int: 0 from the beginning (default), 1 from the selection
inline constexpr char kStop[] = "stop";                   // int: 0 stop at the end of playback (default), 1 only by Stop
inline constexpr char kVocal[] = "vocal";                 // int: 0 vocal stream unchanged (default), 1 vocal off
inline constexpr char kVoiceShift[] = "voice-shift";      // real, ms: voice moved ahead of the accompaniment
inline constexpr char kVoiceDb[] = "voice-db";            // real, dB: gain of the voice
inline constexpr char kAccomDb[] = "accom-db";            // real, dB: gain of the accompaniment

// Readers of the three reals pass these as the default text.
inline constexpr int kDefaultVoiceShiftMs = -200;
inline constexpr char kDefaultVoiceShift[] = "-200";
inline constexpr char kDefaultVoiceDb[] = "0";
inline constexpr char kDefaultAccomDb[] = "0";

// Capacities of the text keys' read buffers (bytes, with the zero).
inline constexpr int kFolderCapacity = 260;
inline constexpr int kDeviceCapacity = 256;
inline constexpr int kIdCapacity = 100;

}  // namespace config
