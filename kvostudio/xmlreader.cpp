// Building the element index of CXmlReader.

#include "kvostudio/xmlreader.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool EndsToken(char c)
{
    return IsSpace(c) || std::strchr("<>=\\/?!", c) != nullptr;
}

}  // namespace

CXmlReader::CXmlReader()
{
    ParseDocument("");
}

bool CXmlReader::ParseDocument(const char* text)
{
    return ParseDocument(std::string_view(text ? text : ""));
}

bool CXmlReader::ParseDocument(std::string_view text)
{
    nextFree_ = 1;
    parent_ = current_ = child_ = 0;
    nodeType_ = 0;
    error_.clear();
    document_.assign(text.data(), text.size());

    bool ok = false;
    if (document_.size() >= INT_MAX / 2) {
        document_.clear();
        error_ = "Document too large";
    }
    const size_t wanted = document_.size() / 64 + 8;
    if (elements_.size() < wanted)
        elements_.resize(wanted);
    elements_[0] = ElemPos{};
    if (!document_.empty()) {
        const int top = ParseElement(0, 1);
        if (top >= 1) {
            elements_[0].firstChild = top;
            ok = true;
        }
    }
    if (!ok) {
        elements_[0] = ElemPos{};
        nextFree_ = 1;
    }
    parent_ = current_ = child_ = 0;
    nodeType_ = 0;
    return ok;
}

int CXmlReader::TakeSlot()
{
    if (nextFree_ >= static_cast<int>(elements_.size()))
        elements_.resize(elements_.size() + elements_.size() / 2);
    elements_[nextFree_] = ElemPos{};
    return nextFree_++;
}

int CXmlReader::Fail(int slot, const char* format, const std::string& tagName)
{
    if (error_.empty()) {
        const int n = std::snprintf(nullptr, 0, format, tagName.c_str());
        std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
        std::snprintf(text.data(), text.size() + 1, format, tagName.c_str());
        error_ = text;
    }
    if (slot > 0 && slot == nextFree_ - 1)
        --nextFree_;
    return -1;
}

bool CXmlReader::NextToken(int& pos, Token& token) const
{
    const int len = static_cast<int>(document_.size());
    while (pos < len && IsSpace(document_[pos]))
        ++pos;
    if (pos >= len)
        return false;
    token.begin = pos;
    const char c = document_[pos];
    if (c == '"' || c == '\'') {
        const size_t close = document_.find(c, static_cast<size_t>(pos) + 1);
        token.end = close == std::string::npos ? len : static_cast<int>(close) + 1;
        token.quoted = true;
    } else {
        // A token that starts with one of the ending characters is that one
        // character ("</a>" reads as "/", "a", ">").
        int end = pos;
        while (end < len && !EndsToken(document_[end]))
            ++end;
        token.end = end == pos ? pos + 1 : end;
        token.quoted = false;
    }
    pos = token.end;
    return true;
}

bool CXmlReader::TokenMatches(const Token& token, const char* name) const
{
    const size_t len = static_cast<size_t>(token.end - token.begin);
    if (std::strlen(name) < len || std::memcmp(name, document_.data() + token.begin, len) != 0)
        return false;
    const char next = name[len];
    return next == '\0' || next == ' ' || next == '=' || next == '/' || next == '[';
}

// The position after a declaration, comment, CDATA section or other "<!"
// node that starts at lt; -1 when it does not close.
int CXmlReader::SkipNode(int lt) const
{
    const auto after = [this](size_t from, const char* end) {
        const size_t at = document_.find(end, from);
        return at == std::string::npos ? -1 : static_cast<int>(at + std::strlen(end));
    };
    const std::string_view rest(document_.data() + lt, document_.size() - static_cast<size_t>(lt));
    if (rest.substr(0, 2) == "<?")
        return after(static_cast<size_t>(lt) + 2, "?>");
    if (rest.substr(0, 3) == "<![")
        return after(static_cast<size_t>(lt) + 3, "]]>");
    if (rest.substr(0, 3) == "<!-")
        return after(static_cast<size_t>(lt) + 3, "-->");
    int depth = 0;
    const int len = static_cast<int>(document_.size());
    for (int i = lt + 2; i < len; ++i) {
        const char c = document_[i];
        if (c == '"' || c == '\'') {
            const size_t close = document_.find(c, static_cast<size_t>(i) + 1);
            if (close == std::string::npos)
                return -1;
            i = static_cast<int>(close);
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth == 0) {
            return i + 1;
        }
    }
    return -1;
}

