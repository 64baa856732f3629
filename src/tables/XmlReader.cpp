#include "tables/XmlReader.h"

#include "base/Finding.h"
#include "text/Utf.h"

// expat.h declares the amplification limits only where the library was built
// with DTD support, which both Debian's and the Windows toolkit's are; the
// macro lives in expat_config.h, which expat.h does not include.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

namespace {

constexpr std::string_view XmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view XmlnsNamespace = "http://www.w3.org/2000/xmlns/";

std::u16string ExpatReason(XML_Error code)
{
    return FromUtf8(XML_ErrorString(code));
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

    // Namespaces are resolved here rather than by expat, whose own
    // resolution builds every name anew from its URI: a prefix bound by an
    // element is in scope to its end, the innermost binding wins.
    struct Binding
    {
        std::string prefix; // empty for the default namespace
        std::string uri;    // empty where the default namespace is undone
        std::size_t depth;  // of the element that binds it
    };
    std::vector<Binding> bindings{{"xml", std::string(XmlNamespace), 0}};
    std::size_t depth = 0;
    std::string_view defaultUri; // of the innermost default binding

    void BindingsChanged()
    {
        const Binding* binding = Bound({});
        defaultUri = binding ? std::string_view(binding->uri) : std::string_view();
    }

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

    /** The binding of `prefix`, or null. */
    const Binding* Bound(std::string_view prefix) const
    {
        for (auto b = bindings.rbegin(); b != bindings.rend(); ++b)
            if (b->prefix.size() == prefix.size() && b->prefix == prefix)
                return &*b;
        return nullptr;
    }

    /** The URI and local name of `qualified`; false, with the parse
     *  refused, when its prefix is unbound or it is no qualified name. An
     *  attribute without a prefix is in no namespace. */
    bool Resolve(const XML_Char* raw, bool attribute, XmlName& name)
    {
        // One pass finds both the end and the first colon of a short name.
        std::size_t size = 0;
        std::size_t colon = std::string_view::npos;
        for (; raw[size] != '\0'; ++size)
            if (raw[size] == ':' && colon == std::string_view::npos)
                colon = size;
        const std::string_view qualified(raw, size);
        if (colon == std::string_view::npos) {
            name.local = qualified;
            name.uri = attribute ? std::string_view() : defaultUri;
            return true;
        }
        name.local = qualified.substr(colon + 1);
        if (colon == 0 || name.local.empty() || name.local.find(':') != std::string_view::npos) {
            Refuse(ExpatReason(XML_ERROR_INVALID_TOKEN));
            return false;
        }
        const Binding* binding = Bound(qualified.substr(0, colon));
        if (!binding) {
            Refuse(ExpatReason(XML_ERROR_UNBOUND_PREFIX));
            return false;
        }
        name.uri = binding->uri;
        return true;
    }

    /** Takes the namespace declaration `name`="uri" of the element at
     *  `depth`; false, with the parse refused, for a declaration that
     *  namespaces forbid. */
    bool Declare(std::string_view name, std::string_view uri)
    {
        std::string_view prefix;
        if (name.size() > 5) {
            prefix = name.substr(6);
            if (prefix.empty() || prefix.find(':') != std::string_view::npos) {
                Refuse(ExpatReason(XML_ERROR_INVALID_TOKEN));
                return false;
            }
            if (prefix == "xmlns") {
                Refuse(ExpatReason(XML_ERROR_RESERVED_PREFIX_XMLNS));
                return false;
            }
            if (prefix == "xml") {
                if (uri == XmlNamespace)
                    return true;
                Refuse(ExpatReason(XML_ERROR_RESERVED_PREFIX_XML));
                return false;
            }
            if (uri.empty()) {
                Refuse(ExpatReason(XML_ERROR_UNDECLARING_PREFIX));
                return false;
            }
        }
        if (uri == XmlNamespace || uri == XmlnsNamespace) {
            Refuse(ExpatReason(XML_ERROR_RESERVED_NAMESPACE_URI));
            return false;
        }
        bindings.push_back({std::string(prefix), std::string(uri), depth});
        return true;
    }

    static bool IsDeclaration(const XML_Char* name)
    {
        return std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':');
    }

    static void OnStart(void* data, const XML_Char* name, const XML_Char** atts)
    {
        auto& state = *static_cast<State*>(data);
        ++state.depth;
        state.Guarded([&] {
            const std::size_t bound = state.bindings.size();
            for (const XML_Char** a = atts; *a; a += 2)
                if (IsDeclaration(a[0]) && !state.Declare(a[0], a[1]))
                    return;
            if (state.bindings.size() != bound)
                state.BindingsChanged();
            XmlName element;
            if (!state.Resolve(name, false, element))
                return;
            state.attributes.clear();
            bool prefixed = false;
            for (const XML_Char** a = atts; *a; a += 2) {
                if (IsDeclaration(a[0]))
                    continue;
                XmlAttribute attribute{{}, std::string_view(a[1])};
                if (!state.Resolve(a[0], true, attribute.name))
                    return;
                prefixed = prefixed || !attribute.name.uri.empty();
                state.attributes.push_back(attribute);
            }
            // expat has refused the same name twice; two prefixes of one
            // namespace may still name the same attribute.
            if (prefixed)
                for (std::size_t i = 0; i < state.attributes.size(); ++i)
                    for (std::size_t j = i + 1; j < state.attributes.size(); ++j)
                        if (state.attributes[i].name.local == state.attributes[j].name.local &&
                            state.attributes[i].name.uri == state.attributes[j].name.uri &&
                            !state.attributes[i].name.uri.empty()) {
                            state.Refuse(ExpatReason(XML_ERROR_DUPLICATE_ATTRIBUTE));
                            return;
                        }
            state.handler.StartElement(element, state.attributes);
        });
    }

    static void OnEnd(void* data, const XML_Char* name)
    {
        auto& state = *static_cast<State*>(data);
        state.Guarded([&] {
            XmlName element;
            if (state.Resolve(name, false, element))
                state.handler.EndElement(element);
        });
        if (state.bindings.back().depth == state.depth && state.depth > 0) {
            while (state.bindings.back().depth == state.depth)
                state.bindings.pop_back();
            state.BindingsChanged();
        }
        --state.depth;
    }

    static void OnInstruction(void* data, const XML_Char* target, const XML_Char*)
    {
        // A processing instruction's target is a name without a colon.
        if (std::string_view(target).find(':') != std::string_view::npos)
            static_cast<State*>(data)->Refuse(ExpatReason(XML_ERROR_INVALID_TOKEN));
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
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (!parser)
        throw std::bad_alloc();
    m_state->parser = parser;
    XML_SetUserData(parser, m_state.get());
    XML_SetElementHandler(parser, State::OnStart, State::OnEnd);
    XML_SetCharacterDataHandler(parser, State::OnText);
    XML_SetProcessingInstructionHandler(parser, State::OnInstruction);
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

} // namespace vt
