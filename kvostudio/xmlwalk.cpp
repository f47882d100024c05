// Walking the element index of CXmlReader and reading element texts.

#include "kvostudio/xmlreader.h"

#include <cstring>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

bool CXmlReader::ElementMatches(int index, const char* name) const
{
    if (!name || !*name)
        return true;
    int pos = elements_[index].startTagBegin + 1;
    Token token;
    return NextToken(pos, token) && TokenMatches(token, name);
}

bool CXmlReader::FindNextElement(const char* name)
{
    if (nextFree_ <= 1)
        return false;
    int candidate = current_ ? elements_[current_].nextSibling : elements_[parent_].firstChild;
    for (; candidate; candidate = elements_[candidate].nextSibling) {
        if (ElementMatches(candidate, name)) {
            current_ = candidate;
            child_ = 0;
            nodeType_ = 1;
            return true;
        }
    }
    return false;
}

bool CXmlReader::FindChildElement(const char* name)
{
    if (!current_ && !FindNextElement(nullptr))
        return false;
    int candidate = child_ ? elements_[child_].nextSibling : elements_[current_].firstChild;
    for (; candidate; candidate = elements_[candidate].nextSibling) {
        if (ElementMatches(candidate, name)) {
            child_ = candidate;
            return true;
        }
    }
    return false;
}

bool CXmlReader::EnterElement()
{
    if (!current_ || nodeType_ != 1)
        return false;
    parent_ = current_;
    current_ = child_;
    child_ = 0;
    nodeType_ = current_ ? 1 : 0;
    return true;
}

bool CXmlReader::LeaveElement()
{
    if (!parent_)
        return false;
    child_ = current_;
    current_ = parent_;
    parent_ = elements_[parent_].parent;
    nodeType_ = 1;
    return true;
}

std::string CXmlReader::GetChildText() const
{
    return GetElementText(child_);
}

std::string CXmlReader::GetElementText(int index) const
{
    if (index <= 0 || index >= nextFree_)
        return {};
    const ElemPos& e = elements_[index];
    if (e.firstChild || e.endTagBegin <= e.startTagEnd + 1)
        return {};
    int pos = e.startTagEnd + 1;
    while (pos < e.endTagBegin && IsSpace(document_[pos]))
        ++pos;
    static constexpr char kCdata[] = "<![CDATA[";
    constexpr int kCdataLen = sizeof kCdata - 1;
    if (document_.compare(static_cast<size_t>(pos), kCdataLen, kCdata) == 0 && e.endTagBegin > pos + 11) {
        const size_t close = document_.find("]]>", static_cast<size_t>(pos) + kCdataLen);
        if (close != std::string::npos && close + 3 <= static_cast<size_t>(e.endTagBegin))
            return document_.substr(static_cast<size_t>(pos) + kCdataLen, close - pos - kCdataLen);
    }
    return DecodeText(e.startTagEnd + 1, e.endTagBegin);
}

std::string CXmlReader::DecodeText(int from, int to) const
{
    static constexpr struct {
        const char* name;
        char ch;
    } kEntities[] = {{"lt;", '<'}, {"amp;", '&'}, {"gt;", '>'}, {"apos;", '\''}, {"quot;", '"'}};
    std::string out;
    if (from < 0 || to > static_cast<int>(document_.size()) || from >= to)
        return out;
    out.reserve(static_cast<size_t>(to - from));
    for (int i = from; i < to; ++i) {
        const char c = document_[i];
        bool decoded = false;
        if (c == '&') {
            for (const auto& entity : kEntities) {
                const int len = static_cast<int>(std::strlen(entity.name));
                if (i + 1 + len <= to && document_.compare(static_cast<size_t>(i) + 1, len, entity.name) == 0) {
                    out += entity.ch;
                    i += len;
                    decoded = true;
                    break;
                }
            }
        }
        if (!decoded)
            out += c;
    }
    return out;
}
