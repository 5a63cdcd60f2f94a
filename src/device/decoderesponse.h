#pragma once

#include "device/ambermeshclientresponse.h"

#include <memory>

// Builds the response a complete message carries. The response takes over the
// stream; null (and the stream deleted) for an id the host does not expect or a
// body shorter than its fields.
std::unique_ptr<AmbermeshClientResponse> decodeResponse(std::unique_ptr<AmbermeshRxMessageStream> stream);
