#pragma once

// IStream::CopyTo in terms of Read and Write, shared by the stream classes.

#include "platform/com/Streams.h"

HRESULT CopyStreamData(IStream* from, IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                       ULARGE_INTEGER* pcbWritten);
