#pragma once

#include "base/ByteStream.h"
#include "text/Error.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

// The one streaming XML reader of the program, over expat: fed in blocks of
// any size, it hands each element's start and end and the text between them
// to a handler as they are parsed, so that no file is ever held whole.
// Names are namespace-aware: an element or attribute is its namespace URI and
// its local name, whatever prefix the file gave it. Texts are UTF-8, with
// entities and character references decoded and CDATA sections delivered as
// text. A document type declaration is refused, so no external entity, DTD
// or entity of the file's own is ever loaded or expanded.

namespace vt {

/** An element's or attribute's name: the namespace URI (empty for none) and
 *  the local name. */
struct XmlName
{
    std::string_view uri;
    std::string_view local;

    bool Is(std::string_view name, std::string_view inUri = {}) const
    {
        return local == name && uri == inUri;
    }
};

/** One attribute of a start tag; the views live as long as the callback. */
struct XmlAttribute
{
    XmlName name;
    std::string_view value;
};

/** What the reader tells as it parses; every view lives as long as the call. */
class XmlHandler
{
public:
    virtual ~XmlHandler() = default;
    virtual void StartElement(const XmlName& name, std::span<const XmlAttribute> attributes) = 0;
    virtual void EndElement(const XmlName& name) = 0;
    /** A piece of text; one text may come in several pieces. */
    virtual void Text(std::string_view utf8) = 0;
};

/** Malformed XML: expat's reason and where it was found. Message() is
 *  "<reason> at line L, column C". */
class XmlError : public Error
{
public:
    XmlError(const std::u16string& reason, int line, int column);
    const std::u16string& Reason() const noexcept { return m_reason; }
    int Line() const noexcept { return m_line; }
    int Column() const noexcept { return m_column; }

private:
    std::u16string m_reason;
    int m_line;
    int m_column;
};

class XmlReader
{
public:
    explicit XmlReader(XmlHandler& handler);
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    /** Parses the next bytes of the document. Returns false once the handler
     *  has called Stop (the rest is never parsed). Throws XmlError for
     *  malformed XML or a document type declaration; an exception that the
     *  handler throws passes through and ends parsing. */
    bool Feed(std::span<const std::uint8_t> bytes);
    /** Ends the document: throws XmlError when it is incomplete. */
    void Finish();
    /** Parses every block of `in` to its end, or until Stop. */
    void ReadAll(InputStream& in);

    /** From inside a callback: parse nothing more. */
    void Stop();
    bool Stopped() const noexcept;

    /** Where the parser is, counted from 1: during a callback, the start of
     *  what it reports. The column counts bytes. */
    int Line() const;
    int Column() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace vt
