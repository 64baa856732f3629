#include "tables/TableWriter.h"

namespace vt {

void TableWriter::Flush()
{
    if (!m_buffer.empty())
        m_out.Write(reinterpret_cast<const std::uint8_t*>(m_buffer.data()), m_buffer.size());
    m_buffer.clear();
}

} // namespace vt
