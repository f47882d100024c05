#pragma once
// Reads the service's small XML answers. The whole text is indexed once
// (element positions only, nothing copied) and then walked with three
// positions: the parent level, the current element and its child. Child
// searches go on after the child found last, so callers read fields in the
// order they stand in the document. Nothing is ever changed or written.

#include <string>
#include <string_view>
#include <vector>

// One element of the document: offsets into its text and index links.
struct ElemPos {
    int startTagBegin = 0;  // the start tag's '<'
    int startTagEnd = 0;    // the start tag's '>'
    int endTagBegin = 0;    // the end tag's '<'; startTagEnd - 1 for "<name/>"; the scan position while parsing
    int endTagEnd = 0;      // the end tag's '>'; startTagEnd for "<name/>"
    int reserved = 0;
    int parent = 0;
    int firstChild = 0;     // 0: none
    int nextSibling = 0;    // 0: none
};

class CXmlReader {
public:
    // Elements nested deeper than this fail the parse, so that no document
    // can exhaust the stack.
    static constexpr int kMaxDepth = 256;

    CXmlReader();
    virtual ~CXmlReader() = default;

    // Replaces the document and indexes it; the positions start over. True
    // when the text holds a well-formed element; otherwise the index is
    // empty, every search fails, every text is empty and GetError() says why.
    bool ParseDocument(const char* text);
    bool ParseDocument(std::string_view text);

    // The next element at the current level whose name matches (any element
    // for null or ""); it becomes current and the child position is cleared.
    bool FindNextElement(const char* name = nullptr);
    // The next child of the current element after the child position; it
    // becomes the child position. Without a current element the first
    // top-level element becomes current first.
    bool FindChildElement(const char* name = nullptr);
    // One level down (the child becomes current) or up.
    bool EnterElement();
    bool LeaveElement();

    // The text of the child element: CDATA as it stands, other text with the
    // five named entities decoded; empty for an element with children.
    std::string GetChildText() const;
    std::string GetElementText(int index) const;
    // The document's characters from..to (to excluded) with &lt; &amp; &gt;
    // &apos; &quot; decoded; every other '&' stays as it is.
    std::string DecodeText(int from, int to) const;

    // The last parse error, empty after a good parse.
    const std::string& GetError() const { return error_; }

private:
    struct Token {
        int begin = 0;
        int end = 0;
        bool quoted = false;
    };

    bool NextToken(int& pos, Token& token) const;
    bool TokenMatches(const Token& token, const char* name) const;
    bool ElementMatches(int index, const char* name) const;
    int ParseElement(int parent, int depth);
    int ParseChildrenAndEndTag(int index, const std::string& tagName, int depth);
    int SkipNode(int lt) const;
    int TakeSlot();
    int Fail(int slot, const char* format, const std::string& tagName = {});

    std::string document_;
    std::string error_;
    std::vector<ElemPos> elements_;
    int parent_ = 0;
    int current_ = 0;
    int child_ = 0;
    int nextFree_ = 1;
    int nodeType_ = 0;  // 1 while a current element is set
};
