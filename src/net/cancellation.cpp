#include "cancellation.h"

namespace net {

void Cancellation::cancel()
{
    if (!m_cancelled.exchange(true))
        emit cancelled();
}

} // namespace net
