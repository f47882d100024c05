// Feeds arbitrary bytes to the XML reader as a service answer would come,
// then walks every element it indexed and reads every text.
// fuzz-sources: kvostudio/xmlreader.cpp kvostudio/xmlwalk.cpp

#include "kvostudio/xmlreader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CXmlReader xml;
    xml.ParseDocument(text);

    // Depth first through the whole index: down into each child, up when a
    // level has no more children. The step cap only guards against a walk
    // that never ends, which would itself be the fault to find.
    if (xml.FindNextElement(nullptr)) {
        for (int steps = 0; steps < 1000000; ++steps) {
            if (xml.FindChildElement(nullptr)) {
                (void)xml.GetChildText();
                xml.EnterElement();
            } else if (!xml.LeaveElement()) {
                break;
            }
        }
    }
    // The field reads of a service answer, by name.
    xml.ParseDocument(text);
    if (xml.FindNextElement("Studio") && xml.FindChildElement("Records") && xml.EnterElement()) {
        for (const char* name : {"ErrorCode", "Fid", "Ip", "ServerUrl", "Item"})
            if (xml.FindChildElement(name))
                (void)xml.GetChildText();
    }
    for (int i = 0; i < 64; ++i)
        (void)xml.GetElementText(i);
    (void)xml.DecodeText(0, static_cast<int>(size < 4096 ? size : 4096));
    return 0;
}
