#pragma once
// The HTTP client the windows use: while one of its requests waits, the
// application keeps processing its pending events.
#include <memory>

namespace varnolt {

class HttpClient;

std::shared_ptr<HttpClient> MakeWindowHttpClient();

}  // namespace varnolt