// Parses the next element under parent, from the parent's scan position.
// Returns its index, 0 when the parent's content ends there, -1 on error.
int CXmlReader::ParseElement(int parent, int depth)
{
    const int slot = TakeSlot();
    elements_[slot].parent = parent;
    size_t from = static_cast<size_t>(elements_[parent].endTagBegin);
    for (;;) {
        const size_t lt = document_.find('<', from);
        if (lt == std::string::npos)
            return Fail(slot, "Element tag not found");
        elements_[parent].endTagBegin = static_cast<int>(lt);
        elements_[slot].startTagBegin = static_cast<int>(lt);

        int pos = static_cast<int>(lt) + 1;
        Token name;
        if (!NextToken(pos, name))
            return Fail(slot, "Abrupt end within tag");
        if (name.quoted)
            return Fail(slot, "Tag starts with quote");
        const char first = document_[name.begin];
        if (first == '?' || first == '!') {
            const int next = SkipNode(static_cast<int>(lt));
            if (next < 0)
                return Fail(slot, "Invalid node");
            from = static_cast<size_t>(next);
            continue;
        }
        if (first == '/') {
            --nextFree_;  // the slot goes back unused
            return 0;
        }
        if (depth > kMaxDepth)
            return Fail(slot, "Elements nested too deeply");
        const std::string tagName = document_.substr(name.begin, name.end - name.begin);
        const size_t gt = document_.find('>', static_cast<size_t>(name.end));
        if (gt == std::string::npos)
            return Fail(slot, "End of tag not found");
        ElemPos& e = elements_[slot];
        e.startTagEnd = static_cast<int>(gt);
        if (document_[gt - 1] == '/') {
            e.endTagBegin = e.startTagEnd - 1;
            e.endTagEnd = e.startTagEnd;
            return slot;
        }
        return ParseChildrenAndEndTag(slot, tagName, depth);
    }
}

int CXmlReader::ParseChildrenAndEndTag(int index, const std::string& tagName, int depth)
{
    elements_[index].endTagBegin = elements_[index].startTagEnd + 1;
    int previous = 0;
    for (;;) {
        const int child = ParseElement(index, depth + 1);
        if (child < 0)
            return -1;
        if (child == 0)
            break;
        if (previous == 0)
            elements_[index].firstChild = child;
        else
            elements_[previous].nextSibling = child;
        previous = child;
        elements_[index].endTagBegin = elements_[child].endTagEnd + 1;
    }

    const size_t lt = document_.find('<', static_cast<size_t>(elements_[index].endTagBegin));
    if (lt == std::string::npos)
        return Fail(index, "End tag of %s element not found", tagName);
    int pos = static_cast<int>(lt) + 1;
    int count = 0;
    Token token;
    while (NextToken(pos, token)) {
        if (!token.quoted && document_[token.begin] == '>') {
            if (count < 2)
                break;
            elements_[index].endTagBegin = static_cast<int>(lt);
            elements_[index].endTagEnd = token.begin;
            return index;
        }
        ++count;
        if (count == 1 && (token.quoted || document_[token.begin] != '/'))
            return Fail(index, "Expecting end tag of element %s", tagName);
        if (count == 2 && !TokenMatches(token, tagName.c_str()))
            return Fail(index, "End tag does not correspond to %s", tagName);
    }
    return Fail(index, "End tag not completed for element %s", tagName);
}
