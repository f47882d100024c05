#include "kvostudio/xmlreader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* kAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<!-- service answer -->\r\n"
    "<Studio>\r\n"
    "  <Records>\r\n"
    "    <ErrorCode>1</ErrorCode>\r\n"
    "    <!-- the file id -->\r\n"
    "    <Fid>5</Fid>\r\n"
    "    <Ip>10.0.0.1</Ip>\r\n"
    "  </Records>\r\n"
    "</Studio>\r\n";

TEST(XmlReaderWalk, ReadsFieldsInDocumentOrderOnly)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument(kAnswer));
    EXPECT_TRUE(xml.GetError().empty());
    ASSERT_TRUE(xml.FindNextElement("Studio"));
    ASSERT_TRUE(xml.FindChildElement("Records"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindChildElement("ErrorCode"));
    EXPECT_EQ(xml.GetChildText(), "1");
    ASSERT_TRUE(xml.FindChildElement("Fid"));
    EXPECT_EQ(xml.GetChildText(), "5");
    // The search goes on after the child found last.
    EXPECT_FALSE(xml.FindChildElement("ErrorCode"));
    EXPECT_EQ(xml.GetChildText(), "5");  // a failed search leaves the child
    ASSERT_TRUE(xml.FindChildElement("Ip"));
    EXPECT_EQ(xml.GetChildText(), "10.0.0.1");
    EXPECT_FALSE(xml.FindChildElement(nullptr));
}

TEST(XmlReaderWalk, FieldsInAnotherOrderLoseTheOnesBefore)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<Studio><Records><ErrorCode>1</ErrorCode><Ip>ip</Ip><Fid>7</Fid></Records></Studio>"));
    ASSERT_TRUE(xml.FindChildElement("Records"));  // makes the top level current first
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindChildElement("ErrorCode"));
    ASSERT_TRUE(xml.FindChildElement("Fid"));
    EXPECT_EQ(xml.GetChildText(), "7");
    EXPECT_FALSE(xml.FindChildElement("Ip"));
}

TEST(XmlReaderWalk, RepeatedItemsWithEnterAndLeave)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument(
        "<List><Records><ErrorCode>1</ErrorCode>"
        "<Item><FID>1</FID><FileName>a.kvo</FileName></Item>"
        "<Item><FID>2</FID><FileName>b.kvo</FileName></Item>"
        "</Records></List>"));
    ASSERT_TRUE(xml.FindNextElement(nullptr));  // whatever the root's name
    ASSERT_TRUE(xml.FindChildElement("Records"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindChildElement("ErrorCode"));
    std::string seen;
    while (xml.FindChildElement("Item")) {
        ASSERT_TRUE(xml.EnterElement());
        ASSERT_TRUE(xml.FindChildElement("FID"));
        seen += xml.GetChildText() + ":";
        ASSERT_TRUE(xml.FindChildElement("FileName"));
        seen += xml.GetChildText() + ";";
        ASSERT_TRUE(xml.LeaveElement());
    }
    EXPECT_EQ(seen, "1:a.kvo;2:b.kvo;");
}

TEST(XmlReaderWalk, NamesMatchWholeTagNamesAndSiblingsAtTopLevel)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<Studio><Records><ErrorCodeX>2</ErrorCodeX><ErrorCode>1</ErrorCode></Records></Studio>"));
    ASSERT_TRUE(xml.FindNextElement("Studio"));
    EXPECT_FALSE(xml.FindNextElement("Studio"));  // no second top-level element
    ASSERT_TRUE(xml.FindChildElement("Records"));
    ASSERT_TRUE(xml.EnterElement());
    ASSERT_TRUE(xml.FindChildElement("ErrorCode"));
    EXPECT_EQ(xml.GetChildText(), "1");
    EXPECT_FALSE(xml.FindChildElement("Error"));
}

TEST(XmlReaderWalk, WrongRootIsNotFound)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<Other><Records/></Other>"));
    EXPECT_FALSE(xml.FindNextElement("Studio"));
    EXPECT_TRUE(xml.FindNextElement("Other"));
    EXPECT_TRUE(xml.FindChildElement("Records"));
    EXPECT_EQ(xml.GetChildText(), "");
}

TEST(XmlReaderText, EntitiesAreDecodedButNumericReferencesStay)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<a><b>&lt;x&gt; &amp; &apos;y&quot; &#65; &unknown; &amp</b></a>"));
    ASSERT_TRUE(xml.FindChildElement("b"));
    EXPECT_EQ(xml.GetChildText(), "<x> & 'y\" &#65; &unknown; &amp");
}

TEST(XmlReaderText, CdataIsReturnedAsItStands)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<a><b>  <![CDATA[1 &lt; 2 <tag>]]></b><c><![CDATA[]]></c></a>"));
    ASSERT_TRUE(xml.FindChildElement("b"));
    EXPECT_EQ(xml.GetChildText(), "1 &lt; 2 <tag>");
    ASSERT_TRUE(xml.FindChildElement("c"));
    EXPECT_EQ(xml.GetChildText(), "");
}

