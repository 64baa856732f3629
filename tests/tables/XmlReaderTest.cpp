#include "tables/XmlReader.h"

#include <gtest/gtest.h>

#include <string>

using namespace vt;

namespace {

// What the handler saw, as one line: "<uri|name a=v>", "text", "</name>".
class Recorder : public XmlHandler
{
public:
    std::string seen;
    XmlReader* reader = nullptr;
    std::string stopAt; // an element whose start stops the parse
    int startLine = 0;  // the line of the last start tag

    void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) override
    {
        seen += "<" + (name.uri.empty() ? "" : std::string(name.uri) + "|") + std::string(name.local);
        for (const XmlAttribute& a : attributes)
            seen += " " + std::string(a.name.local) + "=" + std::string(a.value);
        seen += ">";
        startLine = reader->Line();
        if (name.local == stopAt)
            reader->Stop();
    }
    void EndElement(const XmlName& name) override { seen += "</" + std::string(name.local) + ">"; }
    void Text(std::string_view utf8) override { seen += utf8; }
};

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Parses `xml` fed in pieces of `piece` bytes.
std::string Parse(std::string_view xml, std::size_t piece, Recorder& recorder)
{
    XmlReader reader(recorder);
    recorder.reader = &reader;
    for (std::size_t at = 0; at < xml.size(); at += piece)
        if (!reader.Feed(Bytes(xml.substr(at, piece))))
            return recorder.seen;
    reader.Finish();
    return recorder.seen;
}

struct GoodCase
{
    const char* xml;
    const char* seen;
};

TEST(XmlReaderTest, ReportsElementsAndDecodedTextInAnyPieces)
{
    const GoodCase cases[] = {
        {"<quiz><q a='1' b=\"x&amp;y\">t</q></quiz>", "<quiz><q a=1 b=x&y>t</q></quiz>"},
        // Prefixes do not matter, the namespace does.
        {"<p:a xmlns:p='urn:x'><p:b p:c='v'/></p:a>", "<urn:x|a><urn:x|b c=v></b></a>"},
        {"<a xmlns='urn:y'><b/></a>", "<urn:y|a><urn:y|b></b></a>"},
        // A binding holds to the end of its element; the innermost wins.
        {"<a xmlns:p='urn:u'><b xmlns:p='urn:v' xmlns=''><p:c/><d/></b><p:e xml:lang='ru'/></a>",
         "<a><b><urn:v|c></c><d></d></b><urn:u|e lang=ru></e></a>"},
        {"<t>&lt;p&gt; &#1053;&#x435; <![CDATA[<b>&amp;</b>]]></t>", "<t><p> Не <b>&amp;</b></t>"},
        {"\xEF\xBB\xBF<?xml version='1.0' encoding='UTF-8'?><t>\xD0\x9D</t>", "<t>\xD0\x9D</t>"},
    };
    for (const GoodCase& c : cases)
        for (std::size_t piece : {std::size_t(1), std::size_t(3), std::size_t(1000)}) {
            Recorder recorder;
            std::string seen = Parse(c.xml, piece, recorder);
            EXPECT_EQ(seen, c.seen) << c.xml << " in pieces of " << piece;
        }
}

struct BadCase
{
    const char* xml;
    const char* reason;
    int line;
};

TEST(XmlReaderTest, RefusesMalformedXmlAndDocumentTypes)
{
    const BadCase cases[] = {
        {"<a>\n<b></a>", "mismatched tag", 2},
        {"<a>\n\n&nope;</a>", "undefined entity", 3},
        {"<a>", "no element found", 1},
        {"<!DOCTYPE a [<!ENTITY x 'y'>]><a>&x;</a>", "a document type declaration is not accepted", 1},
        {"<!DOCTYPE a SYSTEM 'file:///etc/passwd'><a/>", "a document type declaration is not accepted", 1},
        // Names as namespaces allow them, in the words of expat.
        {"<a>\n<p:b/></a>", "unbound prefix", 2},
        {"<a><b xmlns:p='urn:u'><p:c/></b><p:d/></a>", "unbound prefix", 1},
        {"<a><b xmlns:p='urn:u'/><c p:x='1'/></a>", "unbound prefix", 1},
        {"<a xmlns:p='urn:u' xmlns:q='urn:u' p:x='1' q:x='2'/>", "duplicate attribute", 1},
        {"<a xmlns:p=''/>", "must not undeclare prefix", 1},
        {"<a xmlns:xml='urn:u'/>", "reserved prefix (xml)", 1},
        {"<a xmlns:xmlns='urn:u'/>", "reserved prefix (xmlns)", 1},
        {"<a xmlns:p='http://www.w3.org/2000/xmlns/'/>", "prefix must not be bound", 1},
        {"<p:b:c xmlns:p='urn:u'/>", "not well-formed", 1},
        {"<a :x='1'/>", "not well-formed", 1},
        {"<?p:q x?><a/>", "not well-formed", 1},
    };
    for (const BadCase& c : cases) {
        Recorder recorder;
        try {
            Parse(c.xml, 1000, recorder);
            ADD_FAILURE() << c.xml << " was accepted";
        } catch (const XmlError& error) {
            EXPECT_EQ(std::string(error.what()).find(c.reason), 0u) << c.xml << ": " << error.what();
            EXPECT_EQ(error.Line(), c.line) << c.xml;
        }
    }
}

TEST(XmlReaderTest, StopsWhereTheHandlerAsksAndKnowsTheLine)
{
    Recorder recorder;
    recorder.stopAt = "b";
    // What follows the stop is never parsed, malformed as it is.
    EXPECT_EQ(Parse("<a>\n\n<b>x</b><c></a>", 1000, recorder), "<a>\n\n<b>");
    EXPECT_EQ(recorder.startLine, 3);
}

TEST(XmlReaderTest, HandlerErrorsPassThrough)
{
    struct Throwing : Recorder
    {
        void Text(std::string_view) override { throw Error(u"no text here"); }
    } recorder;
    EXPECT_THROW(Parse("<a>x</a>", 1000, recorder), Error);
}

} // namespace
