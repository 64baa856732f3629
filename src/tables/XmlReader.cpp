#include "XmlReader.h"

#include "Finding.h"
#include "Utf.h"

// expat.h declares the amplification limits only where the library was built
// with DTD support, which both Debian's and the Windows toolkit's are; the
// macro lives in expat_config.h, which expat.h does not include.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <algorithm>
#include <exception>
#include <vector>

namespace {

// Between a namespace URI and a local name in expat's names; a URI holds no
// blank, and expat refuses one that does.
constexpr char NamespaceSeparator = ' ';

XmlName SplitName(const XML_Char* name)
{
    const std::string_view whole(name);
    const std::size_t separator = whole.find(NamespaceSeparator);
    if (separator == std::string_view::npos)
        return {{}, whole};
    return {whole.substr(0, separator), whole.substr(separator + 1)};
}

} // namespace

XmlError::XmlError(const std::u16string& reason, int line, int column)
    : Error(reason + u" at line " + Decimal(line) + u", column " + Decimal(column)), m_reason(reason),
      m_line(line), m_column(column)
{
}

struct XmlReader::State
{
    XmlHandler& handler;
    XML_Parser parser = nullptr;
    bool stopped = false;
    // Why parsing ended, to be thrown once expat has returned: nothing may
    // unwind through expat's C frames.
    std::exception_ptr failure;
    std::u16string refusal;
    std::vector<XmlAttribute> attributes;

    explicit State(XmlHandler& h) : handler(h) {}

    template <class Call> void Guarded(Call call)
    {
        if (failure || !refusal.empty())
            return;
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
            XML_StopParser(parser, XML_FALSE);
        }
    }

    void Refuse(std::u16string reason)
    {
        if (refusal.empty() && !failure)
            refusal = std::move(reason);
        XML_StopParser(parser, XML_FALSE);
    }

    static void OnStart(void* data, const XML_Char* name, const XML_Char** atts)
    {
        auto& state = *static_cast<State*>(data);
        state.Guarded([&] {
            state.attributes.clear();
            for (const XML_Char** a = atts; *a; a += 2)
                state.attributes.push_back({SplitName(a[0]), std::string_view(a[1])});
            state.handler.StartElement(SplitName(name), state.attributes);
        });
    }

    static void OnEnd(void* data, const XML_Char* name)
    {
        auto& state = *static_cast<State*>(data);
        state.Guarded([&] { state.handler.EndElement(SplitName(name)); });
    }

    static void OnText(void* data, const XML_Char* text, int length)
    {
        auto& state = *static_cast<State*>(data);
        state.Guarded([&] { state.handler.Text(std::string_view(text, std::size_t(length))); });
    }

    static void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        static_cast<State*>(data)->Refuse(u"a document type declaration is not accepted");
    }

    static void OnEntityDeclaration(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                    const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<State*>(data)->Refuse(u"an entity declaration is not accepted");
    }

    /** Throws what ended parsing, if anything did but Stop. */
    void ThrowFailure(XML_Status status)
    {
        if (failure)
            std::rethrow_exception(failure);
        const int line = int(XML_GetCurrentLineNumber(parser));
        const int column = int(XML_GetCurrentColumnNumber(parser)) + 1;
        if (!refusal.empty())
            throw XmlError(refusal, line, column);
        if (status == XML_STATUS_ERROR && !stopped)
            throw XmlError(FromUtf8(XML_ErrorString(XML_GetErrorCode(parser))), line, column);
    }
};

XmlReader::XmlReader(XmlHandler& handler) : m_state(std::make_unique<State>(handler))
{
    XML_Parser parser = XML_ParserCreateNS("UTF-8", NamespaceSeparator);
    if (!parser)
        throw std::bad_alloc();
    m_state->parser = parser;
    XML_SetUserData(parser, m_state.get());
    XML_SetElementHandler(parser, State::OnStart, State::OnEnd);
    XML_SetCharacterDataHandler(parser, State::OnText);
    XML_SetStartDoctypeDeclHandler(parser, State::OnDoctype);
    XML_SetEntityDeclHandler(parser, State::OnEntityDeclaration);
    // No external entity is ever fetched, the DTD's included.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    // expat's defaults, stated so that they hold whatever the build: a
    // document may expand to at most 100 times its size once it passes 8 MiB.
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, 100.0f);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, 8ull << 20);
}

XmlReader::~XmlReader()
{
    XML_ParserFree(m_state->parser);
}

bool XmlReader::Feed(std::span<const std::uint8_t> bytes)
{
    // expat takes an int length: large spans go in slices.
    constexpr std::size_t Slice = std::size_t(1) << 30;
    while (!m_state->stopped) {
        const std::size_t n = std::min(bytes.size(), Slice);
        const XML_Status status =
            XML_Parse(m_state->parser, reinterpret_cast<const char*>(bytes.data()), int(n), XML_FALSE);
        m_state->ThrowFailure(status);
        bytes = bytes.subspan(n);
        if (bytes.empty())
            break;
    }
    return !m_state->stopped;
}

void XmlReader::Finish()
{
    if (m_state->stopped)
        return;
    m_state->ThrowFailure(XML_Parse(m_state->parser, nullptr, 0, XML_TRUE));
}

void XmlReader::ReadAll(InputStream& in)
{
    // Read straight into expat's own buffer.
    constexpr int Block = 1 << 18;
    while (!m_state->stopped) {
        void* buffer = XML_GetBuffer(m_state->parser, Block);
        if (!buffer)
            throw std::bad_alloc();
        const std::size_t got = in.Read(static_cast<std::uint8_t*>(buffer), Block);
        m_state->ThrowFailure(XML_ParseBuffer(m_state->parser, int(got), got == 0 ? XML_TRUE : XML_FALSE));
        if (got == 0)
            return;
    }
}

void XmlReader::Stop()
{
    m_state->stopped = true;
    XML_StopParser(m_state->parser, XML_FALSE);
}

bool XmlReader::Stopped() const noexcept
{
    return m_state->stopped;
}

int XmlReader::Line() const
{
    return int(XML_GetCurrentLineNumber(m_state->parser));
}

int XmlReader::Column() const
{
    return int(XML_GetCurrentColumnNumber(m_state->parser)) + 1;
}