TEST(XmlReaderText, ElementsWithChildrenOrWithoutContentHaveNoText)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<a><b>text<c/></b><d/><e></e><f attr='x>y'>v</f></a>"));
    ASSERT_TRUE(xml.FindChildElement("b"));
    EXPECT_EQ(xml.GetChildText(), "");
    ASSERT_TRUE(xml.FindChildElement("d"));
    EXPECT_EQ(xml.GetChildText(), "");
    ASSERT_TRUE(xml.FindChildElement("e"));
    EXPECT_EQ(xml.GetChildText(), "");
    EXPECT_EQ(xml.GetElementText(0), "");
    EXPECT_EQ(xml.GetElementText(1000), "");
}

struct ParseErrorCase {
    const char* text;
    const char* error;
};

class XmlReaderErrors : public testing::TestWithParam<ParseErrorCase> {};

TEST_P(XmlReaderErrors, FailWholeWithTheirText)
{
    CXmlReader xml;
    EXPECT_FALSE(xml.ParseDocument(GetParam().text));
    EXPECT_EQ(xml.GetError(), GetParam().error);
    EXPECT_FALSE(xml.FindNextElement(nullptr));
    EXPECT_FALSE(xml.FindChildElement(nullptr));
    EXPECT_FALSE(xml.EnterElement());
    EXPECT_EQ(xml.GetChildText(), "");
}

INSTANTIATE_TEST_SUITE_P(
    AllMessages, XmlReaderErrors,
    testing::Values(ParseErrorCase{"no markup here", "Element tag not found"},
                    ParseErrorCase{"<a><b>1</b>", "Element tag not found"},
                    ParseErrorCase{"<   ", "Abrupt end within tag"},
                    ParseErrorCase{"<\"a\">x</a>", "Tag starts with quote"},
                    ParseErrorCase{"<!-- never closed <a/>", "Invalid node"},
                    ParseErrorCase{"<?xml version='1.0' <a/>", "Invalid node"},
                    ParseErrorCase{"<a attr='1'", "End of tag not found"},
                    ParseErrorCase{"<a>text", "Element tag not found"},
                    ParseErrorCase{"<Studio><Records></Record></Studio>", "End tag does not correspond to Records"},
                    ParseErrorCase{"<a></a", "End tag not completed for element a"},
                    ParseErrorCase{"<a></>", "End tag not completed for element a"}));

TEST(XmlReaderParse, EmptyAndNullTextsHoldNoElement)
{
    CXmlReader xml;
    EXPECT_FALSE(xml.ParseDocument(""));
    EXPECT_FALSE(xml.ParseDocument(static_cast<const char*>(nullptr)));
    EXPECT_EQ(xml.GetError(), "");
    EXPECT_FALSE(xml.FindNextElement(nullptr));
}

TEST(XmlReaderParse, DeclarationsCommentsAndDoctypeAreSkipped)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><!-- c --><a>"
                                  "<!-- inside --><b>2</b></a>"));
    ASSERT_TRUE(xml.FindNextElement("a"));
    ASSERT_TRUE(xml.FindChildElement("b"));
    EXPECT_EQ(xml.GetChildText(), "2");
}

TEST(XmlReaderParse, ANewDocumentReplacesTheOldAndResetsPositions)
{
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument("<a><b>1</b></a>"));
    ASSERT_TRUE(xml.FindChildElement("b"));
    EXPECT_FALSE(xml.ParseDocument("<a>"));
    EXPECT_EQ(xml.GetChildText(), "");
    ASSERT_TRUE(xml.ParseDocument("<c><d>4</d></c>"));
    EXPECT_TRUE(xml.GetError().empty());
    ASSERT_TRUE(xml.FindChildElement("d"));
    EXPECT_EQ(xml.GetChildText(), "4");
}

TEST(XmlReaderParse, DeepNestingFailsInsteadOfExhaustingTheStack)
{
    const int depth = 100000;
    std::string deep;
    for (int i = 0; i < depth; ++i)
        deep += "<a>";
    CXmlReader xml;
    EXPECT_FALSE(xml.ParseDocument(deep));
    EXPECT_FALSE(xml.GetError().empty());

    std::string allowed;
    for (int i = 0; i < CXmlReader::kMaxDepth; ++i)
        allowed += "<a>";
    for (int i = 0; i < CXmlReader::kMaxDepth; ++i)
        allowed += "</a>";
    EXPECT_TRUE(xml.ParseDocument(allowed));
}

TEST(XmlReaderParse, ManySiblingsGrowTheIndex)
{
    std::string doc = "<r>";
    for (int i = 0; i < 5000; ++i)
        doc += "<i>" + std::to_string(i) + "</i>";
    doc += "</r>";
    CXmlReader xml;
    ASSERT_TRUE(xml.ParseDocument(doc));
    int count = 0;
    std::string last;
    while (xml.FindChildElement("i")) {
        ++count;
        last = xml.GetChildText();
    }
    EXPECT_EQ(count, 5000);
    EXPECT_EQ(last, "4999");
}

}  // namespace
