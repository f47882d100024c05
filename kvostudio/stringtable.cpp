// The string table: every user-visible message, by id. Texts are UTF-8 and
// are used as printf-style formats.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "kvostudio/messages.h"

namespace {

struct StringEntry {
    unsigned int id;
    const char* text;
};

#define KVO_SITE_NAME "Pellam"

constexpr StringEntry kStringTable[] = {
    {101, "KvoStudio About(&A)..."},
    {102, "The recorded file has been saved to your PC.\n"
          "You can also upload it to your UCC Files on " KVO_SITE_NAME " or edit it with the UCC editor."},
    {103, "Windows Socket Failed"},
    {104, "Only KVO files can be recorded.\nPlease select a KVO file in the playlist."},
    {105, "Recording has been successfully completed.\n"
          "And now, optimizing the sound quality of the recorded file"},
    {106, "Uploading file\nThe recorded file is being uploaded to your UCC Files on " KVO_SITE_NAME "."},
    {107, "The file has been successfully uploaded to your UCC Files.\n"
          "You can listen to it on " KVO_SITE_NAME " or edit it with the UCC editor."},
    {108, "Save Complete"},
    {109, "Upload Complete"},
    {110, "Uploading the file has failed."},
    {111, "Initalize Failed"},
    {112, "Maximum allowable storage limit of 10 files has been reached.\n"
          "Please download the files to your mobile device before uploading another one."},
    {113, "The KVO file has been uploaded into the temporary memory.\n"
          "Download it to your mobile device via Mobile KVO Studio within 2 hours."},
    {114, "Maximum File Size Limit Exceeded\r\n"
          "The file exceeded the maximum allowable size limit of 20M.\r\n"
          "Please try again after checking the file size.\n"},
    {115, "Transfer KVO to mobile\r\n\r\n"
          "To transfer KVO file from your local PC into your mobile devices, upload it and then download it "
          "to your mobile devices via Mobile KVO Studio.\r\n\r\n"
          "- Files are uploaded into the temporary memory and will be saved for 2 hours.\r\n"
          "- Maximum allowable size limit of 20M for each file.\r\n"
          "- Files can be uploaded one by one and maximum allowable storage limit of 10 files.\r\n"},
    {116, "Transfer KVO from mobile\r\nPlease select the file to be downloaded."},
    {117, "Optimizing the sound quality has been successfully completed.\n"
          "Please save the recorded file with following options."},
    {118, "Listen to your recording first. Then save it to your PC, upload it to your UCC Files, "
          "or record again."},
    {119, "Please check if the mic cable is properly connected and the volume is rightly set and not on Mute "
          "before recording."},
    {120, "Start recording from the"},
    {121, "Stop recording"},
    {122, "Vocal volume"},
    {123, "Transfer KVO"},
    {124, KVO_SITE_NAME},
    {127, "If your voice and accompaniment are out of sync, shift your voice (proper-ms) time ahead and click "
          "re-mixing. "},
    {128, "If your voice or the accompaniment is too loud or too soft, change its volume (db) and click "
          "re-mixing."},
    {129, "Transfer KVO to mobile\nUploading KVO file into the temporary memory"},
    {130, "Transfer KVO from mobile\nDownloading KVO file to your PC"},
    {131, "Transfer KVO to mobile"},
    {132, "Transfer UCC File to " KVO_SITE_NAME "\n"
          "To transfer your UCC File from local PC into your account, upload it.\n"
          "And then you can create a new UCC File via UCC editor\n"
          "* Only your UCC File can be upload.\n"
          "-Maximum allowable size limit of 20M for each file\n"
          "-Files can be uploaded one by one and maximum allowable storage limit of 10 files"},
};

#undef KVO_SITE_NAME

}  // namespace

const char* LoadStringTableEntry(unsigned int id)
{
    for (const StringEntry& entry : kStringTable)
        if (entry.id == id) return entry.text;
    return "";
}

std::string LoadFormatString(unsigned int id, ...)
{
    const char* format = LoadStringTableEntry(id);
    if (format[0] == '\0') return std::string();
    va_list args;
    va_start(args, id);
    va_list again;
    va_copy(again, args);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int needed = std::vsnprintf(nullptr, 0, format, args);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(needed));
    }
#pragma GCC diagnostic pop
    va_end(again);
    va_end(args);
    return text;
}
